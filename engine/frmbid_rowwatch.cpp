// A snipe's confirmation waiting for its moment: it looks at its row every
// now and then, prepares the bid again for a changed maximum, quantity or
// account and signs out when the bid is taken back. Later starts of a bid on
// the same item come here too.
#include "engine/frmbid_run.h"

#include "engine/bidgroups.h"
#include "engine/confirmationearly.h"
#include "engine/ebayclock.h"
#include "engine/ebayfineclock.h"
#include "engine/mainformengine.h"
#include "engine/missedsnipe.h"
#include "engine/onerowperitem.h"
#include "engine/trackedauction.h"
#include "foundation/ebayuser.h"
#include "foundation/frmsettings.h"
#include "foundation/passwords.h"
#include "foundation/pageaccess.h"
#include "foundation/timetext.h"
#include "platform/listview.h"
#include "platform/readyconnection.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <limits>

using namespace basGeneral;
using namespace BidRun;

namespace {

constexpr qint64 kRowLookMs = 500; // how often a waiting snipe looks at its row
// The confirmation's connection is opened this long before its moment:
// time for its handshakes over a slow path, well inside the time a server
// keeps an idle connection open.
constexpr qint64 kConnectionAheadMs = 3000;
// Connections opened for one confirmation, the first and those opened again
// after the server closed one: a server that keeps closing them gets a fresh
// one at the moment instead.
constexpr int kMaxConfirmationConnections = 4;
// Beyond its handshakes, how long before the moment a connection to a host
// that closes idle ones is ready.
constexpr qint64 kHandshakeMarginMs = 50;
// How often a snipe held for a group item's outcome looks again.
constexpr int kGroupLookMs = 100;
// A connection still in its handshakes this many times as long as they
// should take, and at least kStalledFloorMs, is stalled: another is opened
// beside it.
constexpr qint64 kStalledTimes = 3;
constexpr qint64 kStalledFloorMs = 500;

// How long a connection's handshakes to a host `oneWayMs` away (-1: not
// known yet) take, with a margin: the TCP one and TLS's, a round trip each.
qint64 HandshakesMs(qint64 oneWayMs)
{
    return 4 * std::max<qint64>(0, oneWayMs) + kHandshakeMarginMs;
}

// How long before the moment the confirmation's connection is opened: well
// ahead, or for a host that closed a ready connection idle for `idleMs`,
// its handshakes and half that before, so it is ready and still open then.
qint64 ConnectionAheadMs(qint64 idleMs, qint64 oneWayMs)
{
    if (idleMs < 0)
        return kConnectionAheadMs;
    return std::min(kConnectionAheadMs, HandshakesMs(oneWayMs) + idleMs / 2);
}

// How long a handshake may take before the connection counts as stalled.
qint64 StalledAfterMs(qint64 oneWayMs)
{
    return std::max(kStalledFloorMs, kStalledTimes * HandshakesMs(oneWayMs));
}

} // namespace

qint64 frmBid::MsecsUntilOwnEnd() const
{
    const ListItem *row = BidRow();
    const auto end = row ? EbayClock::EbayMomentBeforeEnd(MainForm().lvwAuctions->Field(row, QStringLiteral("enddate")), 0)
                         : std::nullopt;
    if (!end)
        return 0;
    const qint64 earlyMs = ConfirmationEarly::EarlyMs(OneWayDelayMs());
    return EbayFineClock::MsecsUntil(*end, earlyMs) - earlyMs;
}

qint64 frmBid::MsecsUntilConfirmation() const
{
    // Written early by the confirmation host's one-way delay, so it reaches
    // eBay at the moment. eBay's clock is known better by the time host's:
    // every reading of it was made at least that long after it was written.
    const qint64 earlyMs = ConfirmationEarly::EarlyMs(OneWayDelayMs());
    const qint64 timeOneWayMs = EbayFineClock::QuickestRoundTripMs().value_or(0) / 2;
    return ConfirmAt.isValid() ? EbayFineClock::MsecsUntil(ConfirmAt, timeOneWayMs) - earlyMs : 0;
}

qint64 frmBid::OneWayDelayMs() const
{
    if (!m_run)
        return -1;
    const auto shortest = m_run->shortestRoundTripMs.constFind(QUrl(ConfirmationURL()).host().toLower());
    return shortest == m_run->shortestRoundTripMs.cend() ? -1 : *shortest / 2;
}

void frmBid::OpenConfirmationConnectionInTime()
{
    const qint64 waitMs = MsecsUntilConfirmation() - ConnectionAheadMs(m_hostIdleMs, OneWayDelayMs());
    // Opens the next connection only: one opened since by another path (the
    // first one by ConfirmationDue) is not opened again from here.
    const int opened = m_confirmationConnections;
    QPointer<frmBid> self(this);
    QTimer::singleShot(int(std::clamp<qint64>(waitMs, 0, std::numeric_limits<int>::max())), this, [self, opened] {
        if (self && self->m_running && !self->m_confirmationSent && !(self->m_run && self->m_run->signOutNow)
            && self->m_confirmationConnections == opened)
            self->OpenConfirmationConnection();
    });
}

