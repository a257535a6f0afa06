#include "engine/mainformengine.h"

#include "engine/bidgroups.h"
#include "engine/onerowperitem.h"
#include "engine/readfirst.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/ebayuser.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/itemfields.h"
#include "foundation/pageaccess.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/numberederror.h"
#include "platform/toolbar.h"

#include <QAction>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <vector>

using namespace TrackedAuction;

namespace {

bool isItemNumber(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c.unicode() < u'0' || c.unicode() > u'9')
            return false;
    return true;
}

void check(QAction *item, bool on)
{
    if (item)
        item->setChecked(on);
}

bool checked(const QAction *item)
{
    return item && item->isChecked();
}

void toggle(QAction *item)
{
    if (item)
        item->setChecked(!item->isChecked());
}

// Minutes since day zero of a zone-less clock reading, seconds dropped: the
// difference of two of them counts the minute boundaries between two times.
qint64 wholeMinutes(const QDateTime &when)
{
    static const QDate dayZero(1899, 12, 30);
    return dayZero.daysTo(when.date()) * 1440 + when.time().hour() * 60 + when.time().minute();
}

} // namespace

void frmMainEngine::WatchAuction(const QString &strItemNumber)
{
    const QString number = strItemNumber.trimmed();
    if (!isItemNumber(number) || lvwAuctions->FindItem(number))
        return;

    // Each wait below lets events run: the window is looked at after each,
    // and a close asked meanwhile (deferred until this returns) cuts the
    // command short once the row is in the list file.
    QPointer<frmMainEngine> self(this);
    const QString page = basGeneral::GetURL(
        HostRoles::url(HostRoles::Role::Item, QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + number), Inet);
    if (!self || basGeneral::GetItemField(page, QStringLiteral("title")).isEmpty())
        return;
    // The fetch let other events run; one of them may have listed the number.
    if (lvwAuctions->FindItem(number))
        return;

    SetPanelText(QStringLiteral("IEStatus"), QStringLiteral("Adding item..."));
    ListItem *row = OneRowPerItem::RowFor(*lvwAuctions, number);
    lvwAuctions->setField(row, QStringLiteral("maxbid"), kWatching);
    lvwAuctions->setField(row, QStringLiteral("user"), CurrentUser);

    // A refresh pass under way waits below this command (the command came
    // while it let events run): it reads the new row before its other rows.
    // Otherwise the row is read now.
    if (blnRefreshing)
        ReadFirst::AddOnce(number);
    else if (!blnCloseDeferred)
        RefreshAuctions(number, false, true);
    if (!self)
        return;
    lvwAuctions->setSorted(true);
    if (!self)
        return;
    // The new row is saved also when the page cannot be redrawn; the
    // command gives no message either way.
    if (!blnCloseDeferred)
        RedrawHTMLList();
    if (!self)
        return;
    SaveList(false);
    SetPanelText(QStringLiteral("IEStatus"), QString());
}

bool frmMainEngine::ItemPassesFilter(const ListItem *Item) const
{
    if (!Item)
        return false;
    // Asked for every row each time the list pane is brought up to date:
    // with no filter on, the row's fields need not be read at all.
    const bool filtering = checked(mnuFilterMyItems) || checked(mnuFilterActive) || checked(mnuFilterEnded)
        || checked(mnuFilterBidding) || checked(mnuFilterWatching) || checked(mnuFilterWinning)
        || checked(mnuFilterLosing);
    if (!filtering)
        return true;
    const ListView &list = *lvwAuctions;
    const bool watched = list.Field(Item, QStringLiteral("maxbid")) == kWatching;
    const bool ended = list.Field(Item, QStringLiteral("timeleft")) == kEnded;
    const QString won = list.Field(Item, QStringLiteral("won")).toLower();

    if (checked(mnuFilterMyItems) && !SameEbayUser(list.Field(Item, QStringLiteral("user")), CurrentUser))
        return false;
    if (checked(mnuFilterActive) && ended)
        return false;
    if (checked(mnuFilterEnded) && !ended)
        return false;
    if (checked(mnuFilterBidding) && watched)
        return false;
    if (checked(mnuFilterWatching) && !watched)
        return false;
    if (checked(mnuFilterWinning) && won != QLatin1String("true"))
        return false;
    if (checked(mnuFilterLosing) && (won != QLatin1String("false") || watched))
        return false;
    return true;
}

