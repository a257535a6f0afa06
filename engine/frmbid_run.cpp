// A bid's run in the bid window: sign-in, preparation, the confirmation
// and the sign-out, each request under the run's one retry rule.
#include "engine/frmbid_run.h"

#include "engine/bidfailures.h"
#include "engine/bidstate.h"
#include "engine/bidrequests.h"
#include "engine/bidresend.h"
#include "engine/ebayclock.h"
#include "engine/ebayclockwatch.h"
#include "engine/ebayfineclock.h"
#include "engine/ebaytimepage.h"
#include "engine/mainformengine.h"
#include "engine/missedsnipe.h"
#include "engine/outcomesettler.h"
#include "engine/sendonce.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/ebaysignin.h"
#include "foundation/frmsettings.h"
#include "foundation/settingsstore.h"
#include "platform/desktop.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/numberederror.h"
#include "platform/readyconnection.h"

#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTime>
#include <QTimer>

using namespace basGeneral;
using namespace BidRun;
using namespace BidFailures;

namespace {

constexpr int kRetryWaitMs = 1000;
// The failure part's heading when nothing of the bid reached eBay.
const QString kNotPlaced = QStringLiteral("Your bid was not placed");
// eBay's time page read at a snipe's start: a slow answer is of no use.
constexpr int kClockReadTimeoutSeconds = 5;

// Seconds since midnight, as the run's start is kept in sngLeadTimeStart.
float SecondsSinceMidnight()
{
    return float(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f;
}

} // namespace

void BidRun::LogBid(const QString &line)
{
    try {
        WriteLog(kBidLog, line);
    } catch (const NumberedError &) {
    }
}

QString BidRun::PathLogLine(qint64 oneWayMs)
{
    return oneWayMs < 0 ? QStringLiteral("One-way delay to eBay: not measured")
                        : QStringLiteral("One-way delay to eBay: %1 ms").arg(oneWayMs);
}

void BidRun::ReleaseBidding(const frmBid *releasing)
{
    // Other bid windows still queued or under way keep the flag: a refresh
    // must not read their auctions while their bids are out.
    if (frmMainShell::isLoaded() && !frmBid::OtherRunsCounted(releasing))
        MainForm().blnBidding = false;
}

void frmBid::Run::alive() const
{
    if (!guard)
        throw WindowGone{};
}

void frmBid::Run::noteRoundTrip(const QString &url, qint64 ms)
{
    if (ms < 0)
        return;
    const QString host = QUrl(url).host().toLower();
    const auto known = shortestRoundTripMs.constFind(host);
    if (known == shortestRoundTripMs.cend() || ms < *known)
        shortestRoundTripMs.insert(host, ms);
}

void frmBid::Run::attempt(const QString &url, QString &page, bool isBid, bool onReadyConnection)
{
    error = 0;
    requestWritten = false;
    try {
        BidReply::Arrival arrival = BidReply::Arrival::Direct;
        const QString text = form->Fetch(url, &requestWritten, isBid, onReadyConnection, &arrival);
        alive();
        reply = text;
        read = BidReply(text, form->ItemTitle(), arrival);
    } catch (const NumberedError &e) {
        alive();
        error = e.number() == 0 ? ErrorNumber::InetRequestFailed : e.number();
    }
    page = reply;
}

bool frmBid::Run::retryAfterError()
{
    if (error == 0 || retries >= kRetryLimit)
        return false;
    ++retries;
    if (error == ErrorNumber::InetTimeout) {
        LogBid(QStringLiteral("Request timed out, retry ") + QString::number(retries));
    } else {
        LogBid(QStringLiteral("Error # ") + QString::number(error));
        wait();
    }
    return true;
}

void frmBid::Run::wait()
{
    Desktop::WaitWithEvents(kRetryWaitMs);
    alive();
}

void frmBid::Run::send(const QString &url, QString &page, bool signIn, bool endBound)
{
    for (;;) {
        // Neither sent nor waited for past the auction's end.
        if (endBound && form->AuctionOver()) {
            stoppedAtEnd = true;
            return;
        }
        const int fullTimeout = form->InetBid->RequestTimeout;
        if (endBound)
            form->InetBid->RequestTimeout = form->SecondsUntilEnd(fullTimeout);
        attempt(url, page);
        form->InetBid->RequestTimeout = fullTimeout;
        if (signIn && read.says(kCookiesBlocked) && retries < kRetryLimit) {
            ++retries;
            continue;
        }
        if (!retryAfterError())
            return;
    }
}

void frmBid::Run::sendBid(const QString &url, QString &page, bool purchase)
{
    const QString what = purchase ? QStringLiteral("Purchase") : QStringLiteral("Bid");
    // The first try on the connection opened for it ahead of the moment.
    int resent = 0;
    for (bool first = true;; first = false) {
        attempt(url, page, true, first);
        if (error == 0)
            return;
        // Never written, so eBay has nothing: it goes again at once, its
        // moment being now.
        if (BidResend::MaySendAgain(requestWritten, form->AuctionOver()) && resent < BidResend::kUnwrittenResends) {
            ++resent;
            LogBid(what + QStringLiteral(" not sent (Error # ") + QString::number(error) + QStringLiteral("), sending again"));
            continue;
        }
        LogBid(what + (requestWritten ? QStringLiteral(" not confirmed, not sent again: Error # ") : QStringLiteral(" not sent: Error # "))
               + QString::number(error));
        return;
    }
}

QString frmBid::Fetch(const QString &url, bool *requestWritten, bool isBid, bool onReadyConnection, BidReply::Arrival *arrival)
{
    // Each request on a connection of its own, sent once: a bid's requests
    // go out exactly as the run decides and never ride on a connection
    // another request left open.
    SendOnce::Sent sent;
    const std::shared_ptr<Run> run = m_run; // the window may go while the request waits
    ReadyConnection *ready = onReadyConnection ? m_confirmationConnection.data() : nullptr;
    // Kept whether the request succeeded or failed.
    const auto keep = qScopeGuard([&] {
        if (requestWritten)
            *requestWritten = sent.requestWritten;
        if (arrival)
            *arrival = sent.redirected ? BidReply::Arrival::Redirected : BidReply::Arrival::Direct;
        if (run)
            run->noteRoundTrip(url, sent.roundTripMs);
    });
    // A bid is written only while its auction runs, asked at the moment of
    // writing.
    QPointer<frmBid> self(this);
    return SendOnce::Get(url, InetBid->RequestTimeout, sent, ready,
                         isBid ? std::function<bool()>([self] { return !self || !self->AuctionOver(); })
                               : std::function<bool()>());
}

QString frmBid::ConfirmationURL() const
{
    // A Buy It Now is bought, not bid: eBay refuses a bid at the Buy It Now
    // price. (A held snipe may have been turned into one.)
    return Buy ? BidRequests::OneCallPurchaseURL(strUIID, ItemNumber, Qty, UserName, Password)
               : BidRequests::ConfirmBidURL(strUIID, ItemNumber, MaxBid, Qty, UserName, Password, strSTOK);
}

bool frmBid::AuctionOver() const
{
    if (!frmMainShell::isLoaded())
        return false;
    const ListView &list = *MainForm().lvwAuctions;
    const ListItem *row = BidRow();
    if (!row)
        return false;
    return !BidResend::MayWriteBid(EbayClock::SecondsLeft(list.Field(row, QStringLiteral("enddate")), EbayFineClock::LatestEbayNow()));
}

void frmBid::MissedTheEnd(Run &run, const QString &missedBecause)
{
    LogBid(QStringLiteral("Auction ended before the bid could be confirmed, signing out"));
    blnFailed = true;
    SetHeightTwips(kFailureHeightTwips);
    cmdClose->setEnabled(true);
    setWindowTitle(QStringLiteral("Auction Ended"));
    Label1->setText(kNotPlaced);
    run.reason = QStringLiteral("Auction ended before bid could be placed");
    ReleaseBidding(this);
    BidState::Move(ItemNumber, BidState::State::Missed);
    if (!ConfirmAt.isValid())
        return;
    const ListItem *row = BidRow();
    MissedSnipe::Report(ItemNumber, row ? MainForm().lvwAuctions->Field(row, QStringLiteral("enddate")) : QString(),
                        missedBecause);
}

int frmBid::SecondsUntilEnd(int atMost) const
{
    const ListItem *row = BidRow();
    const auto left = row ? EbayClock::SecondsLeft(MainForm().lvwAuctions->Field(row, QStringLiteral("enddate")),
                                                   EbayFineClock::LatestEbayNow())
                          : std::nullopt;
    return left ? int(std::clamp<qint64>(*left, 1, atMost)) : atMost;
}

void frmBid::StoppedAtTheEnd(Run &run, const QString &page)
{
    // Nothing of the bid reached eBay: the reason is the one seen, and no
    // word says eBay refused it.
    const bool unanswered = run.error != 0;
    run.reason = unanswered ? QStringLiteral("eBay did not answer the ") + page
                            : QStringLiteral("Auction ended before bid could be placed");
    LogBid(QStringLiteral("Auction ended: ") + run.reason + QStringLiteral(", signing out"));
    blnFailed = true;
    SetHeightTwips(kFailureHeightTwips);
    cmdClose->setEnabled(true);
    setWindowTitle(QStringLiteral("Auction Ended"));
    Label1->setText(kNotPlaced);
    ReleaseBidding(this);
    run.signOutNow = true;
}

void frmBid::RunFlow()
{
    m_run = std::make_shared<Run>(this);
    const std::shared_ptr<Run> keep = m_run; // the window may go while events run
    Run &run = *keep;
    m_running = true;
    try {
        if (!frmSettings::isLoaded())
            frmSettings::instance();
        BidTime = frmSettings::instance().BidDelaySeconds();
        MainForm().Inet->Cancel();
        setWindowTitle(Buy ? QStringLiteral("Purchase Progress") : QStringLiteral("Bid Progress"));
        BidComplete = false;
        Ready = false;
        InetBid->Cancel();
        Desktop::DoEvents();
        run.alive();

        sngLeadTimeStart = SecondsSinceMidnight();
        run.sinceStart.start();
        BidState::Move(ItemNumber, BidState::State::Preparing);
        if (ConfirmAt.isValid()) {
            // eBay's clock read again while the bid signs in and prepares: a
            // clock that moved since the last refresh moves the moment.
            QPointer<frmBid> self(this);
            EbayTimePage::ReadWithoutWaiting(this, kClockReadTimeoutSeconds, [self](bool) {
                if (self && !self->m_confirmationSent && self->m_confirmTimer->isActive())
                    self->m_confirmTimer->start(0);
            });
            // And at the changes of its second until the fine offset is narrow.
            EbayClockWatch::Keep(this, std::max<qint64>(0, MsecsUntilConfirmation() / 1000));
            OpenConfirmationConnectionInTime();
        }
        SignInAndPrepare(run, false);
        if (!run.signOutNow)
            BidState::Move(ItemNumber, BidState::State::Prepared);
    } catch (const WindowGone &) {
        // Destroyed under the run: nothing of it may be touched any more.
        ReleaseBidding(nullptr);
        return;
    }
    HoldConfirmation();
}

void frmBid::SignInAndPrepare(Run &run, bool signedIn)
{
    bool &signOutNow = run.signOutNow;
    for (;;) {
        if (!signedIn) {
            // Sign-in.
            lblStatus->setText(QStringLiteral("Signing in..."));
            LogBid(QStringLiteral("Signing in to bid on item # ") + ItemNumber);
            run.send(eBaySignIn::SignInURL(UserName, Password), strResultSignIn, true, true);
            if (run.stoppedAtEnd) {
                StoppedAtTheEnd(run, QStringLiteral("sign-in page"));
                return;
            }

            if (run.read.says(kPasswordIncorrect) || run.read.says(kEnterNumbers)) {
                LogBid(QStringLiteral("Invalid username or password"));
                blnFailed = true;
                SetHeightTwips(kFailureHeightTwips);
                cmdClose->setEnabled(true);
                setWindowTitle(QStringLiteral("Login Failed"));
                run.reason = QStringLiteral("Your username or password is invalid, or your password is too weak. "
                                            "Please contact support if you need help resolving this issue.");
                ReleaseBidding(this);
                signOutNow = true;
                return;
            }
        }
        signedIn = false;

        // Preparation.
        lblStatus->setText(QStringLiteral("Sending bid..."));
        LogBid(QStringLiteral("Preparing bid"));
        run.send(BidRequests::MakeBidURL(ItemNumber, MaxBid, Qty), strResultSendBid, false, true);
        if (run.stoppedAtEnd) {
            StoppedAtTheEnd(run, QStringLiteral("bid page"));
            return;
        }

        if (!run.read.namesUser(UserName) && !run.read.says(kEndedMarker) && run.retries < kRetryLimit) {
            ++run.retries;
            LogBid(QStringLiteral("Prepare bid failed, retry ") + QString::number(run.retries));
            run.wait();
            continue; // sign in again and prepare again
        }
        break;
    }
    JudgePreparation(run);
}

void frmBid::JudgePreparation(Run &run)
{
    // The preparation page's known failures.
    auto fail = [&](const QString &logLine, const QString &title, const QString &reason) {
        LogBid(logLine);
        setWindowTitle(title);
        run.reason = reason;
        ReleaseBidding(this);
        run.signOutNow = true;
    };
    if (BidReply(strResultSignIn).says(kCookiesBlocked)) {
        fail(QStringLiteral("Cookies rejected"), QStringLiteral("Cookies Blocked"),
             QStringLiteral("Could not sign in because your Internet Options in the Windows Control Panel are blocking cookies"));
        return;
    }
    for (const FailureRow &row : PreparationFailures()) {
        if (RowHolds(row, run.read)) {
            fail(row.logLine, row.title, row.reason);
            return;
        }
    }
    if (run.read.says(kEndedMarker)) {
        blnFailed = true;
        SetHeightTwips(kFailureHeightTwips);
        cmdClose->setEnabled(true);
        fail(QStringLiteral("Auction ended, signing out"), QStringLiteral("Auction Ended"),
             QStringLiteral("Auction ended before bid could be placed"));
        return;
    }

    // The tokens of the preparation page.
    try {
        strUIID = run.read.input(QStringLiteral("uiid"));
        strSTOK = run.read.input(QStringLiteral("stok"));
    } catch (const NumberedError &) {
        // A page too broken to hold them: the confirmation goes without.
    }
}

void frmBid::ConfirmAndSignOut()
{
    const std::shared_ptr<Run> keep = m_run;
    Run &run = *keep;
    try {
        bool signOutNow = run.signOutNow;
        if (!signOutNow && AuctionOver()) {
            MissedTheEnd(run, MissedSnipe::EndedBeforeConfirmation());
            signOutNow = true;
        } else if (!signOutNow) {
            // Confirmation.
            lblStatus->setText(QStringLiteral("Confirming bid..."));
            // What the snipe's moment stood on.
            if (ConfirmAt.isValid()) {
                LogBid(EbayFineClock::Description());
                LogBid(PathLogLine(OneWayDelayMs()));
            }
            LogBid(QStringLiteral("Confirming bid"));
            m_confirmationSent = true;
            BidState::Move(ItemNumber, BidState::State::Sending);
            // Whatever its reply, the item's page is read right after the end.
            OutcomeSettler::Follow(ItemNumber);
            emit ConfirmationGoingOut();
            if (Buy)
                setWindowTitle(QStringLiteral("Purchase Progress"));
            run.sendBid(ConfirmationURL(), strResultConfirmBid, Buy);
            // Never written on any try (each try after the first follows one
            // that was not): eBay cannot have it. One whose request was
            // written and got no answer keeps its unknown outcome.
            const bool notSent = run.error != 0 && !run.requestWritten;
            const bool heldPastTheEnd = notSent && AuctionOver();
            if (heldPastTheEnd) {
                m_confirmationSent = false;
                MissedTheEnd(run, QStringLiteral("its confirmation could not be sent before the auction's end"));
            }
            // Only a reply to the confirmation itself can confirm the bid: when
            // no retry was left the reply text may still be an earlier page.
            const bool confirmationAnswered = run.error == 0;

            if (run.retries == 0 && confirmationAnswered) {
                intLeadTime = qint16(RoundLeadTime(double(run.sinceStart.elapsed() - run.heldMs) / 1000.0));
                LogBid(QStringLiteral("Lead time: ") + QString::number(intLeadTime));
                try {
                    SaveSetting(QStringLiteral("Lead time"), QString::number(ClampLeadTime(intLeadTime)));
                } catch (const NumberedError &) {
                }
            }

            // Only eBay's own answer asks for the currency confirmation.
            if (!Buy && confirmationAnswered && !run.read.cameByRedirect() && run.read.says(kCurrencyNotice)) {
                QString uiid, fired, stok;
                try {
                    uiid = run.read.input(QStringLiteral("uiid"));
                    fired = run.read.input(QStringLiteral("firedFilteredId"));
                    stok = run.read.input(QStringLiteral("stok"));
                } catch (const NumberedError &) {
                }
                QString notUsed;
                run.attempt(BidRequests::CurrencyConfirmURL(uiid, ItemNumber, MaxBid, UserName, fired, stok), notUsed);
            }

            if (heldPastTheEnd) {
                // Nothing was written: told as missed above.
            } else if (notSent) {
                blnFailed = true;
                run.reason = (Buy ? QStringLiteral("Purchase") : QStringLiteral("Bid"))
                           + QStringLiteral(" not sent: the connection to eBay failed before it was written (Error # %1)")
                                 .arg(run.error);
                ReleaseBidding(this);
                RecordConfirmation(false, true, false);
            } else if (Buy) {
                JudgePurchase(run, confirmationAnswered);
            } else {
                const FailureRow *refusal = ConfirmationRefusal(run.read);
                if (refusal) {
                    setWindowTitle(refusal->title);
                    run.reason = refusal->reason;
                    if (!refusal->logLine.isEmpty())
                        LogBid(refusal->logLine);
                    ReleaseBidding(this);
                }
                const bool known = refusal != nullptr;
                const bool succeeded = !known && confirmationAnswered && ConfirmationSucceeded(run.read);
                if (!known && !succeeded) {
                    blnFailed = true;
                    blnUnknownFail = true;
                }
                RecordConfirmation(succeeded, known || confirmationAnswered, known);
            }
        } else {
            // Stopped before the confirmation: no bid went in.
            BidState::Move(ItemNumber, m_withdrawn ? BidState::State::Withdrawn : BidState::State::Failed);
            // A snipe that failed (not one taken back) says so beyond its window.
            if (ConfirmAt.isValid() && !run.reason.isEmpty() && frmMainShell::isLoaded()) {
                const ListView &list = *MainForm().lvwAuctions;
                const ListItem *row = list.FindItem(ItemNumber);
                MissedSnipe::Report(ItemNumber, row ? list.Field(row, QStringLiteral("enddate")) : QString(), run.reason);
            }
        }

        // Sign-out, on every path, unless another bid is under way: the
        // session's cookie is shared, so signing out would end its session
        // too. The last bid to end signs out.
        if (!AnotherRunUnderWay()) {
            lblStatus->setText(QStringLiteral("Signing out..."));
            LogBid(QStringLiteral("Signing out"));
            run.send(eBaySignIn::SignOutURL(), strResultSignOut);
        }
        ReleaseBidding(this);

        if (blnFailed && blnUnknownFail)
            HandToFailureReport();
        if (run.reason.isEmpty()) {
            Unload();
        } else {
            ShowFailure(run.reason);
        }
        FinishRun();
    } catch (const WindowGone &) {
        // Destroyed under the run: nothing of it may be touched any more.
        ReleaseBidding(nullptr);
    }
}

void frmBid::JudgePurchase(Run &run, bool answered)
{
    if (PurchaseConfirmed(answered, run.read)) {
        BidState::Move(ItemNumber, BidState::State::Confirmed);
        return;
    }
    run.reason = PurchaseNotConfirmed(answered ? &run.read : nullptr);
    ReleaseBidding(this);
}

QString frmBid::PurchaseNotConfirmed(const BidReply *reply)
{
    // eBay's refusal is told as it is; any other reply goes to the problem
    // report with the pages.
    const FailureRow *refusal = reply ? PurchaseRefusal(*reply) : nullptr;
    const FailureRow &shown = refusal ? *refusal : PurchaseNotConfirmedRow();
    blnFailed = true;
    blnUnknownFail = refusal == nullptr;
    setWindowTitle(shown.title);
    LogBid(shown.logLine);
    if (refusal) {
        // Refused: nothing was bought, and the group is free.
        BidState::Move(ItemNumber, BidState::State::Refused);
        return shown.reason;
    }
    // Any other reply: only the item page can tell now whether the item was
    // bought, and until it does the row says so.
    BidState::Move(ItemNumber, BidState::State::SentUnknown);
    if (ListItem *row = BidRow())
        row->setTag(SnipeState::OutcomeUnknown);
    return shown.reason;
}

void frmBid::RecordConfirmation(bool succeeded, bool judged, bool refused)
{
    // A confirmation that got no reply may still have gone in: its outcome
    // stays unknown until its page is read after the end.
    using BidState::State;
    BidState::Move(ItemNumber, succeeded ? State::Confirmed
                                   : refused ? State::Refused
                                   : judged  ? State::Failed
                                             : State::SentUnknown);
    // A read of its ended page while the reply was awaited may have shown
    // the outcome unknown; the row follows the state now known.
    ListItem *row = BidRow();
    if (row && row->Tag() == SnipeState::OutcomeUnknown && !BidState::BidOut(BidState::Of(ItemNumber)))
        row->setTag(SnipeState::BidComplete);
}