void frmBid::OpenConfirmationConnection()
{
    if (m_confirmationConnection || m_confirmationConnections >= kMaxConfirmationConnections)
        return;
    ++m_confirmationConnections;
    const QString url = ConfirmationURL();
    auto *connection = new ReadyConnection(QUrl(url, QUrl::TolerantMode), this);
    m_confirmationConnection = connection;
    const std::weak_ptr<Run> run = m_run;
    connect(connection, &ReadyConnection::settled, this, [this, connection, url, run] {
        if (const std::shared_ptr<Run> r = run.lock())
            r->noteRoundTrip(url, connection->roundTripMs());
        if (connection->isReady() || m_confirmationSent)
            return;
        // Refused or closed before the moment: nothing was written on it.
        // The next one is opened from here alone; one the host closed idle
        // is opened again in time to be ready and still open at the moment.
        if (const qint64 idleMs = connection->closedIdleAfterMs(); idleMs >= 0)
            m_hostIdleMs = m_hostIdleMs < 0 ? idleMs : std::min(m_hostIdleMs, idleMs);
        connection->deleteLater();
        // One set aside as stalled has its successor already.
        if (m_confirmationConnection != connection)
            return;
        m_confirmationConnection = nullptr;
        OpenConfirmationConnectionInTime();
    });
    connection->open();
    // A handshake that stalls is not waited on until the moment: another
    // connection is opened beside it then, in time to be ready. The stalled
    // one is set aside (it goes with this window).
    QTimer::singleShot(int(StalledAfterMs(OneWayDelayMs())), connection, [this, connection] {
        if (connection->isOpening() && m_confirmationConnection == connection && !m_confirmationSent) {
            m_confirmationConnection = nullptr;
            OpenConfirmationConnection();
        }
    });
}

void frmBid::HoldConfirmation()
{
    // Signed in and prepared early so the confirmation is ready; it waits for
    // its moment without holding up the tick, the other bids or the window.
    m_run->holdStartedMs = m_run->sinceStart.elapsed();
    ConfirmationDue();
}

void frmBid::ConfirmationDue()
{
    const std::shared_ptr<Run> keep = m_run;
    Run &run = *keep;
    try {
        FollowRow(run);
    } catch (const WindowGone &) {
        ReleaseBidding(nullptr);
        return;
    }
    const qint64 waitMs = run.signOutNow ? 0 : MsecsUntilConfirmation();
    if (waitMs > 0) {
        // The first connection, should the moment have come nearer than it
        // stood when the run scheduled it. Any later one is the closed one's
        // replacement, opened when it settled.
        if (m_confirmationConnections == 0 && waitMs <= ConnectionAheadMs(m_hostIdleMs, OneWayDelayMs()))
            OpenConfirmationConnection();
        // Woken now and then to look at the row again, so a bid taken back
        // signs out at once rather than at its moment.
        m_confirmTimer->start(int(std::min<qint64>(waitMs, kRowLookMs)));
        return;
    }
    // Never waiting for a connection still in its handshakes: the request
    // goes on whichever is ready first, it or a fresh one (OnceFetch).
    if (WaitForGroupOutcome(run.signOutNow)) {
        m_confirmTimer->start(kGroupLookMs);
        return;
    }
    run.heldMs = run.sinceStart.elapsed() - run.holdStartedMs;
    // A moment that came only after the end (the run was held up, or eBay's
    // clock moved past it) sends nothing: ConfirmAndSignOut tells it missed.
    HoldBackForGroup(run.signOutNow);
    ConfirmAndSignOut();
}

bool frmBid::WaitForGroupOutcome(bool signOutNow)
{
    if (signOutNow || !ConfirmAt.isValid() || !frmMainShell::isLoaded())
        return false;
    const ListItem *row = BidRow();
    if (!row)
        return false;
    const auto held = BidGroups::SnipeHeldBack(EngineForm(), row);
    if (!held || !held->awaitingOutcome || !BidGroups::MayStillWait(MsecsUntilOwnEnd()))
        return false;
    if (!m_waitingForGroup) {
        m_waitingForGroup = true;
        LogBid(QStringLiteral("Waiting for the outcome of the bid out in its group: ") + held->reason);
    }
    return true;
}

void frmBid::HoldBackForGroup(bool &signOutNow) const
{
    // Asked at the moment itself, with nothing run in between up to the
    // send: two snipes of a group due in the same second see each other.
    if (signOutNow || !ConfirmAt.isValid() || !frmMainShell::isLoaded())
        return;
    const frmMainEngine &main = EngineForm();
    const ListItem *row = BidRow();
    if (!row)
        return;
    if (const auto held = BidGroups::SnipeHeldBack(main, row)) {
        MissedSnipe::Report(ItemNumber, main.lvwAuctions->Field(row, QStringLiteral("enddate")), held->reason);
        signOutNow = true;
    }
}

ListItem *frmBid::BidRow() const
{
    if (!frmMainShell::isLoaded())
        return nullptr;
    const ListView &list = *MainForm().lvwAuctions;
    return m_rowKey ? OneRowPerItem::RowWithKey(list, m_rowKey, BidItem) : list.FindItem(ItemNumber);
}

