// The links of the HTML list page: web links open in the browser below the
// list, "tmr:///" links act on one row (remove, notifications, edit, note)
// or sort the list by a column. The list page itself never navigates away.
#include "engine/itemwindows.h"
#include "engine/rowowner.h"
#include "foundation/frmsplash.h"
#include "foundation/globals.h"
#include "foundation/pageaccess.h"
#include "foundation/settingsstore.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/htmllist.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/numberederror.h"
#include "platform/webbrowser.h"

#include <QPointer>

#include <cmath>

namespace {

const QString kRemove = QStringLiteral("tmr:///remove=");
const QString kRemind = QStringLiteral("tmr:///remind=");
const QString kEdit = QStringLiteral("tmr:///edit=");
const QString kNotes = QStringLiteral("tmr:///notes=");
const QString kSortBy = QStringLiteral("tmr:///sortby=");

[[noreturn]] void fail(const QString &why)
{
    throw NumberedError(ErrorNumber::InvalidProcedureCall, why);
}

// A row link's argument as a 16-bit whole number, rounded half to even the
// way the program has always converted numbers; text that is no number or
// lies outside that range is a failure.
int rowIndexOf(const QString &argument)
{
    if (!basGeneral::ReadsAsNumber(argument))
        fail(QStringLiteral("Type mismatch"));
    QString digits = argument.trimmed();
    digits.remove(QLatin1Char(','));
    const double value = std::nearbyint(digits.toDouble());
    if (value < -32768 || value > 32767)
        fail(QStringLiteral("Overflow"));
    return int(value);
}

void openWebLink(frmMain &main, const QString &url)
{
    if (!main.WebBrowser)
        return;
    if (main.ViewMode == 1)
        main.mnuViewListBrowser_Click();
    main.WebBrowser->Navigate(url);
    main.WebBrowser->setFocus();
}

void openNote(frmMain &main, ListItem *row)
{
    // The row's place among the rows the page shows.
    ListView &list = *main.lvwAuctions;
    int shown = 0;
    for (int i = 1; i <= row->Index(); ++i)
        if (main.ItemPassesFilter(list.Item(i)))
            ++shown;
    WebBrowser &page = *main.HTMLList;
    // The page holds the rows around the view, the clicked one among them.
    const int element = shown < 1 ? -1 : HtmlList::Page::of(page).elementIndexOf(shown - 1);
    const HtmlElement title = page.Element(QStringLiteral("itemtitle"), element);
    const HtmlElement cell = page.Element(QStringLiteral("titlecell"), element);
    if (element < 0 || !title.exists() || !cell.exists())
        fail(QStringLiteral("The row is not on the page"));
    const QString caption = title.innerText();
    // Over the row's title cell, wherever the page is scrolled to.
    const QPoint topLeft = page.mapToGlobal(QPoint(cell.pageLeft(), cell.pageTop() - page.BodyScrollTop()));
    if (ItemWindows::ShowNotes)
        ItemWindows::ShowNotes(caption, topLeft);
}

void sortBy(frmMain &main, const QString &key)
{
    // Every sort turns the order round first, whatever the column.
    ListView &list = *main.lvwAuctions;
    list.SortOrder = list.SortOrder == 0 ? 1 : 0;
    const int column = key == QLatin1String("itemnumber") ? 0 : list.SubItemIndex(key);
    if (column < 0)
        fail(QStringLiteral("No column has the key \"%1\"").arg(key));
    list.SortKey = column;
    QPointer<frmMain> self(&main);
    list.setSorted(true); // reading the values lets events run
    if (!self)
        return;
    SaveSetting(QStringLiteral("Sort Key"), QString::number(list.SortKey));
    SaveSetting(QStringLiteral("Sort Order"), QString::number(list.SortOrder));
    main.RebuildHTMLList();
}

// The command of a "tmr:///" link; throws when it cannot be carried out.
void runListCommand(frmMain &main, const QString &url)
{
    ListView &list = *main.lvwAuctions;
    // The row a row link names, made the selected row.
    auto selectRow = [&](const QString &prefix) {
        ListItem *row = list.Item(rowIndexOf(url.mid(prefix.size())));
        if (!row)
            fail(QStringLiteral("No such row"));
        list.setSelectedItem(row);
        return row;
    };

    if (url.startsWith(kRemove)) {
        ListItem *row = selectRow(kRemove);
        if (RowOwner::CurrentUserOwns(list, row, QStringLiteral("You must be signed in as the user who listed this item to remove it"))
            && ItemWindows::ShowRemove)
            ItemWindows::ShowRemove();
    } else if (url.startsWith(kRemind)) {
        ListItem *row = selectRow(kRemind);
        if (RowOwner::CurrentUserOwns(list, row,
                               QStringLiteral("You must be signed in as the user who listed this item to view or edit "
                                              "notifications"))
            && ItemWindows::ShowRemind)
            ItemWindows::ShowRemind();
    } else if (url.startsWith(kEdit)) {
        // An ended item has nothing left to edit.
        ListItem *row = selectRow(kEdit);
        if (list.Field(row, QStringLiteral("timeleft")) == QLatin1String("Ended"))
            return;
        if (!RowOwner::MayEdit(list, row) || !ItemWindows::EditAuction)
            return;
        // The wizard edits the row while it is open, however it returns.
        struct EditModeOn
        {
            EditModeOn() { EditMode = true; }
            ~EditModeOn() { EditMode = false; }
        } editing;
        ItemWindows::EditAuction(row->Text());
    } else if (url.startsWith(kNotes)) {
        openNote(main, selectRow(kNotes));
    } else if (url.startsWith(kSortBy)) {
        sortBy(main, url.mid(kSortBy.size()));
    }
    // Any other command is only turned down.
}

} // namespace

void frmMain::HTMLList_BeforeNavigate2(const QString &URL, bool &Cancel)
{
    // The list page never goes away: only the blank page and the page the
    // list is written into may load.
    if (HtmlList::IsListPage(*HTMLList, URL))
        return;
    Cancel = true;

    if (URL.startsWith(QLatin1String("http://"))) {
        try {
            openWebLink(*this, URL);
        } catch (const std::exception &) {
            // A web link that cannot be opened is left alone.
        }
        return;
    }
    if (!URL.startsWith(QLatin1String("tmr:///")))
        return; // secure web links and other schemes stay closed
    try {
        runListCommand(*this, URL);
    } catch (const std::exception &) {
        if (frmSplash::isLoaded())
            frmSplash::unloadInstance();
        Desktop::MsgBox(QStringLiteral("Failed to execute list command:\r\n\r\n") + URL, Desktop::BoxExclamation);
    }
}