QString frmMainEngine::FilterState() const
{
    QString state;
    for (const QAction *item : {mnuFilterMyItems, mnuFilterActive, mnuFilterEnded, mnuFilterBidding,
                                mnuFilterWatching, mnuFilterWinning, mnuFilterLosing})
        state += checked(item) ? QLatin1Char('1') : QLatin1Char('0');
    return state + CurrentUser;
}

bool frmMainEngine::ItemInGroupTooClose() const
{
    return !GroupRowsTooClose().empty();
}

bool frmMainEngine::ItemInGroupTooClose(const ListItem *Item) const
{
    for (const auto &[a, b] : GroupRowsTooClose())
        if (a == Item || b == Item)
            return true;
    return false;
}

std::vector<std::pair<const ListItem *, const ListItem *>> frmMainEngine::GroupRowsTooClose() const
{
    struct Counted
    {
        const ListItem *row;
        QString group;
        qint64 minute;
    };
    std::vector<Counted> rows;
    const ListView &list = *lvwAuctions;
    for (int i = 1; i <= list.Count(); ++i) {
        const ListItem *row = list.Item(i);
        const QString group = list.Field(row, QStringLiteral("group"));
        if (list.Field(row, QStringLiteral("maxbid")) == kWatching || IsNoGroup(group))
            continue;
        if (!ReadDateText(list.Field(row, QStringLiteral("enddatedisp"))))
            continue;
        // The end time counted with; a row without one cannot be compared.
        const auto end = ReadEndDate(list.Field(row, QStringLiteral("enddate")));
        if (!end)
            continue;
        rows.push_back({row, group, wholeMinutes(*end)});
    }
    std::vector<std::pair<const ListItem *, const ListItem *>> pairs;
    for (size_t a = 0; a < rows.size(); ++a)
        for (size_t b = a + 1; b < rows.size(); ++b) {
            const qint64 d = rows[b].minute - rows[a].minute;
            if (d > -5 && d < 5 && rows[a].row != rows[b].row && rows[a].group == rows[b].group)
                pairs.emplace_back(rows[a].row, rows[b].row);
        }
    return pairs;
}

void frmMainEngine::WarnOfGroupRowsTooClose()
{
    // Told once per pair in a run; the rows stay as they are, and the bid
    // rule keeps the group to one bid out at a time.
    static QSet<QString> told;
    const ListView &list = *lvwAuctions;
    QStringList lines;
    for (const auto &[a, b] : GroupRowsTooClose()) {
        const QString pair = QStringLiteral("Group \"") + list.Field(a, QStringLiteral("group"))
            + QStringLiteral("\": items # ") + a->Text() + QStringLiteral(" and # ") + b->Text();
        if (told.contains(pair))
            continue;
        told.insert(pair);
        lines << pair;
        try {
            basGeneral::WriteLog(QStringLiteral("logbids.txt"), pair + QStringLiteral(" end less than 5 minutes apart"));
        } catch (const NumberedError &) {
        }
    }
    if (lines.isEmpty())
        return;
    const QString crLf = QStringLiteral("\r\n");
    const QString text = QStringLiteral("Items ending less than 5 minutes apart cannot be in the same group.") + crLf + crLf
        + lines.join(crLf) + crLf + crLf
        + QStringLiteral("Only one item of a group is bid on at a time: a snipe whose moment comes while another item "
                         "of its group has a bid out whose outcome is not known yet is not placed.");
    // Shown from the event loop, not inside the tick or the refresh that
    // found the rows: the countdown and the refreshes go on while it waits.
    QTimer::singleShot(0, this, [text] { Desktop::MsgBox(text, Desktop::BoxExclamation); });
}

