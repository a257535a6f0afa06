#include "engine/countdownrows.h"

#include "engine/trackedauction.h"
#include "platform/listview.h"

#include <QAbstractItemModel>

#include <algorithm>

CountdownRows &CountdownRows::Of(ListView &list)
{
    if (auto *kept = list.findChild<CountdownRows *>(QString(), Qt::FindDirectChildrenOnly))
        return *kept;
    return *new CountdownRows(list);
}

bool CountdownRows::InLastHour(const QString &timeLeft)
{
    const int t = TrackedAuction::TimeLeftSeconds(timeLeft);
    return t > 0 && t < 3600;
}

CountdownRows::CountdownRows(ListView &list) : QObject(&list), m_list(list)
{
    QAbstractItemModel *model = list.model();
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &from, const QModelIndex &to) {
                if (!from.parent().isValid() && m_timeLeftColumn >= from.column() && m_timeLeftColumn <= to.column())
                    review(from.row(), to.row());
            });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &parent, int first, int last) {
        if (!parent.isValid())
            review(first, last);
    });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &parent, int first, int last) {
                if (parent.isValid())
                    return;
                for (int r = first; r <= last; ++r)
                    m_rows.erase(m_list.topLevelItem(r));
            });
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_rows.clear(); });
    connect(model, &QAbstractItemModel::modelReset, this, &CountdownRows::rescan);
    connect(model, &QAbstractItemModel::columnsInserted, this, &CountdownRows::rescan);
    connect(model, &QAbstractItemModel::columnsRemoved, this, &CountdownRows::rescan);
    connect(model, &QAbstractItemModel::headerDataChanged, this, &CountdownRows::rescan);
    rescan();
}

void CountdownRows::findTimeLeftColumn()
{
    m_timeLeftColumn = m_list.SubItemIndex(QStringLiteral("timeleft"));
}

void CountdownRows::rescan()
{
    const int before = m_timeLeftColumn;
    findTimeLeftColumn();
    if (before == m_timeLeftColumn && !m_rows.empty())
        return;
    m_rows.clear();
    review(0, m_list.Count() - 1);
}

void CountdownRows::review(int firstRow, int lastRow)
{
    if (m_timeLeftColumn < 0)
        return;
    QAbstractItemModel *model = m_list.model();
    for (int r = firstRow; r <= lastRow; ++r) {
        const QTreeWidgetItem *row = m_list.topLevelItem(r);
        if (!row)
            continue;
        if (InLastHour(row->text(m_timeLeftColumn)))
            m_rows.try_emplace(row, model->index(r, 0));
        else
            m_rows.erase(row);
    }
}

QList<QPersistentModelIndex> CountdownRows::InListOrder() const
{
    QList<QPersistentModelIndex> rows;
    rows.reserve(qsizetype(m_rows.size()));
    for (const auto &[row, at] : m_rows)
        if (at.isValid())
            rows << at;
    std::sort(rows.begin(), rows.end(),
              [](const QPersistentModelIndex &a, const QPersistentModelIndex &b) { return a.row() < b.row(); });
    return rows;
}
