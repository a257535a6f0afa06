#include "engine/bidgroups.h"

#include "engine/bidstate.h"
#include "engine/ebayclock.h"
#include "engine/mainformengine.h"
#include "engine/trackedauction.h"
#include "platform/listview.h"

namespace BidGroups {

namespace {

using BidState::State;

QString groupOf(const ListView &list, const ListItem *row)
{
    return list.Field(row, QStringLiteral("group"));
}

std::optional<QDateTime> endOf(const ListView &list, const ListItem *row)
{
    return EbayClock::EbayMomentBeforeEnd(list.Field(row, QStringLiteral("enddate")), 0);
}

} // namespace

bool BidSent(const ListItem *row)
{
    const State s = BidState::Of(row->Text());
    return BidState::BidOut(s) || BidState::Settled(s);
}

bool BidOutcomePending(const ListItem *row)
{
    return BidState::BidOut(BidState::Of(row->Text()));
}

bool ItemWon(const ListView &list, const ListItem *row)
{
    const State s = BidState::Of(row->Text());
    if (s == State::Won)
        return true;
    // A bid of this program's that is out or lost: only its settled state
    // says won, never the row's fields read before the outcome was.
    if (BidState::BidOut(s) || s == State::Lost)
        return false;
    return list.Field(row, QStringLiteral("won")).toLower() == QLatin1String("true")
        && list.Field(row, QStringLiteral("timeleft")).toLower() == QLatin1String("ended");
}

bool GroupWon(const ListView &list, const QString &group)
{
    if (TrackedAuction::IsNoGroup(group))
        return false;
    for (int i = 1; i <= list.Count(); ++i) {
        const ListItem *row = list.Item(i);
        if (groupOf(list, row) == group && ItemWon(list, row))
            return true;
    }
    return false;
}

bool AtMostOneBidOut(const ListView &list, const QString &group)
{
    if (TrackedAuction::IsNoGroup(group))
        return true;
    int out = 0;
    for (int i = 1; i <= list.Count(); ++i) {
        const ListItem *row = list.Item(i);
        if (groupOf(list, row) == group && BidOutcomePending(row))
            ++out;
    }
    return out <= 1;
}

std::optional<Held> SnipeHeldBack(const frmMainEngine &form, const ListItem *row)
{
    const ListView &list = *form.lvwAuctions;
    const QString group = groupOf(list, row);
    if (TrackedAuction::IsNoGroup(group))
        return std::nullopt;
    if (form.ItemInGroupWon(group))
        return Held{QStringLiteral("another item of its group was won"), false};
    for (int i = 1; i <= list.Count(); ++i) {
        const ListItem *other = list.Item(i);
        if (other != row && groupOf(list, other) == group && BidOutcomePending(other))
            return Held{QStringLiteral("item # ") + other->Text()
                            + QStringLiteral(" of its group has a bid out whose outcome is not known yet"),
                        true};
    }
    // Of the group's snipes ready to go, the one ending soonest goes first:
    // once it is out, the others wait for its outcome.
    const auto ownEnd = endOf(list, row);
    for (int i = 1; ownEnd && i <= list.Count(); ++i) {
        const ListItem *other = list.Item(i);
        if (other == row || groupOf(list, other) != group || BidState::Of(other->Text()) != State::Prepared)
            continue;
        if (const auto otherEnd = endOf(list, other); otherEnd && *otherEnd < *ownEnd)
            return Held{QStringLiteral("item # ") + other->Text() + QStringLiteral(" of its group ends sooner and goes first"),
                        true};
    }
    return std::nullopt;
}

bool MayStillWait(qint64 msecsUntilOwnEnd)
{
    return msecsUntilOwnEnd > kLastSafeMarginMs;
}

} // namespace BidGroups
