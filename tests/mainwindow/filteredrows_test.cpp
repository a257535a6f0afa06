// The list pane's filtered rows, kept between its updates: always exactly the
// rows the filter passes, in the list's order, however the list changed, while
// a row that did not change is not asked again.
#include "mainwindow/filteredrows.h"
#include "platform/listview.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <vector>

namespace {

struct Rows
{
    ListView list;
    Rows()
    {
        list.AddColumn("itemnumber", "Item");
        list.AddColumn("timeleft", "Time Left");
        list.AddColumn("won", "Won");
    }
    void add(int n) { list.setField(list.Add(QString::number(100000 + n)), "timeleft", n % 3 ? "1h" : "Ended"); }
};

// What the pane's filter reads: a row's fields and the chosen filter.
struct Filter
{
    QString chosen = "ended";
    int asked = 0;
    FilteredRows::Filter function(const ListView &list)
    {
        return [this, &list](const ListItem *row) {
            ++asked;
            const bool ended = list.Field(row, "timeleft") == "Ended";
            return chosen == "all" || (chosen == "ended") == ended;
        };
    }
};

std::vector<int> passingIndexes(const ListView &list, Filter filter)
{
    std::vector<int> passing;
    const auto passes = filter.function(list);
    for (int i = 1; i <= list.Count(); ++i)
        if (passes(list.Item(i)))
            passing.push_back(i);
    return passing;
}

std::vector<int> indexesOf(const FilteredRows &rows)
{
    std::vector<int> indexes;
    for (int p = 0; p < rows.Count(); ++p)
        indexes.push_back(rows.ListIndexAt(p));
    return indexes;
}

} // namespace

TEST(FilteredRows, AlwaysTheRowsTheFilterPassesInListOrderHoweverTheListChanged)
{
    for (quint32 seed = 1; seed <= 40; ++seed) {
        QRandomGenerator random(seed);
        Rows rows;
        for (int n = 0; n < 30; ++n)
            rows.add(n);
        Filter filter;
        FilteredRows &index = FilteredRows::Of(rows.list);
        for (int step = 0; step < 200; ++step) {
            const int count = rows.list.Count();
            switch (random.bounded(8)) {
            case 0: // a row ends, or comes back to life
            case 1:
            case 2:
                if (count > 0) {
                    ListItem *row = rows.list.Item(1 + random.bounded(count));
                    rows.list.setField(row, "timeleft", random.bounded(2) ? "Ended" : "5m 3s");
                }
                break;
            case 3: // a field the filter does not read
                if (count > 0)
                    rows.list.setField(rows.list.Item(1 + random.bounded(count)), "won", "True");
                break;
            case 4:
                rows.add(int(random.bounded(1000)));
                break;
            case 5:
                if (count > 0)
                    rows.list.Remove(1 + random.bounded(count));
                break;
            case 6:
                rows.list.SortKey = random.bounded(2);
                rows.list.SortOrder = random.bounded(2);
                rows.list.setSorted(true);
                break;
            case 7:
                filter.chosen = random.bounded(3) == 0 ? "all" : random.bounded(2) ? "ended" : "running";
                break;
            }
            // Several changes may come between two updates of the pane.
            if (random.bounded(3) == 0)
                continue;
            ASSERT_TRUE(index.Update(filter.function(rows.list), filter.chosen));
            ASSERT_EQ(indexesOf(index), passingIndexes(rows.list, filter)) << "seed " << seed << " step " << step;
            EXPECT_FALSE(index.Moved());
        }
    }
}

TEST(FilteredRows, OnlyRowsWhoseFieldsChangedAreAskedAgainUntilTheFilterOrTheRowsMove)
{
    Rows rows;
    constexpr int kRows = 5000;
    for (int n = 0; n < kRows; ++n)
        rows.add(n);
    Filter filter;
    FilteredRows &index = FilteredRows::Of(rows.list);
    ASSERT_TRUE(index.Update(filter.function(rows.list), filter.chosen));
    EXPECT_EQ(filter.asked, kRows);

    // What a refresh does to one row between two updates of the pane.
    filter.asked = 0;
    rows.list.setField(rows.list.Item(17), "timeleft", "Ended");
    rows.list.setField(rows.list.Item(17), "won", "False");
    ASSERT_TRUE(index.Update(filter.function(rows.list), filter.chosen));
    EXPECT_EQ(filter.asked, 1);
    ASSERT_TRUE(index.Update(filter.function(rows.list), filter.chosen));
    EXPECT_EQ(filter.asked, 1);

    // Another filter, or no key to know it by: every row again.
    filter.chosen = "running";
    ASSERT_TRUE(index.Update(filter.function(rows.list), filter.chosen));
    EXPECT_EQ(filter.asked, 1 + kRows);
    ASSERT_TRUE(index.Update(filter.function(rows.list), std::nullopt));
    EXPECT_EQ(filter.asked, 1 + 2 * kRows);

    // A row that comes moves every position after it.
    ASSERT_TRUE(index.Update(filter.function(rows.list), filter.chosen));
    filter.asked = 0;
    rows.add(1);
    EXPECT_TRUE(index.Moved());
    ASSERT_TRUE(index.Update(filter.function(rows.list), filter.chosen));
    EXPECT_EQ(filter.asked, kRows + 1);
}

TEST(FilteredRows, AScanThatLetsEventsRunGivesUpWhenRowsMoveMeanwhileAndStartsAfreshNextTime)
{
    Rows rows;
    for (int n = 0; n < 3000; ++n)
        rows.add(n);
    Filter filter;
    FilteredRows &index = FilteredRows::Of(rows.list);
    // A filter slow enough that the scan pauses; a row is removed in the pause.
    const auto slow = [&](const ListItem *row) {
        volatile double x = 0;
        for (int k = 0; k < 20000; ++k)
            x = x + k;
        return filter.function(rows.list)(row);
    };
    int pauses = 0;
    EXPECT_FALSE(index.Update(slow, filter.chosen, [&] {
        if (pauses++ == 0)
            rows.list.Remove(1);
        return true;
    }));
    ASSERT_GT(pauses, 0);
    EXPECT_TRUE(index.Moved());
    ASSERT_TRUE(index.Update(filter.function(rows.list), filter.chosen));
    EXPECT_EQ(indexesOf(index), passingIndexes(rows.list, filter));
    // A pause that asks to stop stops the scan.
    filter.chosen = "running";
    EXPECT_FALSE(index.Update(slow, filter.chosen, [] { return false; }));
    ASSERT_TRUE(index.Update(filter.function(rows.list), filter.chosen));
    EXPECT_EQ(indexesOf(index), passingIndexes(rows.list, filter));
}
