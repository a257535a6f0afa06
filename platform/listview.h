#pragma once

#include <QColor>
#include <QHash>
#include <QSet>
#include <QString>
#include <QTreeWidget>

#include <functional>
#include <optional>
#include <vector>

class ListView;

// One row of a report-style list view: its text (column 0), sub-items by
// index (column n), a Tag, a colour, a check box and a 1-based Index.
class ListItem final : public QTreeWidgetItem
{
public:
    explicit ListItem(const QString &text);

    QString Text() const { return text(0); }
    void setText(const QString &t) { QTreeWidgetItem::setText(0, t); }
    // Sub-item n is column n; an index beyond the columns reads as "".
    QString SubItem(int index) const { return index >= 0 ? text(index) : QString(); }
    void setSubItem(int index, const QString &t);
    QString Tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }
    // The 1-based position in the list's current order.
    int Index() const;
    QColor ForeColor() const { return m_foreColor; }
    void setForeColor(const QColor &c);
    QColor SubItemForeColor(int index) const;
    void setSubItemForeColor(int index, const QColor &c);
    bool Checked() const { return checkState(0) == Qt::Checked; }
    void setChecked(bool on) { setCheckState(0, on ? Qt::Checked : Qt::Unchecked); }
    bool Selected() const { return isSelected(); }
    void setSelected(bool on) { QTreeWidgetItem::setSelected(on); }

    bool operator<(const QTreeWidgetItem &other) const override;

private:
    friend class ListView;

    QString m_tag;
    QColor m_foreColor;
    // What the row sorts by while its list sorts a column by value.
    std::optional<double> m_sortValue;
};

// A report-style list view: keyed columns, rows with sub-items and tags,
// find by text, sorting by a column. The program's rules work on its rows
// whether or not it is ever shown.
class ListView final : public QTreeWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListView)

public:
    explicit ListView(QWidget *parent = nullptr);
    // Silences the model first: its rows go after this class's members, and
    // those who follow its signals (Holds() here, indexes kept by others)
    // must not hear of them.
    ~ListView() override;

    // Columns. Column 1 is the row text; column n >= 2 is sub-item n - 1.
    void AddColumn(const QString &key, const QString &caption, int widthTwips = -1,
                   Qt::Alignment alignment = Qt::AlignLeft);
    void ClearColumns();
    // Widens a column (never narrows it) so that a whole item number shows
    // in it, in the list's font: eBay's item numbers have twelve digits.
    void HoldItemNumbers(int column);
    // Widens every column (never narrows one) to its whole heading and its
    // widest value.
    void FitColumnsToContents();
    int ColumnCount() const { return columnCount(); }
    // Sub-item index of a column by key (0 for the first column); -1 if none.
    int SubItemIndex(const QString &key) const;
    QString ColumnKey(int subItemIndex) const;

    // Rows, in the list's current order.
    int Count() const { return topLevelItemCount(); }
    ListItem *Add(const QString &text);
    ListItem *Item(int index1) const; // 1-based
    void Remove(int index1);
    void Clear();
    // The first row whose text equals `text` (case-insensitive, whole text).
    ListItem *FindItem(const QString &text) const;
    // Whether the row is in this list now, at once however long the list is
    // (compares the address only: the row may have been deleted).
    bool Holds(const QTreeWidgetItem *item) const { return m_held.contains(item); }
    ListItem *SelectedItem() const;
    void setSelectedItem(ListItem *item);

    // Calls `moved` whenever rows come, go or change places (added, removed,
    // moved, sorted, the list reset), for as long as `context` lives; the
    // connections returned end it sooner.
    QList<QMetaObject::Connection> WatchRowOrder(const QObject *context, const std::function<void()> &moved) const;

    // Sub-item of a row by column key (the row text for the first column).
    QString Field(const ListItem *item, const QString &key) const;
    void setField(ListItem *item, const QString &key, const QString &value);

    // Sorting: SortKey 0 is the row text, n is sub-item n; SortOrder 0 ascending, 1 descending.
    int SortKey = 0;
    int SortOrder = 0;
    bool Sorted() const { return m_sorted; }
    // Setting it True sorts the rows now by SortKey and SortOrder: by the
    // column's text without regard to case, or by value for a column that
    // has a value reader. Rows that compare equal keep their order.
    void setSorted(bool on);
    // A sorted list with one row changed: that row moves to its place among
    // the others (taken to be in order), the rest stay where they are, at
    // the cost of a few comparisons however long the list.
    void PlaceInOrder(ListItem *row);
    // Removes every row `goes` picks, in one go: a long list hears of two
    // changes, not one per row. No events run.
    void RemoveWhere(const std::function<bool(const ListItem *)> &goes);

    // A column sorted by value: the reader gives the number a text stands
    // for, or nothing for a text that holds none; rows without a value come
    // after all others in both directions. Kept by column key, so it stays
    // when the columns are made again; an empty reader sorts by text again.
    // The reader may let events run: the values are read before the rows
    // move, and a sort asked for meanwhile takes over.
    using SortValueReader = std::function<std::optional<double>(const QString &text)>;
    void SetSortValue(const QString &key, SortValueReader reader);

    bool CheckBoxes() const { return m_checkBoxes; }
    void setCheckBoxes(bool on) { m_checkBoxes = on; }

signals:
    void ItemClick(ListItem *item);
    void ColumnClick(int column);

private:
    friend class ListItem;
    // The values of the texts, in their order; nothing when the sort was
    // given up. Lets events run only when told it may.
    using SortValues = std::vector<std::optional<double>>;
    using SortValuesOf = std::function<std::optional<SortValues>(const QList<QString> &texts, bool eventsMayRun)>;
    bool readSortValues(int column, const SortValuesOf &valuesOf, quint64 request);

    QStringList m_keys;
    QSet<const QTreeWidgetItem *> m_held;
    bool m_sorted = false;
    bool m_checkBoxes = false;
    QHash<QString, SortValueReader> m_sortValues; // by lower-case column key
    quint64 m_sortRequests = 0;
    // The list whose rows are being sorted by value, and the direction
    // asked for: looked up on every comparison.
    static inline const ListView *s_sortingByValue = nullptr;
    bool m_sortDescending = false;
};
