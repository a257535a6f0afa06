#include "mainwindow/filteredrows.h"

#include "platform/desktop.h"
#include "platform/listview.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QPointer>

FilteredRows &FilteredRows::Of(ListView &list)
{
    if (auto *kept = list.findChild<FilteredRows *>(QString(), Qt::FindDirectChildrenOnly))
        return *kept;
    return *new FilteredRows(list);
}

FilteredRows::FilteredRows(ListView &list) : QObject(&list), m_list(list)
{
    QAbstractItemModel *model = list.model();
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &from, const QModelIndex &to) { markChanged(from.row(), to.row()); });
    list.WatchRowOrder(this, [this] { markAllChanged(); });
    // A filter reads fields by column key: columns made again move them.
    connect(model, &QAbstractItemModel::columnsInserted, this, &FilteredRows::markAllChanged);
    connect(model, &QAbstractItemModel::columnsRemoved, this, &FilteredRows::markAllChanged);
}

void FilteredRows::markChanged(int firstRow, int lastRow)
{
    if (m_allStale)
        return;
    for (int r = firstRow; r <= lastRow; ++r) {
        if (r < 0 || size_t(r) >= m_changed.size() || m_changed[size_t(r)])
            continue;
        m_changed[size_t(r)] = 1;
        m_changedRows.push_back(r);
    }
}

void FilteredRows::markAllChanged()
{
    m_allStale = true;
    ++m_moves;
}

bool FilteredRows::Update(const Filter &passes, const std::optional<QString> &filterKey, const Pause &pause)
{
    if (!filterKey || filterKey != m_filterKey || size_t(m_list.Count()) != m_passes.size())
        m_allStale = true;
    m_filterKey = filterKey;
    if (m_allStale)
        return scanAll(passes, pause);

    bool flipped = false;
    for (int r : m_changedRows) {
        m_changed[size_t(r)] = 0;
        const char now = !passes || passes(m_list.Item(r + 1));
        flipped = flipped || now != m_passes[size_t(r)];
        m_passes[size_t(r)] = now;
    }
    m_changedRows.clear();
    if (flipped)
        collectShown();
    return true;
}

bool FilteredRows::scanAll(const Filter &passes, const Pause &pause)
{
    const size_t rows = size_t(m_list.Count());
    // Rows changed while the scan lets events run are asked again next time;
    // rows that come, go or move meanwhile end the scan.
    m_allStale = false;
    const quint64 moves = m_moves;
    m_passes.assign(rows, 1);
    m_changed.assign(rows, 0);
    m_changedRows.clear();
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    for (size_t r = 0; r < rows && passes; ++r) {
        m_passes[r] = passes(m_list.Item(int(r) + 1));
        if (!pause || sinceEvents.elapsed() < Desktop::kEventSliceMs)
            continue;
        QPointer<FilteredRows> self(this);
        const bool goOn = pause();
        if (!self)
            return false;
        if (!goOn || m_moves != moves) {
            m_allStale = true;
            return false;
        }
        sinceEvents.restart();
    }
    collectShown();
    return true;
}

void FilteredRows::collectShown()
{
    m_shown.clear();
    for (size_t r = 0; r < m_passes.size(); ++r)
        if (m_passes[r])
            m_shown.push_back(int(r));
}
