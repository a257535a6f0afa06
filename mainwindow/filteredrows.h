#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class ListItem;
class ListView;

// The rows of a list that pass the list pane's filter, in the list's order,
// kept between updates of the pane. The pane is brought up to date after
// every row a refresh reads; asking the filter about every row each time made
// a refresh pass cost the square of the list's length. Here a row is asked
// again only when one of its fields changed, and the whole list only when
// rows came, went or moved, or the filter itself changed.
class FilteredRows final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FilteredRows)

public:
    using Filter = std::function<bool(const ListItem *)>;
    // Lets events run during a long scan; false gives the scan up.
    using Pause = std::function<bool()>;

    // The index of `list`, made on first use and kept with the list.
    static FilteredRows &Of(ListView &list);

    // Brings the index up to date for `passes` (no function passes every
    // row). `filterKey` names what the filter depends on: while it stays the
    // same, rows whose fields did not change keep their answer; without one,
    // every row is asked again. A scan of the whole list calls `pause` once
    // per slice of time; false when it gave up, and the index is then asked
    // afresh next time.
    bool Update(const Filter &passes, const std::optional<QString> &filterKey, const Pause &pause = {});

    // After an Update: how many rows pass, and the 1-based list index of the
    // passing row at `position` (0-based among them).
    int Count() const { return int(m_shown.size()); }
    int ListIndexAt(int position) const { return m_shown.at(size_t(position)) + 1; }

    // Whether rows came, went or moved, or the filter changed, since the last
    // Update: positions found before then may name other rows now.
    bool Moved() const { return m_allStale; }

private:
    explicit FilteredRows(ListView &list);
    void markChanged(int firstRow, int lastRow);
    void markAllChanged();
    bool scanAll(const Filter &passes, const Pause &pause);
    void collectShown();

    ListView &m_list;
    std::vector<char> m_passes;  // by list row, from 0
    std::vector<char> m_changed; // by list row: asked again at the next Update
    std::vector<int> m_changedRows;
    std::vector<int> m_shown; // list rows that pass, from 0
    bool m_allStale = true;
    std::optional<QString> m_filterKey;
    quint64 m_moves = 0; // counts the changes that make every row stale
};