bool frmMainEngine::ItemInGroupWon(const QString &Grp) const
{
    return BidGroups::GroupWon(*lvwAuctions, Grp);
}

void frmMainEngine::ApplyFilters()
{
    if (!checked(mnuFilterActive) && !checked(mnuFilterEnded) && !checked(mnuFilterBidding)
        && !checked(mnuFilterWatching) && !checked(mnuFilterWinning) && !checked(mnuFilterLosing))
        check(mnuFilterAll, true);
    Toolbar->setValue(QStringLiteral("Filter"), checked(mnuFilterAll) ? 0 : 1);
    // A template that cannot be read leaves the page as it was; the filter
    // stays chosen and shows with the next rebuild.
    RedrawHTMLList();
}

void frmMainEngine::mnuFilterAll_Click()
{
    toggle(mnuFilterAll);
    for (QAction *item : {mnuFilterActive, mnuFilterEnded, mnuFilterBidding, mnuFilterWatching, mnuFilterWinning,
                          mnuFilterLosing})
        check(item, false);
    ApplyFilters();
}

void frmMainEngine::mnuFilterActive_Click()
{
    check(mnuFilterAll, false);
    toggle(mnuFilterActive);
    check(mnuFilterEnded, false);
    ApplyFilters();
}

void frmMainEngine::mnuFilterEnded_Click()
{
    check(mnuFilterAll, false);
    toggle(mnuFilterEnded);
    check(mnuFilterActive, false);
    ApplyFilters();
}

void frmMainEngine::mnuFilterBidding_Click()
{
    check(mnuFilterAll, false);
    toggle(mnuFilterBidding);
    for (QAction *item : {mnuFilterWatching, mnuFilterLosing, mnuFilterWinning})
        check(item, false);
    ApplyFilters();
}

void frmMainEngine::mnuFilterWatching_Click()
{
    check(mnuFilterAll, false);
    toggle(mnuFilterWatching);
    for (QAction *item : {mnuFilterWinning, mnuFilterLosing, mnuFilterBidding})
        check(item, false);
    ApplyFilters();
}

void frmMainEngine::mnuFilterWinning_Click()
{
    check(mnuFilterAll, false);
    toggle(mnuFilterWinning);
    for (QAction *item : {mnuFilterWatching, mnuFilterLosing, mnuFilterBidding})
        check(item, false);
    ApplyFilters();
}

void frmMainEngine::mnuFilterLosing_Click()
{
    check(mnuFilterAll, false);
    toggle(mnuFilterLosing);
    for (QAction *item : {mnuFilterWinning, mnuFilterWatching, mnuFilterBidding})
        check(item, false);
    ApplyFilters();
}

void frmMainEngine::mnuFilterMyItems_Click()
{
    toggle(mnuFilterMyItems);
    ApplyFilters();
}

void frmMainEngine::ConnectFilterMenu()
{
    using Handler = void (frmMainEngine::*)();
    const std::pair<QAction *, Handler> items[] = {
        {mnuFilterAll, &frmMainEngine::mnuFilterAll_Click},
        {mnuFilterActive, &frmMainEngine::mnuFilterActive_Click},
        {mnuFilterEnded, &frmMainEngine::mnuFilterEnded_Click},
        {mnuFilterWatching, &frmMainEngine::mnuFilterWatching_Click},
        {mnuFilterBidding, &frmMainEngine::mnuFilterBidding_Click},
        {mnuFilterWinning, &frmMainEngine::mnuFilterWinning_Click},
        {mnuFilterLosing, &frmMainEngine::mnuFilterLosing_Click},
        {mnuFilterMyItems, &frmMainEngine::mnuFilterMyItems_Click},
    };
    for (const auto &entry : items) {
        QAction *const item = entry.first;
        const Handler handler = entry.second;
        if (!item)
            continue;
        // A check-mark item has already flipped its mark when it reports the
        // choice; the handler does its own toggling, so the flip is undone.
        connect(item, &QAction::triggered, this, [this, item, handler](bool nowChecked) {
            item->setChecked(!nowChecked);
            (this->*handler)();
        });
    }
}
