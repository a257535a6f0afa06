#include "platform/listview.h"

#include "platform/desktop.h"
#include "platform/longpasshold.h"
#include "platform/textranks.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QPointer>
#include <QScopeGuard>
#include <QSet>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <vector>

namespace {

// Lists longer than this are sorted by text through each text's rank.
constexpr int kRankedSortRows = 2000;

} // namespace

ListItem::ListItem(const QString &text) : QTreeWidgetItem(UserType)
{
    QTreeWidgetItem::setText(0, text);
}

void ListItem::setSubItem(int index, const QString &t)
{
    if (index >= 0)
        QTreeWidgetItem::setText(index, t);
}

int ListItem::Index() const
{
    const QTreeWidget *view = treeWidget();
    return view ? view->indexOfTopLevelItem(const_cast<ListItem *>(this)) + 1 : 0;
}

void ListItem::setForeColor(const QColor &c)
{
    m_foreColor = c;
    setForeground(0, c.isValid() ? QBrush(c) : QBrush());
}

QColor ListItem::SubItemForeColor(int index) const
{
    const QBrush b = foreground(index);
    return b.style() == Qt::NoBrush ? QColor() : b.color();
}

void ListItem::setSubItemForeColor(int index, const QColor &c)
{
    setForeground(index, c.isValid() ? QBrush(c) : QBrush());
}

bool ListItem::operator<(const QTreeWidgetItem &other) const
{
    const QTreeWidget *list = treeWidget();
    if (list && list == ListView::s_sortingByValue && other.type() == UserType) {
        const auto *view = static_cast<const ListView *>(list);
        const std::optional<double> &mine = m_sortValue;
        const std::optional<double> &theirs = static_cast<const ListItem &>(other).m_sortValue;
        if (mine && theirs)
            return *mine < *theirs;
        if (mine.has_value() == theirs.has_value())
            return false; // neither has a value: their order stays
        // A row without a value goes last whichever the direction. A
        // descending sort asks "other < this", so the answer turns round.
        return view->m_sortDescending ? !mine.has_value() : mine.has_value();
    }
    const int column = list ? list->sortColumn() : 0;
    return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
}

ListView::ListView(QWidget *parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    setColumnCount(0);
    header()->setSectionsClickable(true);
    connect(header(), &QHeaderView::sectionClicked, this, &ListView::ColumnClick);
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item, int) {
        emit ItemClick(static_cast<ListItem *>(item));
    });
    // The rows held, for Holds(): kept from the model's own signals, which
    // every way of adding, taking or deleting a row sends.
    connect(model(), &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &parent, int first, int last) {
        if (!parent.isValid())
            for (int r = first; r <= last; ++r)
                m_held.insert(topLevelItem(r));
    });
    connect(model(), &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &parent, int first, int last) {
                if (!parent.isValid())
                    for (int r = first; r <= last; ++r)
                        m_held.remove(topLevelItem(r));
            });
    connect(model(), &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_held.clear(); });
}

ListView::~ListView()
{
    model()->blockSignals(true);
}

void ListView::AddColumn(const QString &key, const QString &caption, int widthTwips, Qt::Alignment alignment)
{
    m_keys << key;
    setColumnCount(m_keys.size());
    QTreeWidgetItem *h = headerItem();
    const int column = m_keys.size() - 1;
    h->setText(column, caption);
    h->setTextAlignment(column, alignment | Qt::AlignVCenter);
    h->setData(column, Qt::UserRole, int(alignment));
    if (widthTwips > 0)
        setColumnWidth(column, Desktop::TwipsToPixelsX(widthTwips));
}

void ListView::HoldItemNumbers(int column)
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("888888888888");
    const int needed = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width();
    if (needed > columnWidth(column))
        setColumnWidth(column, needed);
}

void ListView::FitColumnsToContents()
{
    for (int column = 0; column < columnCount(); ++column) {
        const int needed = std::max(header()->sectionSizeHint(column), sizeHintForColumn(column));
        if (needed > columnWidth(column))
            setColumnWidth(column, needed);
    }
}

void ListView::ClearColumns()
{
    m_keys.clear();
    setColumnCount(0);
}

