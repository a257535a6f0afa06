#pragma once

#include <QString>

class ListItem;
class ListView;

// eBay user IDs do not depend on letter case, and users type theirs as they
// like: every comparison of two IDs (a row's user, the active user, the
// stored accounts, the winner an item page names) goes through here.
bool SameEbayUser(const QString &a, const QString &b);

// The row of `accounts` (a list whose row text is a user ID) for `userId`;
// nullptr when none.
ListItem *FindEbayUser(const ListView &accounts, const QString &userId);