QString frmBid::ItemTitle() const
{
    const ListItem *row = BidRow();
    return row ? MainForm().lvwAuctions->Field(row, QStringLiteral("itemtitle")) : QString();
}

frmBid::RowWish frmBid::ReadRow(RowBid &wanted) const
{
    if (m_withdrawn)
        return RowWish::Withdrawn;
    if (!frmMainShell::isLoaded())
        return RowWish::Unchanged;
    const ListView &list = *MainForm().lvwAuctions;
    const ListItem *row = BidRow();
    if (!row)
        return RowWish::Withdrawn;
    const QString maxBid = list.Field(row, QStringLiteral("maxbid"));
    if (maxBid == TrackedAuction::kWatching || row->Tag() == SnipeState::Online)
        return RowWish::Withdrawn;
    // Never more than the row holds: a maximum that no longer reads as one
    // stops the bid.
    wanted.amount = GetBidAmount(maxBid);
    bool qtyOk = false;
    const int rowQty = GetBidQty(maxBid).trimmed().toInt(&qtyOk);
    if (!qtyOk || rowQty < 1 || rowQty > 32767 || !ReadsAsNumber(wanted.amount) || PriceToDouble(wanted.amount) <= 0)
        return RowWish::Withdrawn;
    wanted.qty = qint16(rowQty);
    const QString rowUser = list.Field(row, QStringLiteral("user"));
    wanted.user = SameEbayUser(rowUser, UserName) ? UserName : rowUser;
    return wanted.amount == MaxBid && wanted.qty == Qty && wanted.user == UserName ? RowWish::Unchanged
                                                                                  : RowWish::Changed;
}

bool frmBid::FollowsRow() const
{
    // Only a snipe waits long enough for its row to change, unless another
    // start on the item was handed to this window.
    return BidItem && (ConfirmAt.isValid() || m_laterStart);
}

bool frmBid::SwitchAccount(const QString &user)
{
    if (!frmSettings::isLoaded())
        frmSettings::instance();
    const ListItem *account = FindEbayUser(*frmSettings::instance().lvwUsers, user);
    if (!account)
        return false;
    UserName = user;
    Password = UnscramblePassword(account->Tag());
    return true;
}

void frmBid::FollowRow(Run &run)
{
    // A bid taken back stops whatever it is.
    if (run.signOutNow || (!m_withdrawn && !FollowsRow()))
        return;
    for (;;) {
        RowBid wanted;
        const RowWish wish = ReadRow(wanted);
        if (wish == RowWish::Unchanged)
            return;
        const bool otherAccount = wish == RowWish::Changed && wanted.user != UserName;
        if (wish == RowWish::Withdrawn || run.repreparations >= kRetryLimit || (otherAccount && !SwitchAccount(wanted.user))) {
            LogBid(QStringLiteral("Bid cancelled, signing out"));
            run.signOutNow = true;
            return;
        }
        // eBay's preparation page stands for one account, amount and
        // quantity: a changed row is prepared again rather than confirmed on
        // the tokens of another bid.
        ++run.repreparations;
        if (otherAccount)
            LogBid(QStringLiteral("Account changed to ") + UserName + QStringLiteral(", signing in again"));
        LogBid(QStringLiteral("Maximum bid changed to ") + QString::number(wanted.qty) + QStringLiteral(" @ ")
               + wanted.amount + QStringLiteral(", preparing again"));
        MaxBid = wanted.amount;
        Qty = wanted.qty;
        strUIID.clear();
        strSTOK.clear();
        MainForm().SetStatus(BiddingStatus(MaxBid, ItemNumber), true);
        MainForm().FreezeStatus();
        SignInAndPrepare(run, !otherAccount);
        if (run.signOutNow)
            return;
    }
}

frmBid::LaterStart frmBid::HandLaterStart(const QString &itemNumber, bool isSnipe, bool isBin)
{
    frmBid *form = RunFor(itemNumber);
    if (!form)
        return LaterStart::NoWindow;
    // A second window would sign in and out under this one's session and
    // could send a second confirmation.
    if (form->m_confirmationSent || form->m_withdrawn || (form->m_run && form->m_run->signOutNow))
        return LaterStart::Refused;
    form->m_laterStart = true;
    form->Buy = form->Buy || isBin;
    if (!isSnipe || isBin) {
        // Placed now: confirmed as soon as it is prepared.
        form->ConfirmAt = QDateTime();
    }
    // A waiting confirmation looks at its row at once.
    if (form->m_confirmTimer->isActive())
        form->m_confirmTimer->start(0);
    return LaterStart::Taken;
}

QString frmBid::BiddingStatus(const QString &amount, const QString &itemNumber)
{
    return QStringLiteral("Bidding ") + amount + QStringLiteral(" on item #") + itemNumber + QStringLiteral("...");
}

void frmBid::WithdrawBid()
{
    if (m_confirmationSent || m_withdrawn)
        return;
    m_withdrawn = true;
    // A confirmation waiting for its moment looks at once.
    if (m_confirmTimer->isActive())
        m_confirmTimer->start(0);
}