int ListView::SubItemIndex(const QString &key) const
{
    for (int i = 0; i < m_keys.size(); ++i)
        if (m_keys[i].compare(key, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString ListView::ColumnKey(int subItemIndex) const
{
    return subItemIndex >= 0 && subItemIndex < m_keys.size() ? m_keys[subItemIndex] : QString();
}

ListItem *ListView::Add(const QString &text)
{
    auto *item = new ListItem(text);
    if (m_checkBoxes)
        item->setCheckState(0, Qt::Unchecked);
    for (int c = 1; c < m_keys.size(); ++c) {
        const auto align = Qt::Alignment(headerItem()->data(c, Qt::UserRole).toInt());
        if (align & Qt::AlignRight)
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    addTopLevelItem(item);
    return item;
}

ListItem *ListView::Item(int index1) const
{
    return static_cast<ListItem *>(topLevelItem(index1 - 1));
}

void ListView::Remove(int index1)
{
    delete takeTopLevelItem(index1 - 1);
}

void ListView::Clear()
{
    clear();
}

ListItem *ListView::FindItem(const QString &text) const
{
    const int n = topLevelItemCount();
    for (int i = 0; i < n; ++i) {
        auto *item = static_cast<ListItem *>(topLevelItem(i));
        if (item->text(0).compare(text, Qt::CaseInsensitive) == 0)
            return item;
    }
    return nullptr;
}

ListItem *ListView::SelectedItem() const
{
    const auto items = selectedItems();
    return items.isEmpty() ? nullptr : static_cast<ListItem *>(items.first());
}

void ListView::setSelectedItem(ListItem *item)
{
    clearSelection();
    if (item) {
        setCurrentItem(item);
        item->setSelected(true);
    }
}

QString ListView::Field(const ListItem *item, const QString &key) const
{
    return item ? item->SubItem(SubItemIndex(key)) : QString();
}

void ListView::setField(ListItem *item, const QString &key, const QString &value)
{
    if (item)
        item->setSubItem(SubItemIndex(key), value);
}

void ListView::SetSortValue(const QString &key, SortValueReader reader)
{
    if (reader)
        m_sortValues.insert(key.toLower(), std::move(reader));
    else
        m_sortValues.remove(key.toLower());
}

QList<QMetaObject::Connection> ListView::WatchRowOrder(const QObject *context, const std::function<void()> &moved) const
{
    const QAbstractItemModel *rows = model();
    return {
        connect(rows, &QAbstractItemModel::rowsInserted, context, moved),
        connect(rows, &QAbstractItemModel::rowsRemoved, context, moved),
        connect(rows, &QAbstractItemModel::rowsMoved, context, moved),
        connect(rows, &QAbstractItemModel::layoutChanged, context, moved),
        connect(rows, &QAbstractItemModel::modelReset, context, moved),
    };
}

// Gives every row its value of the column. Working the values out may let
// events run, which may change, add or remove rows or sort the list again:
// the texts are copied and their values worked out again when the rows came,
// went or moved, or a text of the column changed meanwhile; rows that keep
// changing get their values in one go, events held. False when the list went
// away or another sort was asked for.
bool ListView::readSortValues(int column, const SortValuesOf &valuesOf, quint64 request)
{
    QPointer<ListView> self(this);
    bool changed = false;
    QAbstractItemModel *rowsModel = model();
    QList<QMetaObject::Connection> watches = WatchRowOrder(this, [&changed] { changed = true; });
    watches << connect(rowsModel, &QAbstractItemModel::dataChanged, this,
                       [&changed, column](const QModelIndex &from, const QModelIndex &to) {
                           if (from.column() <= column && column <= to.column())
                               changed = true;
                       });
    const auto unwatch = qScopeGuard([&watches] {
        for (const QMetaObject::Connection &watch : watches)
            disconnect(watch);
    });
    auto superseded = [&] { return !self || m_sortRequests != request; };

    auto giveValues = [this](const SortValues &values) {
        for (int i = 0; i < topLevelItemCount(); ++i) {
            QTreeWidgetItem *row = topLevelItem(i);
            if (row->type() == QTreeWidgetItem::UserType)
                static_cast<ListItem *>(row)->m_sortValue = values[size_t(i)];
        }
    };
    QList<QString> texts;
    for (int round = 0; round < 4; ++round) {
        changed = false;
        // Copied in slices: reading every row's text is a stall of its own
        // in a long list.
        texts.clear();
        texts.reserve(topLevelItemCount());
        QElapsedTimer sinceEvents;
        sinceEvents.start();
        for (int i = 0; i < topLevelItemCount() && !changed; ++i) {
            texts << topLevelItem(i)->text(column);
            if (sinceEvents.elapsed() < Desktop::kEventSliceMs)
                continue;
            Desktop::DoEvents();
            if (superseded())
                return false;
            sinceEvents.restart();
        }
        if (changed)
            continue;
        const std::optional<SortValues> values = valuesOf(texts, true);
        if (!values || superseded())
            return false;
        // The values go in and the rows move in one go; events run first,
        // so the last slice of the work is not added to it.
        Desktop::DoEvents();
        if (superseded())
            return false;
        if (changed)
            continue;
        giveValues(*values);
        return true;
    }
    // The rows kept changing: their texts now, valued with no event between
    // the copy and the sort, so the list ends in order whatever changed.
    texts.clear();
    for (int i = 0; i < topLevelItemCount(); ++i)
        texts << topLevelItem(i)->text(column);
    const std::optional<SortValues> values = valuesOf(texts, false);
    if (!values)
        return false;
    giveValues(*values);
    return true;
}

void ListView::setSorted(bool on)
{
    m_sorted = on;
    const quint64 request = ++m_sortRequests;
    if (!on)
        return;
    const int column = SortKey;
    const Qt::SortOrder order = SortOrder == 1 ? Qt::DescendingOrder : Qt::AscendingOrder;
    if (column < 0 || column >= std::max(1, int(m_keys.size())))
        return;
    const SortValueReader reader = m_sortValues.value(ColumnKey(column).toLower());
    bool byValue = false;
    QHash<QString, std::optional<double>> readByText; // each text is read once
    auto superseded = [self = QPointer<ListView>(this), request] { return !self || self->m_sortRequests != request; };
    SortValuesOf valuesOf;
    if (reader) {
        valuesOf = [&](const QList<QString> &texts, bool eventsMayRun) -> std::optional<SortValues> {
            SortValues values(size_t(texts.size()));
            QElapsedTimer sinceEvents;
            sinceEvents.start();
            for (qsizetype i = 0; i < texts.size(); ++i) {
                auto known = readByText.constFind(texts.at(i));
                if (known == readByText.cend()) {
                    const std::optional<double> value = reader(texts.at(i));
                    if (superseded())
                        return std::nullopt;
                    known = readByText.insert(texts.at(i), value);
                }
                values[size_t(i)] = *known;
                if (!eventsMayRun || sinceEvents.elapsed() < Desktop::kEventSliceMs)
                    continue;
                Desktop::DoEvents();
                if (superseded())
                    return std::nullopt;
                sinceEvents.restart();
            }
            return values;
        };
    } else if (Count() > kRankedSortRows) {
        // A long list sorted by text is sorted by each text's rank, worked
        // out while events run.
        valuesOf = [](const QList<QString> &texts, bool eventsMayRun) -> std::optional<SortValues> {
            const std::vector<double> ranks =
                eventsMayRun ? TextRanks::RankWhileEventsRun(texts) : TextRanks::Rank(texts);
            return SortValues(ranks.cbegin(), ranks.cend());
        };
    }
    if (valuesOf) {
        const LongPassHold noRefreshInside;
        if (!readSortValues(column, valuesOf, request))
            return;
        // The columns may have been made again while events ran.
        if (column >= std::max(1, int(m_keys.size()))
            || (m_sortValues.value(ColumnKey(column).toLower()) != nullptr) != bool(reader))
            return;
        byValue = true;
    }
    s_sortingByValue = byValue ? this : nullptr;
    m_sortDescending = order == Qt::DescendingOrder;
    const auto done = qScopeGuard([] { s_sortingByValue = nullptr; });
    sortItems(column, order);
}
