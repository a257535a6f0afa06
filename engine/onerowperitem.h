#pragma once

#include <QHash>
#include <QList>
#include <QString>

class ListItem;
class ListView;

// The auction list holds one row per item number, whatever adds it: the
// loader, the wizard, the imports, the online service, the clipboard. A bid,
// a note or a removal finds its row by the number and must meet the row the
// user meant, never a second one that happens to come first.
namespace OneRowPerItem {

// The number a row is listed under: the text without blanks around it.
QString ItemKey(const QString &itemNumber);

// The item's row: the one the list holds, or a new row with the number,
// added at the end (`added` tells which). Every path that adds a tracked
// auction goes through here.
ListItem *RowFor(ListView &list, const QString &itemNumber, bool *added = nullptr);

// The same for many rows at once (the loader): the list's rows looked up by
// number without reading the whole list for each. A row removed behind its
// back is looked up in the list again, never handed out.
class Index
{
public:
    explicit Index(ListView &list);
    ListItem *Find(const QString &itemNumber) const;
    ListItem *RowFor(const QString &itemNumber, bool *added = nullptr);
    // A listed row replaced by a new, empty row for its number.
    ListItem *Renew(ListItem *row);

private:
    ListView &m_list;
    QHash<QString, ListItem *> m_rows; // by case-folded ItemKey
};

// Of two rows a list file holds for one item number, whether the one read
// later is kept instead of the one kept so far: a row with a snipe goes
// before a watched one; of two snipes, or two watched rows, the first stays.
bool LaterRowKept(const QString &keptMaxBid, const QString &laterMaxBid);

// A row left out for holding an item number listed before, as the user is
// told of it: what was typed into it, and the maximum of the row kept.
struct LeftOut
{
    QString itemNumber;
    QString maxBid;
    QString user;
    QString group;
    QString note; // as stored: "<br>" and "&quot;"
    QString keptMaxBid;
};
// One line for the message and the bid log.
QString Describe(const LeftOut &row);
// The message telling the user which rows were left out (at most `shown`
// of them by name).
QString Message(const QList<LeftOut> &rows, int shown = 20);

// A key that names one row as long as it is listed and no other row ever,
// though the row's number may be listed again after it has gone: what a bid
// follows the row it was started for by.
quint64 RowKey(ListItem &row);
// The listed row of that key; nullptr once it has gone. `lastSeen`, where
// the key was found before, is looked at first: a row still listed is found
// at once however long the list (bid windows look several times a second).
ListItem *RowWithKey(const ListView &list, quint64 key, ListItem *lastSeen = nullptr);

} // namespace OneRowPerItem
