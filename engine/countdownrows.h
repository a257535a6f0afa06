#pragma once

#include <QList>
#include <QObject>
#include <QPersistentModelIndex>

#include <unordered_map>

class ListItem;
class ListView;
class QTreeWidgetItem;

// The rows of a list whose time left reads as less than an hour: the only
// ones the main tick counts down and bids on. Kept up to date from the
// list's own change signals, so a tick costs what these rows cost, however
// long the rest of the list is.
class CountdownRows final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CountdownRows)

public:
    // The index of `list`, made on first use and kept with the list.
    static CountdownRows &Of(ListView &list);

    // Whether a row with this time left is counted down.
    static bool InLastHour(const QString &timeLeft);

    // The rows now in their last hour, in the list's order. An index goes
    // invalid when its row leaves the list.
    QList<QPersistentModelIndex> InListOrder() const;

private:
    explicit CountdownRows(ListView &list);
    void rescan();
    void review(int firstRow, int lastRow);
    void findTimeLeftColumn();

    ListView &m_list;
    int m_timeLeftColumn = -1;
    std::unordered_map<const QTreeWidgetItem *, QPersistentModelIndex> m_rows;
};
