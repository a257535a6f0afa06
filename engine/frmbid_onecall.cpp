// The one-call bid: a single confirmation request carrying the sign-in
// itself, asked again only while it cannot have reached eBay.
#include "engine/frmbid_run.h"

#include "engine/bidfailures.h"
#include "engine/bidstate.h"
#include "engine/bidrequests.h"
#include "engine/bidresend.h"
#include "engine/mainformengine.h"
#include "engine/outcomesettler.h"
#include "foundation/basgeneral.h"
#include "foundation/globals.h"
#include "foundation/pageaccess.h"
#include "foundation/settingsstore.h"
#include "platform/desktop.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/numberederror.h"
#include "platform/ticktimer.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace basGeneral;
using namespace BidRun;
using namespace BidFailures;

namespace {

constexpr int kCloseCountdown = 60;
constexpr int kPlaceBidRequestLimit = 7; // the retry count up to which PlaceBid asks again

// The error handler of the one-call bid gave up: the message is shown and
// the window unloaded.
struct PlaceBidFailed
{
    int number = 0;
    QString description;
};

// "W" and "F": a stored number goes up by one, anything else becomes 1.
void CountUp(const QString &key)
{
    const QString stored = GetSetting(key, QStringLiteral("0"));
    QString next = QStringLiteral("1");
    if (ReadsAsNumber(stored)) {
        bool ok = false;
        const double value = QString(stored).remove(QLatin1Char(',')).trimmed().toDouble(&ok);
        if (ok)
            next = QString::number(value + 1, 'g', 15);
    }
    SaveSetting(key, next);
}

} // namespace

void frmBid::PlaceBid()
{
    QPointer<frmBid> self(this);
    auto alive = [&self] {
        if (!self)
            throw WindowGone{};
    };
    // One count for the confirmation loop and the error handler.
    int retries = 0;
    // A statement under the error handler: an error with a number runs it
    // again while the count allows, anything else gives up.
    auto guarded = [&](const auto &statement) {
        for (;;) {
            try {
                statement();
                return;
            } catch (const NumberedError &e) {
                ++retries;
                if (e.number() != 0 && retries <= kRetryLimit) {
                    Desktop::DoEvents();
                    alive();
                    continue;
                }
                throw PlaceBidFailed{e.number(), e.description()};
            }
        }
    };

    m_running = true;
    try {
        Desktop::DoEvents();
        alive();
        InetBid->Cancel();
        Desktop::DoEvents();
        alive();

        const QString url = Buy ? BidRequests::OneCallPurchaseURL(strUIID, ItemNumber, Qty, UserName, Password)
                                : BidRequests::OneCallBidURL(strUIID, ItemNumber, MaxBid, Qty, UserName, Password);
        QString reply;
        for (;;) {
            const QString attempt = QString::number(retries);
            guarded([&] { WriteLog(kBidLog, QStringLiteral("Bidding, confirming bid, retry ") + attempt); });
            // A failed request reads as an empty reply.
            BidState::Move(ItemNumber, BidState::State::Sending);
            OutcomeSettler::Follow(ItemNumber);
            bool written = false;
            bool answered = true;
            BidReply::Arrival arrival = BidReply::Arrival::Direct;
            try {
                reply = Fetch(url, &written, true, false, &arrival);
            } catch (const NumberedError &) {
                reply.clear();
                answered = false;
            }
            alive();
            strResultConfirmBid = reply;
            // Only a request that cannot have reached eBay is asked again.
            const bool sendAgain = !answered && retries <= kPlaceBidRequestLimit
                && BidResend::MaySendAgain(written, AuctionOver());

            const BidReply read(reply, ItemTitle(), arrival);
            const bool confirmed = Buy ? PurchaseConfirmed(answered, read)
                                       : !read.cameByRedirect()
                    && (read.says(QStringLiteral("you're currently the highest bidder"))
                        || read.says(QStringLiteral("you're the first bidder.")));
            if (const FailureRow *refused = Buy ? nullptr : OneCallRefusal(read)) {
                blnFailed = true;
                SetHeightTwips(kFailureHeightTwips);
                cmdClose->setEnabled(true);
                setWindowTitle(refused->title);
                txtDetails->setPlainText(refused->reason);
                guarded([refused] { WriteLog(kBidLog, refused->logLine); });
                BidState::Move(ItemNumber, BidState::State::Refused);
            } else if (confirmed) {
                guarded([] { CountUp(QStringLiteral("W")); });
                BidState::Move(ItemNumber, BidState::State::Confirmed);
                if (frmMainShell::isLoaded())
                    if (ListItem *row = MainForm().lvwAuctions->FindItem(ItemNumber))
                        row->setTag(QStringLiteral("Bid complete"));
                guarded([] { WriteLog(kBidLog, QStringLiteral("Bidding, bid confirmed")); });
            } else {
                const QString count = QString::number(retries);
                guarded([&] { WriteLog(kBidLog, QStringLiteral("Bidding, bid not confirmed retry ") + count); });
                if (sendAgain) {
                    ++retries;
                    InetBid->Cancel();
                    Desktop::DoEvents();
                    alive();
                    continue;
                }
                guarded([] { CountUp(QStringLiteral("F")); });
                if (Buy) {
                    const QString reason = PurchaseNotConfirmed(answered ? &read : nullptr);
                    SetHeightTwips(kFailureHeightTwips);
                    txtDetails->setPlainText(reason);
                    if (blnUnknownFail)
                        HandToFailureReport();
                } else {
                    // A reply not understood: no bid stands. None at all:
                    // its outcome is unknown until its page is read.
                    BidState::Move(ItemNumber, reply.isEmpty() ? BidState::State::SentUnknown : BidState::State::Failed);
                    blnFailed = true;
                    HandToFailureReport();
                }
            }

            // A bid with no reply to read ends in the error message.
            if (reply.isEmpty() && !Buy)
                throw PlaceBidFailed{};
            break;
        }

        strResultConfirmBid.remove(QChar(0xC2));
        if (DebugMode)
            guarded([&] { SaveData(reply, QStringLiteral("4result.htm")); });

        BidComplete = true;
        Desktop::DoEvents();
        alive();
        cmdClose->setEnabled(true);
        cmdClose->setFocus();
        CloseTime = kCloseCountdown;
        lblNoAccess->hide();
        ReleaseBidding(this);

        if (!blnFailed) {
            closeTimer->setEnabled(true);
            Desktop::DoEvents();
            alive();
            Unload();
        }
        FinishRun();
    } catch (const PlaceBidFailed &failure) {
        LogBid(QStringLiteral("Bidding, error: ") + failure.description);
        ReleaseBidding(this);
        const QString crlf2 = QStringLiteral("\r\n\r\n");
        Desktop::MsgBox(QStringLiteral("An error occured while bidding: ") + crlf2 + QStringLiteral("Error: ") + failure.description
                       + crlf2
                       + QStringLiteral("Please use Help>Contact support from within this program if you are unable to solve this issue.")
                       + crlf2 + QStringLiteral("Error #") + QString::number(failure.number),
                   Desktop::BoxCritical);
        if (!self)
            return;
        Unload();
        FinishRun();
    } catch (const WindowGone &) {
        ReleaseBidding(nullptr);
    }
}
