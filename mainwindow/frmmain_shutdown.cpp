// Closing the main window ends the program: every way of closing it comes
// through Form_QueryUnload, which may refuse, asks about snipes that still
// need this computer, and records the clean exit the next start looks for.
// A close that comes while other work waits below it with events running (a
// page fetch, a refresh pass, Watch, an import) is deferred: that work is
// asked to stop at its next step and the close is made again from the top
// level, so no window is deleted under code that returns into it.
#include "mainwindow/frmmain.h"

#include "engine/bidstate.h"
#include "engine/listsaving.h"
#include "engine/relistscheduler.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/frmsystray.h"
#include "foundation/globals.h"
#include "foundation/settingsstore.h"
#include "foundation/timetext.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/defaultinstance.h"
#include "platform/eventdepth.h"
#include "platform/inet.h"
#include "platform/ticktimer.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QScopedValueRollback>
#include <QTimer>

namespace {

// How often a deferred close looks whether the work it waits for has stopped.
constexpr int kDeferredCloseCheckMs = 50;
// How long a deferred close lets a page the work waits for come before it
// gives that page up: a page answers well within it, a hung one never would.
constexpr qint64 kDeferredClosePageWaitMs = 1000;

void logExit(const QString &text)
{
    basGeneral::WriteLog(QStringLiteral("log.txt"), text);
}

// The number a text starts with: its leading digits and one decimal point.
// A text that does not start with a number reads as 0.
double leadingNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    qsizetype end = 0;
    bool point = false;
    while (end < trimmed.size()) {
        const QChar c = trimmed.at(end);
        if (c == QLatin1Char('.') && !point)
            point = true;
        else if (!c.isDigit())
            break;
        ++end;
    }
    return trimmed.left(end).toDouble();
}

// A snipe that still needs this computer (or the online service) to be
// placed: a maximum bid, not yet decided, on an auction still running.
bool isPendingSnipe(const ListView &list, const ListItem *row)
{
    const QString timeLeft = row->SubItem(list.SubItemIndex(QStringLiteral("timeleft")));
    const QString maxBid = row->SubItem(list.SubItemIndex(QStringLiteral("maxbid")));
    // A bid already out, or settled, needs nothing more of this computer.
    const BidState::State state = BidState::Of(row->Text());
    return leadingNumber(basGeneral::GetBidAmount(maxBid)) != 0 && !BidState::BidOut(state) && !BidState::Settled(state)
           && row->Tag() != QLatin1String("Bid complete") && row->Tag() != QLatin1String("Bid outcome unknown")
           && timeLeft != QLatin1String("Ended")
           && timeLeft != QLatin1String("N/A");
}

QString windowStateText(Qt::WindowStates state)
{
    if (state & Qt::WindowMinimized)
        return QStringLiteral("1");
    if (state & Qt::WindowMaximized)
        return QStringLiteral("2");
    return QStringLiteral("0");
}

} // namespace

bool frmMain::Form_QueryUnload()
{
    // A second close while the pending-snipe question is open waits for
    // that answer; once the shut-down has passed, any later close (the
    // application closing its windows as it quits) goes through at once.
    if (m_askingToExit)
        return true;
    if (m_shutDown)
        return false;
    // Work that waits below this close would return into a deleted window.
    if (!EventDepth::AtTheBase(m_inCloseEvent ? 1 : 0) || blnRefreshing) {
        deferClose();
        return true;
    }
    blnCloseDeferred = false;
    logExit(QStringLiteral("Starting exit procedure"));
    if (blnPreventExit) {
        logExit(QStringLiteral("Exit cancelled: Prevent exit mode on"));
        return true;
    }

    blnExiting = true;
    const bool relistWasOn = RelistScheduler::Running();
    tmrTimer->setEnabled(false);
    tmrClipboardScan->setEnabled(false);
    RelistScheduler::Switch(false);

    logExit(QStringLiteral("Exiting, checking for scheduled bids"));
    bool pending = false;
    for (int i = 1; i <= lvwAuctions->Count() && !pending; ++i)
        pending = isPendingSnipe(*lvwAuctions, lvwAuctions->Item(i));

    if (pending && !blnForceExit && !blnMustExit) {
        const QString title = Desktop::AppTitle();
        const QString question = QStringLiteral("There are currently items set to be sniped\r\n\r\n") + title
                                 + QStringLiteral(" must be running when these items end or they will not be sniped unless "
                                                  "the bids are also set to be placed using the TMR Online server\r\n\r\n"
                                                  "Are you sure you want to exit ")
                                 + title + QLatin1Char('?');
        m_askingToExit = true;
        const int answer = Desktop::MsgBox(question, Desktop::BoxYesNo | Desktop::BoxQuestion | Desktop::BoxDefaultButton2, title);
        m_askingToExit = false;
        if (answer != Desktop::AnswerYes) {
            // Staying: everything stopped above runs again as before, and
            // the next refresh pass is not cut short by this close's stop.
            blnExiting = false;
            blnCancelRefresh = false;
            tmrTimer->setEnabled(true);
            tmrClipboardScan->setEnabled(frmSettings::instance().chkScanClipboard->isChecked());
            RelistScheduler::Switch(relistWasOn);
            return true;
        }
    }

    logExit(QStringLiteral("Exiting, saving registry settings..."));
    SaveSetting(QStringLiteral("Window state"), windowStateText(windowState()));
    SaveSetting(QStringLiteral("Last Date"), LastDate.toString(Qt::ISODate));
    SaveSetting(QStringLiteral("Active User"), CurrentUser);
    SaveSetting(QStringLiteral("1st Run"), QStringLiteral("False"));
    BidItem = nullptr;
    CurrentItem = nullptr;
    SaveSetting(QStringLiteral("Exit OK"), QStringLiteral("1"));

    m_shutDown = true;
    logExit(QStringLiteral("Exiting, unloading forms and ending program"));
    LoadedWindows::UnloadAllBut(this);
    if (BidForm)
        BidForm->deleteLater();
    return false;
}

void frmMain::closeEvent(QCloseEvent *event)
{
    const QScopedValueRollback inClose(m_inCloseEvent, true);
    frmMainShell::closeEvent(event);
}

void frmMain::deferClose()
{
    StopRefresh();
    if (blnCloseDeferred)
        return;
    blnCloseDeferred = true;
    logExit(QStringLiteral("Exit deferred until the work under way has stopped"));
    auto *check = new QTimer(this);
    check->setInterval(kDeferredCloseCheckMs);
    QElapsedTimer waited;
    waited.start();
    connect(check, &QTimer::timeout, this, [this, check, waited] {
        if (m_shutDown || !blnCloseDeferred) {
            check->stop();
            check->deleteLater();
            return;
        }
        if (!EventDepth::AtTheBase() || blnRefreshing) {
            StopRefresh(); // a pass begun since is stopped as well
            // The window's own control serves Watch, the eBay clock and the
            // rating; none of them is worth holding the close for.
            if (waited.elapsed() >= kDeferredClosePageWaitMs && Inet && Inet->StillExecuting())
                Inet->Cancel();
            return;
        }
        check->stop();
        check->deleteLater();
        Unload();
    });
    check->start();
}

void frmMain::Form_Unload()
{
    // The saves asked for are on disk before the window goes.
    ListSaving::SaveWhatWaits();
    blnExiting = true;
    tmrTimer->setEnabled(false);
    tmrClipboardScan->setEnabled(false);
    delete TrayIcon;
    TrayIcon = nullptr;
    // exit(), not quit(): quit() would first ask every window to close again.
    QCoreApplication::exit(0);
}
