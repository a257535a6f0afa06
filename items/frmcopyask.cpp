#include "items/frmcopyask.h"

#include "engine/mainformengine.h"
#include "foundation/hostroles.h"
#include "foundation/itemfields.h"
#include "foundation/pageaccess.h"
#include "foundation/timetext.h"
#include "items/frmaddauction.h"
#include "platform/desktop.h"
#include "platform/inet.h"
#include "platform/msgbox.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {

// How often the title fetch looks whether the main window waits to close.
constexpr int kCloseWatchMs = 100;

void place(QWidget *w, int left, int top, int width, int height)
{
    w->setGeometry(Desktop::TwipsToPixelsX(left), Desktop::TwipsToPixelsY(top), Desktop::TwipsToPixelsX(width),
                   Desktop::TwipsToPixelsY(height));
}

QPushButton *button(const QString &text, QWidget *parent, int left, int top, int width)
{
    auto *b = new QPushButton(text, parent);
    place(b, left, top, width, 375);
    return b;
}

} // namespace

frmCopyAsk::frmCopyAsk()
    : QWidget(nullptr, Qt::Dialog)
{
    setWindowTitle(QStringLiteral("Tallowmere - Verifying..."));
    setFixedSize(Desktop::TwipsToPixelsX(6000), Desktop::TwipsToPixelsY(2520));

    lblHeader = new QLabel(QStringLiteral("You seem to have copied an eBay item number or address, verifying..."), this);
    place(lblHeader, 120, 120, 5760, 255);
    lblNumber = new QLabel(this);
    place(lblNumber, 240, 480, 5640, 255);
    lblNumber->setStyleSheet(QStringLiteral("font-weight: bold"));
    lblTitle = new QLabel(this);
    lblTitle->setTextFormat(Qt::PlainText); // the seller's title, never markup
    lblTitle->setWordWrap(true);
    place(lblTitle, 240, 780, 5640, 480);

    cmdBid = button(QStringLiteral("&Bid/Snipe/Buy"), this, 120, 1440, 1860);
    cmdWatch = button(QStringLiteral("&Watch this Item"), this, 2070, 1440, 1860);
    cmdView = button(QStringLiteral("&View In Browser"), this, 4020, 1440, 1860);
    cmdDontClose = button(QStringLiteral("&Don't Close"), this, 2070, 1980, 1860);
    cmdDontClose->hide();
    cmdCancel = button(QStringLiteral("&Close"), this, 4020, 1980, 1860);

    tmrTimer = new TickTimer(1000, false, this);
    Inet = new ::Inet(this);

    connect(tmrTimer, &TickTimer::Timer, this, &frmCopyAsk::tmrTimer_Timer);
    connect(cmdBid, &QPushButton::clicked, this, &frmCopyAsk::cmdBid_Click);
    connect(cmdWatch, &QPushButton::clicked, this, &frmCopyAsk::cmdWatch_Click);
    connect(cmdView, &QPushButton::clicked, this, &frmCopyAsk::cmdView_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmCopyAsk::cmdCancel_Click);
    connect(cmdDontClose, &QPushButton::clicked, this, &frmCopyAsk::cmdDontClose_Click);
}

void frmCopyAsk::Form_Load()
{
    Desktop::SetTopMost(this);
    intCntr = 0;
    intDelay = 10;
}

void frmCopyAsk::AskAbout(const QString &itemNumber)
{
    frmCopyAsk &w = instance();
    w.lblNumber_Tag = itemNumber;
    w.lblNumber->setText(QStringLiteral("Item #") + itemNumber);
    w.lblTitle->setText(QStringLiteral("Retrieving title..."));
    // Over the main window (the screen's middle while it is in the tray),
    // not in the screen's corner over its menus.
    if (!w.isVisible())
        Desktop::CentreOver(w, EngineForm());
    w.show();
    w.GetTitle();
}

