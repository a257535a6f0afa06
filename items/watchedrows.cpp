#include "items/watchedrows.h"

#include "engine/mainformengine.h"
#include "engine/onerowperitem.h"
#include "foundation/globals.h"
#include "platform/listview.h"

namespace WatchedRows {

bool AddAndSave(frmMainEngine &main, const QString &itemNumber)
{
    bool added = false;
    ListItem *row = OneRowPerItem::RowFor(*main.lvwAuctions, itemNumber, &added);
    if (!added)
        return false;
    const QString number = row->Text();
    main.SetPanelText(QStringLiteral("IEStatus"), QStringLiteral("Adding item..."));
    main.lvwAuctions->setField(row, QStringLiteral("maxbid"), QStringLiteral("(watching)"));
    main.lvwAuctions->setField(row, QStringLiteral("user"), CurrentUser);
    main.RefreshAuctions(number, false, false);
    main.lvwAuctions->setSorted(true);
    main.RedrawHTMLList();
    main.SaveList(false);
    main.SetPanelText(QStringLiteral("IEStatus"), QString());
    return true;
}

} // namespace WatchedRows
