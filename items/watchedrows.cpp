#include "items/watchedrows.h"

#include "engine/mainformengine.h"
#include "foundation/globals.h"
#include "platform/listview.h"

namespace WatchedRows {

bool AddAndSave(frmMainEngine &main, const QString &number)
{
    if (main.lvwAuctions->FindItem(number))
        return false;
    main.SetPanelText(QStringLiteral("IEStatus"), QStringLiteral("Adding item..."));
    ListItem *row = main.lvwAuctions->Add(number);
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
