#include "items/watchedrows.h"

#include "engine/mainformengine.h"
#include "engine/onerowperitem.h"
#include "engine/readfirst.h"
#include "foundation/globals.h"
#include "platform/listview.h"

#include <QPointer>

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
    // The row's refresh lets events run: the window is looked at after it.
    // A pass under way below the import reads the row first instead, and a
    // close waiting for the import leaves the row to be read next time.
    QPointer<frmMainEngine> window(&main);
    if (main.blnRefreshing)
        ReadFirst::AddOnce(number);
    else if (!main.blnCloseDeferred)
        main.RefreshAuctions(number, false, false);
    if (!window)
        return true;
    main.lvwAuctions->setSorted(true);
    if (!window)
        return true;
    if (!main.blnCloseDeferred)
        main.RedrawHTMLList();
    if (!window)
        return true;
    main.SaveList(false);
    main.SetPanelText(QStringLiteral("IEStatus"), QString());
    return true;
}

} // namespace WatchedRows