void frmCopyAsk::GetTitle()
{
    const int generation = ++m_fetchGeneration;
    m_closeAfterFetch = false;
    ++m_fetchDepth;
    QPointer<frmCopyAsk> self(this);
    // A close of the main window waits for this fetch to return: the title
    // is given up rather than holding the close for a page that hangs.
    QTimer closeWatch;
    closeWatch.setInterval(kCloseWatchMs);
    connect(&closeWatch, &QTimer::timeout, this, [this] {
        if (frmMainShell::isLoaded() && frmMainShell::instance().blnCloseDeferred)
            Inet->Cancel();
    });
    closeWatch.start();
    const QString page = basGeneral::GetURL(
        HostRoles::url(HostRoles::Role::Item, QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + lblNumber_Tag), *Inet);
    if (!self)
        return;
    closeWatch.stop();
    --m_fetchDepth;
    if (m_closeAfterFetch) {
        if (m_fetchDepth == 0)
            unloadInstance();
        return;
    }
    // A newer copy asked for another title meanwhile; that call has done the rest.
    if (generation != m_fetchGeneration)
        return;

    if (page.contains(QLatin1String(">Ended:</")))
        cmdBid->setEnabled(false);
    lblTitle->setText(basGeneral::GetItemField(page, QStringLiteral("title")));
    if (lblTitle->text().isEmpty()) {
        closeWindow();
        return;
    }
    lblHeader->setText(QStringLiteral("You have copied the following eBay item number or address:"));
    showSecondsLeft(intDelay);
    cmdDontClose->show();
    tmrTimer->setEnabled(true);
}

void frmCopyAsk::showSecondsLeft(int secondsLeft)
{
    setWindowTitle(Desktop::AppTitle() + QStringLiteral(" - Item Copied - Closing in ") + QString::number(secondsLeft)
                   + QStringLiteral(" second") + basGeneral::Plural(secondsLeft) + QStringLiteral("..."));
    cmdDontClose->setText(QStringLiteral("&Don't Close [0:") + (secondsLeft < 10 ? QStringLiteral("0") : QString())
                          + QString::number(secondsLeft) + QLatin1Char(']'));
}

void frmCopyAsk::tmrTimer_Timer()
{
    ++intCntr;
    showSecondsLeft(intDelay - intCntr);
    if (intCntr >= intDelay)
        closeWindow();
}

void frmCopyAsk::cmdDontClose_Click()
{
    tmrTimer->setEnabled(false);
    cmdDontClose->hide();
    setWindowTitle(Desktop::AppTitle() + QStringLiteral(" - Item Copied"));
}

void frmCopyAsk::cmdBid_Click()
{
    const QString number = lblNumber_Tag;
    tmrTimer->setEnabled(false);
    hide();
    QPointer<frmCopyAsk> self(this);
    frmAddAuction::ShowModal(number);
    if (self)
        closeWindow();
}

void frmCopyAsk::cmdWatch_Click()
{
    const QString number = lblNumber_Tag;
    tmrTimer->setEnabled(false);
    hide();
    // Watch lets events run: this prompt may be unloaded meanwhile.
    QPointer<frmCopyAsk> self(this);
    frmMainEngine::instance().WatchAuction(number);
    if (self)
        closeWindow();
}

void frmCopyAsk::cmdView_Click()
{
    const QString number = lblNumber_Tag;
    tmrTimer->setEnabled(false);
    hide();
    frmMainShell &main = frmMainShell::instance();
    main.Show();
    if (main.WebBrowser)
        main.WebBrowser->Navigate(
            HostRoles::url(HostRoles::Role::Www, QStringLiteral("/itm/ws/eBayISAPI.dll?ViewItem&item=") + number));
    main.activateWindow();
    closeWindow();
}

void frmCopyAsk::cmdCancel_Click()
{
    closeWindow();
}

void frmCopyAsk::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        closeWindow();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmCopyAsk::closeEvent(QCloseEvent *event)
{
    // The close box: unload like every other way out.
    event->ignore();
    closeWindow();
}

void frmCopyAsk::closeWindow()
{
    tmrTimer->setEnabled(false);
    if (m_fetchDepth > 0) {
        m_closeAfterFetch = true;
        hide();
        Inet->Cancel();
        return;
    }
    if (isLoaded() && &instance() == this)
        unloadInstance();
    else
        deleteLater();
}
