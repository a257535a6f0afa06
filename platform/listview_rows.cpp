// Changes of a long list that cost what they change: one row put back in
// its sorted place, and many rows removed at once.
#include "platform/listview.h"

#include <algorithm>
#include <memory>

void ListView::PlaceInOrder(ListItem *row)
{
    if (!m_sorted || !row || !Holds(row))
        return;
    const int column = SortKey;
    if (column < 0 || column >= std::max(1, int(m_keys.size())))
        return;
    const bool descending = SortOrder == 1;
    const SortValueReader reader = m_sortValues.value(ColumnKey(column).toLower());
    // Whether `a` goes before `b` as setSorted orders them: by value when the
    // column has a reader (rows without one last, whichever the direction),
    // else by text without regard to case.
    auto before = [&](const QTreeWidgetItem *a, const QTreeWidgetItem *b) {
        if (reader) {
            const std::optional<double> va = reader(a->text(column));
            const std::optional<double> vb = reader(b->text(column));
            if (va && vb)
                return descending ? *vb < *va : *va < *vb;
            return va.has_value() && !vb.has_value();
        }
        const int order = a->text(column).compare(b->text(column), Qt::CaseInsensitive);
        return descending ? order > 0 : order < 0;
    };
    const int at = indexOfTopLevelItem(row);
    const int n = topLevelItemCount();
    const bool inPlace = (at == 0 || !before(row, topLevelItem(at - 1)))
        && (at == n - 1 || !before(topLevelItem(at + 1), row));
    if (inPlace)
        return;
    const bool selected = row->isSelected();
    const bool current = currentItem() == row;
    takeTopLevelItem(at);
    // After the rows it does not go before: equal rows keep their order.
    int low = 0;
    int high = n - 1;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (before(row, topLevelItem(middle)))
            high = middle;
        else
            low = middle + 1;
    }
    insertTopLevelItem(low, row);
    if (current)
        setCurrentItem(row);
    row->setSelected(selected);
}

void ListView::RemoveWhere(const std::function<bool(const ListItem *)> &goes)
{
    QList<QTreeWidgetItem *> kept;
    std::vector<std::unique_ptr<QTreeWidgetItem>> gone;
    const ListItem *selected = SelectedItem();
    bool anyGoes = false;
    for (int i = 0; i < topLevelItemCount() && !anyGoes; ++i)
        anyGoes = goes(static_cast<const ListItem *>(topLevelItem(i)));
    if (!anyGoes)
        return;
    const QList<QTreeWidgetItem *> rows = invisibleRootItem()->takeChildren();
    kept.reserve(rows.size());
    for (QTreeWidgetItem *row : rows) {
        if (goes(static_cast<const ListItem *>(row)))
            gone.emplace_back(row);
        else
            kept << row;
    }
    addTopLevelItems(kept);
    if (selected && Holds(selected))
        setSelectedItem(const_cast<ListItem *>(selected));
}
