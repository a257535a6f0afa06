#pragma once

#include <QString>

class ListItem;
class ListView;

// A row belongs to the eBay account that listed it: only that account,
// signed in, changes it. Every way to a row's windows asks here.
namespace RowOwner {

// Whether the row's user is the active user; otherwise tells the user
// `refusal` (exclamation icon).
bool CurrentUserOwns(const ListView &list, const ListItem *row, const QString &refusal);

// The edit rule: the wizard opens on an item number that is not tracked, or
// on a row of the active user; another account's row is refused with the
// Edit link's message.
bool MayEdit(const ListView &list, const ListItem *row);
bool MayEditItem(const ListView &list, const QString &itemNumber);

} // namespace RowOwner
