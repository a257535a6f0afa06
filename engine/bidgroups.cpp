#include "engine/bidgroups.h"

#include "engine/bidrecord.h"
#include "engine/frmbid.h"
#include "engine/mainformengine.h"
#include "engine/trackedauction.h"
#include "platform/listview.h"

namespace BidGroups {

namespace {

QString groupOf(const ListView &list, const ListItem *row)
{
    return list.Field(row, QStringLiteral("group"));
}

} // namespace

bool BidSent(const ListItem *row)
{
    const QString number = row->Text();
    const BidRecord::Outcome recorded = BidRecord::Of(number);
    if (recorded == BidRecord::Outcome::Failed)
        return false;
    // The window knows it sent even when its record could not be written.
    const frmBid *bid = frmBid::RunFor(number);
    return recorded == BidRecord::Outcome::Sent || recorded == BidRecord::Outcome::Confirmed
        || (bid && bid->ConfirmationSent());
}

bool BidOutcomePending(const ListView &list, const ListItem *row)
{
    if (!BidSent(row))
        return false;
    // Read over: the refresh has decided won or not (a bid eBay never
    // answered counts as not won, as it does for the group's other snipes).
    return list.Field(row, QStringLiteral("timeleft")) != TrackedAuction::kEnded;
}

bool AtMostOneBidOut(const ListView &list, const QString &group)
{
    if (TrackedAuction::IsNoGroup(group))
        return true;
    int out = 0;
    for (int i = 1; i <= list.Count(); ++i) {
        const ListItem *row = list.Item(i);
        if (groupOf(list, row) == group && BidOutcomePending(list, row))
            ++out;
    }
    return out <= 1;
}

std::optional<QString> SnipeHeldBack(const frmMainEngine &form, const ListItem *row)
{
    const ListView &list = *form.lvwAuctions;
    const QString group = groupOf(list, row);
    if (TrackedAuction::IsNoGroup(group))
        return std::nullopt;
    if (form.ItemInGroupWon(group))
        return QStringLiteral("another item of its group was won");
    for (int i = 1; i <= list.Count(); ++i) {
        const ListItem *other = list.Item(i);
        if (other != row && groupOf(list, other) == group && BidOutcomePending(list, other))
            return QStringLiteral("item # ") + other->Text()
                + QStringLiteral(" of its group has a bid out whose outcome is not known yet");
    }
    return std::nullopt;
}

} // namespace BidGroups
