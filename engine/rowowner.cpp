#include "engine/rowowner.h"

#include "foundation/ebayuser.h"
#include "foundation/globals.h"
#include "platform/listview.h"
#include "platform/msgbox.h"

namespace RowOwner {

bool CurrentUserOwns(const ListView &list, const ListItem *row, const QString &refusal)
{
    if (SameEbayUser(list.Field(row, QStringLiteral("user")), CurrentUser))
        return true;
    Desktop::MsgBox(refusal, Desktop::BoxExclamation);
    return false;
}

bool MayEdit(const ListView &list, const ListItem *row)
{
    return CurrentUserOwns(list, row, QStringLiteral("You must be signed in as the user who listed this item to edit it"));
}

bool MayEditItem(const ListView &list, const QString &itemNumber)
{
    const ListItem *row = list.FindItem(itemNumber.trimmed());
    return !row || MayEdit(list, row);
}

} // namespace RowOwner
