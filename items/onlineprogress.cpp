#include "items/onlineprogress.h"

#include "platform/desktop.h"
#include "platform/inet.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include <cmath>

OnlineProgressWindow::OnlineProgressWindow(const QString &caption)
{
    setWindowTitle(caption);
    setModal(true);
    setFixedSize(Desktop::TwipsToPixelsX(5400), Desktop::TwipsToPixelsY(1980));
    const auto px = [](int twips) { return Desktop::TwipsToPixelsX(twips); };
    const auto py = [](int twips) { return Desktop::TwipsToPixelsY(twips); };

    Picture1 = new QLabel(this);
    Picture1->setPixmap(style()->standardIcon(QStyle::SP_DriveNetIcon).pixmap(32, 32));
    Picture1->setGeometry(px(120), py(120), px(600), py(600));
    Animation = new QProgressBar(this);
    Animation->setRange(0, 0);
    Animation->setTextVisible(false);
    Animation->setGeometry(px(840), py(240), px(4440), py(240));
    Label1 = new QLabel(QStringLiteral("Connecting..."), this);
    Label1->setGeometry(px(840), py(600), px(4440), py(255));
    ProgressBar = new QProgressBar(this);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setGeometry(px(120), py(960), px(5160), py(300));
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(px(3960), py(1440), px(1320), py(375));
    Inet = new ::Inet(this);

    connect(cmdCancel, &QPushButton::clicked, this, &OnlineProgressWindow::cmdCancel_Click);
}

void OnlineProgressWindow::cmdCancel_Click()
{
    m_cancel = true;
    cmdCancel->setEnabled(false);
}

void OnlineProgressWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_activated)
        return;
    m_activated = true;
    // After the window is on screen, from the event loop of its modal show.
    QTimer::singleShot(0, this, [this] { Form_Activate(); });
}

void OnlineProgressWindow::reject()
{
    cmdCancel_Click();
}

void OnlineProgressWindow::setPercent(double percent)
{
    if (std::isfinite(percent) && percent >= 0 && percent <= 100)
        ProgressBar->setValue(static_cast<int>(percent));
}
