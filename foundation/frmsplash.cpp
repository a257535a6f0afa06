#include "foundation/frmsplash.h"

#include "platform/desktop.h"
#include "platform/msgbox.h"
#include "platform/ticktimer.h"

#include <QApplication>
#include <QScreen>
#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

frmSplash::frmSplash() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(Desktop::TwipsToPixelsX(3300), Desktop::TwipsToPixelsY(1900));
    setStyleSheet(QStringLiteral("frmSplash { background: #f6f1e4; border: 1px solid #8a7a55; }"));
    auto *title = new QLabel(Desktop::AppTitle(), this);
    QFont f = title->font();
    f.setPointSize(f.pointSize() + 10);
    f.setBold(true);
    title->setFont(f);
    title->setGeometry(Desktop::TwipsToPixelsX(275), Desktop::TwipsToPixelsY(200), Desktop::TwipsToPixelsX(2750), Desktop::TwipsToPixelsY(520));
    lblAppVer = new QLabel(this);
    lblAppVer->setGeometry(Desktop::TwipsToPixelsX(275), Desktop::TwipsToPixelsY(760), Desktop::TwipsToPixelsX(2750), Desktop::TwipsToPixelsY(260));
    lblStatus = new QLabel(QStringLiteral("Initializing..."), this);
    lblStatus->setGeometry(Desktop::TwipsToPixelsX(275), Desktop::TwipsToPixelsY(1160), Desktop::TwipsToPixelsX(2750), Desktop::TwipsToPixelsY(260));
    ProgressBar = new QWidget(this);
    ProgressBar->setStyleSheet(QStringLiteral("background: #3b6ea5;"));
    ProgressBar->setGeometry(Desktop::TwipsToPixelsX(275), Desktop::TwipsToPixelsY(1480), 0, Desktop::TwipsToPixelsY(150));
    tmrTimer = new TickTimer(1500, false, this);
    connect(tmrTimer, &TickTimer::Timer, this, &frmSplash::tmrTimer_Timer);
}

void frmSplash::Form_Load()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Desktop::SetTopMost(this);
    lblAppVer->setText(QStringLiteral("Version %1.%2 (build %3)")
                           .arg(TALLOWMERE_VERSION_MAJOR).arg(TALLOWMERE_VERSION_MINOR).arg(TALLOWMERE_VERSION_PATCH));
    setBarWidth(0);
    tmrTimer->setEnabled(true);
    Desktop::DoEvents();
}

void frmSplash::setBarWidth(double twips)
{
    m_width = twips;
    ProgressBar->resize(Desktop::TwipsToPixelsX(twips), ProgressBar->height());
}

void frmSplash::SetProgress(int Value)
{
    const double target = Value / 100.0 * kFullWidth;
    const double step = 3 * Desktop::TwipsPerPixelX();
    while (m_width < target) {
        setBarWidth(m_width + step);
        Desktop::WaitWithEvents(10);
        if (!isLoaded() || &instance() != this)
            return; // unloaded while events ran
    }
    if (Value == 100)
        setBarWidth(kFullWidth);
}

void frmSplash::tmrTimer_Timer()
{
    blnSplashReady = true;
    if (blnMainReady)
        unloadInstance();
}

void frmSplash::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // While the splash is up it keeps the focus over the program's other windows.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible()
        && !QApplication::activeModalWidget())
        activateWindow();
}
