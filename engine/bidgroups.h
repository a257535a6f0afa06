#pragma once

#include <QString>

#include <optional>

class frmMainEngine;
class ListItem;
class ListView;

// A bid group is bid on item by item so that at most one of its items is
// won. This computer keeps to that by never having two bids of one group out
// at once: a group item's snipe goes out only while no other item of its
// group was won or has a bid out whose outcome is not known yet. The rule
// reads each item's BidState and nothing else of this program's bids.
namespace BidGroups {

// This program's latest bid on the row's item has gone to eBay and eBay
// did not refuse it (its outcome may be settled since).
bool BidSent(const ListItem *row);
// Sent, and what it came to is not known yet: no read of its ended page has
// settled won or lost.
bool BidOutcomePending(const ListItem *row);
// The row's item was won: its bid settled won, or, for an item this
// program holds no bid on (one the online service placed), the row reads
// won on its ended page.
bool ItemWon(const ListView &list, const ListItem *row);
// Some item of `group` was won.
bool GroupWon(const ListView &list, const QString &group);

// The invariant: `group` has at most one item whose bid outcome is pending.
// A row of no group belongs to none.
bool AtMostOneBidOut(const ListView &list, const QString &group);

// Why the snipe on `row` must not go out now, and whether waiting may
// change that: an item of its group won holds it for good; a bid out whose
// outcome is not known yet holds it until that outcome is read; a prepared
// snipe of its group that ends sooner goes first.
struct Held
{
    QString reason;
    bool awaitingOutcome = false;
};
std::optional<Held> SnipeHeldBack(const frmMainEngine &form, const ListItem *row);

// A snipe held only for an outcome not known yet waits for it past its
// own moment, while its confirmation can still reach eBay safely before its
// own end: until this long before the end (ms, on eBay's clock).
inline constexpr qint64 kLastSafeMarginMs = 1000;
bool MayStillWait(qint64 msecsUntilOwnEnd);

} // namespace BidGroups
