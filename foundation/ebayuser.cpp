#include "foundation/ebayuser.h"

#include "platform/listview.h"

bool SameEbayUser(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

ListItem *FindEbayUser(const ListView &accounts, const QString &userId)
{
    for (int i = 1; i <= accounts.Count(); ++i) {
        ListItem *row = accounts.Item(i);
        if (SameEbayUser(row->Text(), userId))
            return row;
    }
    return nullptr;
}
