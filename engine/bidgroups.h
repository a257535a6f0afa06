#pragma once

#include <QString>

#include <optional>

class frmMainEngine;
class ListItem;
class ListView;

// A bid group is bid on item by item so that at most one of its items is
// won. This computer keeps to that by never having two bids of one group out
// at once: a group item's snipe goes out only while no other item of its
// group was won or has a bid out whose outcome is not known yet.
namespace BidGroups {

// This program's latest bid on the row's item has gone to eBay, and eBay did
// not refuse it.
bool BidSent(const ListItem *row);
// Sent, and what it came to is not known yet: no refresh has read the
// auction over and decided whether it was won.
bool BidOutcomePending(const ListView &list, const ListItem *row);

// The invariant: `group` has at most one item whose bid outcome is pending.
// A row of no group belongs to none.
bool AtMostOneBidOut(const ListView &list, const QString &group);

// Why the snipe on `row` must not go out now, or nothing when it may:
// another item of its group was won, or has a bid out whose outcome is
// pending.
std::optional<QString> SnipeHeldBack(const frmMainEngine &form, const ListItem *row);

} // namespace BidGroups
