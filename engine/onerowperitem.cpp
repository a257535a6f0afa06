#include "engine/onerowperitem.h"

#include "engine/trackedauction.h"
#include "platform/listview.h"

namespace OneRowPerItem {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Where a row keeps its key; the refresh's read schedule uses the role before.
constexpr int kRowKeyRole = Qt::UserRole + 2;

QString lookupKey(const QString &itemNumber)
{
    // The list finds a row by its text without regard to case.
    return ItemKey(itemNumber).toCaseFolded();
}

bool holdsSnipe(const QString &maxBid)
{
    return maxBid != TrackedAuction::kWatching;
}

// A note as the user typed it, on one line.
QString shownNote(QString note)
{
    note.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    note.replace(QStringLiteral("<br>"), QStringLiteral(" / "), Qt::CaseInsensitive);
    return note.trimmed();
}

} // namespace

QString ItemKey(const QString &itemNumber)
{
    return itemNumber.trimmed();
}

ListItem *RowFor(ListView &list, const QString &itemNumber, bool *added)
{
    const QString key = ItemKey(itemNumber);
    ListItem *row = list.FindItem(key);
    if (added)
        *added = row == nullptr;
    return row ? row : list.Add(key);
}

Index::Index(ListView &list) : m_list(list)
{
    m_rows.reserve(list.Count());
    for (int i = 1; i <= list.Count(); ++i) {
        ListItem *row = list.Item(i);
        // The first row of a number is the one FindItem gives.
        const QString key = lookupKey(row->Text());
        if (!m_rows.contains(key))
            m_rows.insert(key, row);
    }
}

ListItem *Index::Find(const QString &itemNumber) const
{
    const QString key = lookupKey(itemNumber);
    ListItem *row = m_rows.value(key, nullptr);
    // A row that has left the list since it was indexed is never handed out:
    // its address is only compared, and a listed row found at that address
    // must still hold the number.
    if (row && (!m_list.Holds(row) || lookupKey(row->Text()) != key))
        row = m_list.FindItem(ItemKey(itemNumber));
    return row;
}

ListItem *Index::RowFor(const QString &itemNumber, bool *added)
{
    ListItem *row = Find(itemNumber);
    if (added)
        *added = row == nullptr;
    if (!row) {
        row = m_list.Add(ItemKey(itemNumber));
        m_rows.insert(lookupKey(itemNumber), row);
    }
    return row;
}

ListItem *Index::Renew(ListItem *row)
{
    const QString number = row->Text();
    m_list.Remove(row->Index());
    ListItem *renewed = m_list.Add(number);
    m_rows.insert(lookupKey(number), renewed);
    return renewed;
}

bool LaterRowKept(const QString &keptMaxBid, const QString &laterMaxBid)
{
    return holdsSnipe(laterMaxBid) && !holdsSnipe(keptMaxBid);
}

QString Describe(const LeftOut &row)
{
    QString text = QStringLiteral("Item #") + row.itemNumber + QStringLiteral(": ") + row.maxBid;
    if (!row.user.isEmpty())
        text += QStringLiteral(" for ") + row.user;
    if (!TrackedAuction::IsNoGroup(row.group))
        text += QStringLiteral(", group \"") + row.group + QLatin1Char('"');
    if (const QString note = shownNote(row.note); !note.isEmpty())
        text += QStringLiteral(", note \"") + note + QLatin1Char('"');
    return text + QStringLiteral(" (the row kept: ") + row.keptMaxBid + QLatin1Char(')');
}

QString Message(const QList<LeftOut> &rows, int shown)
{
    QString text = QStringLiteral("Your items list held the same item number on more than one row. One row is kept for "
                                  "each item (a row with a bid before a watched one, else the first), and these rows were "
                                  "left out, and this computer places no bid of theirs:")
        + kCrLf;
    for (qsizetype i = 0; i < rows.size() && i < shown; ++i)
        text += kCrLf + Describe(rows.at(i));
    if (rows.size() > shown)
        text += kCrLf + QStringLiteral("... and ") + QString::number(rows.size() - shown) + QStringLiteral(" more");
    return text + kCrLf + kCrLf + QStringLiteral("The rows left out are written to the bid log (logbids.txt) as well.");
}

quint64 RowKey(ListItem &row)
{
    static quint64 lastKey = 0; // the user-interface thread only
    const QVariant held = row.data(0, kRowKeyRole);
    if (held.isValid())
        return held.toULongLong();
    row.setData(0, kRowKeyRole, ++lastKey);
    return lastKey;
}

ListItem *RowWithKey(const ListView &list, quint64 key, ListItem *lastSeen)
{
    if (key == 0)
        return nullptr;
    // Held: not deleted, so its key can be read (a new row at a freed
    // address has a key of its own).
    if (lastSeen && list.Holds(lastSeen) && lastSeen->data(0, kRowKeyRole).toULongLong() == key)
        return lastSeen;
    for (int i = 1; i <= list.Count(); ++i) {
        ListItem *row = list.Item(i);
        if (row->data(0, kRowKeyRole).toULongLong() == key)
            return row;
    }
    return nullptr;
}

} // namespace OneRowPerItem
