// A snipe's confirmation waiting for its moment: it looks at its row every
// now and then, prepares the bid again for a changed maximum and signs out
// when the bid is taken back.
#include "engine/frmbid_run.h"

#include "engine/mainformengine.h"
#include "engine/trackedauction.h"
#include "foundation/ebayuser.h"
#include "foundation/pageaccess.h"
#include "foundation/timetext.h"
#include "platform/listview.h"

#include <QTimer>

using namespace basGeneral;
using namespace BidRun;

namespace {

constexpr qint64 kRowLookMs = 500; // how often a waiting snipe looks at its row

} // namespace

qint64 frmBid::MsecsUntilConfirmation() const
{
    return ConfirmAt.isValid() ? QDateTime::currentDateTime().msecsTo(ConfirmAt) : 0;
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
        ReleaseBidding();
        return;
    }
    const qint64 waitMs = run.signOutNow ? 0 : MsecsUntilConfirmation();
    if (waitMs > 0) {
        // Woken now and then to look at the row again, so a bid taken back
        // signs out at once rather than at its moment.
        m_confirmTimer->start(int(std::min<qint64>(waitMs, kRowLookMs)));
        return;
    }
    run.heldMs = run.sinceStart.elapsed() - run.holdStartedMs;
    ConfirmAndSignOut();
}

frmBid::RowWish frmBid::ReadRow(QString &amount, qint16 &qty) const
{
    if (m_withdrawn)
        return RowWish::Withdrawn;
    if (!frmMainShell::isLoaded())
        return RowWish::Unchanged;
    const ListView &list = *MainForm().lvwAuctions;
    const ListItem *row = list.FindItem(ItemNumber);
    if (!row)
        return RowWish::Withdrawn;
    const QString maxBid = list.Field(row, QStringLiteral("maxbid"));
    if (maxBid == TrackedAuction::kWatching || row->Tag() == SnipeState::Online
        || !SameEbayUser(list.Field(row, QStringLiteral("user")), UserName))
        return RowWish::Withdrawn;
    // Never more than the row holds: a maximum that no longer reads as one
    // stops the bid.
    amount = GetBidAmount(maxBid);
    bool qtyOk = false;
    const int rowQty = GetBidQty(maxBid).trimmed().toInt(&qtyOk);
    if (!qtyOk || rowQty < 1 || rowQty > 32767 || !ReadsAsNumber(amount) || PriceToDouble(amount) <= 0)
        return RowWish::Withdrawn;
    qty = qint16(rowQty);
    return amount == MaxBid && qty == Qty ? RowWish::Unchanged : RowWish::Changed;
}

void frmBid::FollowRow(Run &run)
{
    // Only a snipe started from a row waits long enough for the row to
    // change; a bid taken back stops whatever it is.
    if (run.signOutNow || (!m_withdrawn && (!BidItem || !ConfirmAt.isValid())))
        return;
    for (;;) {
        QString amount;
        qint16 qty = 0;
        const RowWish wish = ReadRow(amount, qty);
        if (wish == RowWish::Unchanged)
            return;
        if (wish == RowWish::Withdrawn || run.repreparations >= kRetryLimit) {
            LogBid(QStringLiteral("Bid cancelled, signing out"));
            run.signOutNow = true;
            return;
        }
        // eBay's preparation page stands for one amount and quantity: a
        // changed maximum is prepared again rather than confirmed on the
        // tokens of another amount.
        ++run.repreparations;
        LogBid(QStringLiteral("Maximum bid changed to ") + QString::number(qty) + QStringLiteral(" @ ") + amount
               + QStringLiteral(", preparing again"));
        MaxBid = amount;
        Qty = qty;
        strUIID.clear();
        strSTOK.clear();
        SignInAndPrepare(run, true);
        if (run.signOutNow)
            return;
    }
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
