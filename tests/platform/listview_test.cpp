#include "platform/listview.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QTimer>

#include <memory>
#include <optional>

namespace {

ListView *threeColumnList()
{
    auto *lv = new ListView;
    lv->AddColumn("itemnum", "Item Number");
    lv->AddColumn("itemtitle", "Item Title");
    lv->AddColumn("bids", "# of Bids", -1, Qt::AlignRight);
    return lv;
}

} // namespace

TEST(ListView, SortsByTheChosenColumnWithoutRegardToCase)
{
    std::unique_ptr<ListView> lv(threeColumnList());
    for (const auto &[num, title] : {std::pair{"3", "banana"}, {"1", "Apple"}, {"2", "cherry"}})
        lv->setField(lv->Add(num), "itemtitle", title);
    lv->SortKey = 1;
    lv->SortOrder = 0;
    lv->setSorted(true);
    EXPECT_EQ(lv->Item(1)->Text(), "1");
    EXPECT_EQ(lv->Item(3)->Text(), "2");
    lv->SortKey = 0;
    lv->SortOrder = 1;
    lv->setSorted(true);
    EXPECT_EQ(lv->Item(1)->Text(), "3");
    // Rows added later go to the end.
    lv->Add("0");
    EXPECT_EQ(lv->Item(4)->Text(), "0");
}

TEST(ListView, AColumnWithAValueReaderSortsByValueWithTextsWithoutOneLast)
{
    std::unique_ptr<ListView> lv(threeColumnList());
    // "n/a" and "" hold no number; "x" and "y" compare equal.
    const std::pair<const char *, const char *> rows[] = {{"a", "11"}, {"b", "n/a"}, {"c", "2"},  {"d", ""},
                                                          {"e", "9.5"}, {"x", "3"},  {"y", "3"}};
    for (const auto &[num, bids] : rows)
        lv->setField(lv->Add(num), "bids", bids);
    int reads = 0;
    lv->SetSortValue("BIDS", [&](const QString &text) -> std::optional<double> {
        ++reads;
        bool ok = false;
        const double v = text.toDouble(&ok);
        return ok ? std::optional<double>(v) : std::nullopt;
    });
    auto order = [&] {
        QString s;
        for (int i = 1; i <= lv->Count(); ++i)
            s += lv->Item(i)->Text();
        return s;
    };
    lv->SortKey = 2;
    lv->SortOrder = 0;
    lv->setSorted(true);
    EXPECT_EQ(order(), "cxyeabd");
    EXPECT_EQ(reads, 6); // each text once
    lv->SortOrder = 1;
    lv->setSorted(true);
    EXPECT_EQ(order(), "aexycbd");

    // The reader stays when the columns are made again; other columns sort
    // by text.
    lv->ClearColumns();
    lv->AddColumn("itemnum", "Item Number");
    lv->AddColumn("itemtitle", "Item Title");
    lv->AddColumn("bids", "# of Bids");
    lv->SortOrder = 0;
    lv->setSorted(true);
    EXPECT_EQ(order(), "cxyeabd");
    lv->SortKey = 0;
    lv->setSorted(true);
    EXPECT_EQ(order(), "abcdexy");
    // Without the reader the column sorts by text again.
    lv->SetSortValue("bids", nullptr);
    lv->SortKey = 2;
    lv->setSorted(true);
    EXPECT_EQ(order(), "dacxyeb");
}

TEST(ListView, ASortByValueSurvivesAReaderThatLetsEventsRun)
{
    std::unique_ptr<ListView> lv(threeColumnList());
    for (const auto &[num, bids] : {std::pair{"a", "30"}, {"b", "10"}, {"c", "20"}})
        lv->setField(lv->Add(num), "bids", bids);
    // The reader's events change a row, add one and remove one, as a timer
    // tick could.
    bool changed = false;
    lv->SetSortValue("bids", [&](const QString &text) -> std::optional<double> {
        if (!changed) {
            changed = true;
            lv->setField(lv->Item(1), "bids", "5");
            lv->setField(lv->Add("d"), "bids", "15");
            lv->Remove(2);
        }
        return text.toDouble();
    });
    lv->SortKey = 2;
    lv->setSorted(true);
    ASSERT_EQ(lv->Count(), 3);
    EXPECT_EQ(lv->Item(1)->Text(), "a"); // now 5
    EXPECT_EQ(lv->Item(2)->Text(), "d");
    EXPECT_EQ(lv->Item(3)->Text(), "c");

    // A sort asked for while the values are read takes over.
    bool nested = false;
    lv->SetSortValue("bids", [&](const QString &text) -> std::optional<double> {
        if (!nested) {
            nested = true;
            lv->SortKey = 0;
            lv->SortOrder = 1;
            lv->setSorted(true);
        }
        return text.toDouble();
    });
    lv->SortKey = 2;
    lv->SortOrder = 0;
    lv->setSorted(true);
    EXPECT_EQ(lv->Item(1)->Text(), "d");
    EXPECT_EQ(lv->Item(3)->Text(), "a");
}

// A long list sorts by text through each text's rank, worked out while
// events run: the order is the one a comparison of the texts gives, ties
// keeping their order, in both directions, with rows changed meanwhile in
// their new place.
TEST(ListView, ALongListSortsByTextAsComparingTheTextsWouldWhileEventsRun)
{
    for (const int rows : {3, 2001, 20000}) {
        std::unique_ptr<ListView> lv(threeColumnList());
        QRandomGenerator random{quint32(rows)};
        const QString letters = "aAbBcC ";
        for (int n = 0; n < rows; ++n) {
            QString title;
            for (int k = 0; k < 3; ++k)
                title += letters.at(random.bounded(letters.size()));
            lv->setField(lv->Add(QString::number(n)), "itemtitle", title);
        }
        for (const int order : {0, 1, 0}) {
            // In a long list an event changes the first row while the
            // ranks are worked out: it sorts last.
            const bool ranked = rows > 2000;
            const QString changed = order ? "" : "zzzz";
            bool ran = false;
            if (ranked)
                QTimer::singleShot(0, [&] {
                    ran = true;
                    lv->setField(lv->Item(1), "itemtitle", changed);
                });
            lv->SortKey = 1;
            lv->SortOrder = order;
            lv->setSorted(true);
            EXPECT_EQ(ran, ranked);
            for (int i = 2; i <= lv->Count(); ++i) {
                const int c = QString::compare(lv->Item(i - 1)->SubItem(1), lv->Item(i)->SubItem(1), Qt::CaseInsensitive);
                ASSERT_TRUE(order ? c >= 0 : c <= 0) << rows << " rows, at " << i;
            }
            if (ranked)
                EXPECT_EQ(lv->Item(lv->Count())->SubItem(1), changed);
        }
        // Ties keep their order: sorting again by the same column moves nothing.
        QStringList numbers;
        for (int i = 1; i <= lv->Count(); ++i)
            numbers << lv->Item(i)->Text();
        lv->setSorted(true);
        for (int i = 1; i <= lv->Count(); ++i)
            ASSERT_EQ(lv->Item(i)->Text(), numbers.at(i - 1));
    }
}

TEST(ListView, HoldsExactlyTheRowsInTheListHoweverTheyCameAndWent)
{
    ListView list;
    list.AddColumn(QStringLiteral("itemnum"), QStringLiteral("Item"));
    QList<ListItem *> made;
    for (int i = 0; i < 8; ++i)
        made << list.Add(QString::number(i));
    list.Remove(3);                                            // deleted
    ListItem *taken = static_cast<ListItem *>(list.takeTopLevelItem(0)); // taken, not deleted
    list.SortKey = 0;
    list.SortOrder = 1;
    list.setSorted(true);
    list.insertTopLevelItem(2, taken);
    list.takeTopLevelItem(list.indexOfTopLevelItem(made[7]));
    for (ListItem *row : {made[0], made[1], made[3], made[4], made[5], made[6], made[7]})
        EXPECT_EQ(list.Holds(row), list.indexOfTopLevelItem(row) >= 0) << row->Text().toStdString();
    delete made[7];
    list.Clear();
    for (ListItem *row : {made[0], made[1], made[3]})
        EXPECT_FALSE(list.Holds(row));
    made << list.Add(QStringLiteral("new"));
    EXPECT_TRUE(list.Holds(made.last()));
}

// Rows change on every turn of the event loop while a long list is sorted,
// by text or by value: the sort still ends with the list in order by the
// chosen column.
TEST(ListView, ALongSortEndsInOrderThoughRowsChangeOnEveryTurnOfTheEventLoop)
{
    for (const int column : {1, 2}) {
        SCOPED_TRACE(column == 1 ? "by text" : "by value");
        std::unique_ptr<ListView> lv(threeColumnList());
        auto number = [](const QString &text) -> std::optional<double> {
            bool ok = false;
            const double n = text.toDouble(&ok);
            return ok ? std::optional<double>(n) : std::nullopt;
        };
        lv->SetSortValue("bids", number);
        QRandomGenerator random{quint32(column)};
        auto someText = [&random] { return QString::number(random.bounded(100000)); };
        for (int n = 0; n < 30000; ++n) {
            ListItem *row = lv->Add(QString::number(n));
            lv->setField(row, "itemtitle", someText());
            lv->setField(row, "bids", someText());
        }
        int changes = 0;
        QTimer changing;
        QObject::connect(&changing, &QTimer::timeout, [&] {
            ++changes;
            ListItem *row = lv->Item(1 + random.bounded(lv->Count()));
            row->setSubItem(column, someText());
        });
        changing.start(0);
        lv->SortKey = column;
        lv->SortOrder = 0;
        lv->setSorted(true);
        changing.stop();
        EXPECT_GT(changes, 0);
        for (int i = 2; i <= lv->Count(); ++i) {
            const QString before = lv->Item(i - 1)->SubItem(column);
            const QString after = lv->Item(i)->SubItem(column);
            const bool inOrder = column == 1 ? QString::compare(before, after, Qt::CaseInsensitive) <= 0
                                             : *number(before) <= *number(after);
            ASSERT_TRUE(inOrder) << "at " << i << ": " << before.toStdString() << " before " << after.toStdString();
        }
    }
}

TEST(ListView, OneChangedRowOfASortedListGoesToItsPlaceAndTheOthersKeepTheirOrder)
{
    // Texts equal without regard to case, numbers, and texts with no value.
    const QStringList texts = {"apple", "Apple", "b", "B", "10", "9", "2.5", "", "n/a", "cherry"};
    QRandomGenerator random(7);
    for (int trial = 0; trial < 300; ++trial) {
        std::unique_ptr<ListView> lv(threeColumnList());
        const bool byValue = trial % 2 == 1;
        if (byValue)
            lv->SetSortValue("bids", [](const QString &text) -> std::optional<double> {
                bool ok = false;
                const double v = text.toDouble(&ok);
                return ok ? std::optional<double>(v) : std::nullopt;
            });
        const int rows = 1 + int(random.bounded(12));
        for (int i = 0; i < rows; ++i)
            lv->setField(lv->Add(QString::number(i)), byValue ? "bids" : "itemtitle", texts[int(random.bounded(texts.size()))]);
        lv->SortKey = byValue ? 2 : 1;
        lv->SortOrder = int(random.bounded(2));
        lv->setSorted(true);
        ListItem *changed = lv->Item(1 + int(random.bounded(rows)));
        lv->setSelectedItem(changed);
        lv->setField(changed, byValue ? "bids" : "itemtitle", texts[int(random.bounded(texts.size()))]);
        auto othersInOrder = [&] {
            QStringList numbers;
            for (int i = 1; i <= lv->Count(); ++i)
                if (lv->Item(i) != changed)
                    numbers << lv->Item(i)->Text();
            return numbers;
        };
        const QStringList others = othersInOrder();

        lv->PlaceInOrder(changed);
        SCOPED_TRACE(trial);
        ASSERT_EQ(lv->Count(), rows);
        EXPECT_EQ(othersInOrder(), others);
        EXPECT_EQ(lv->SelectedItem(), changed);
        // In order as a whole sort leaves it: the same column texts in the
        // same sequence.
        QStringList placed, sorted;
        for (int i = 1; i <= rows; ++i)
            placed << lv->Field(lv->Item(i), byValue ? "bids" : "itemtitle").toLower();
        lv->setSorted(true);
        for (int i = 1; i <= rows; ++i)
            sorted << lv->Field(lv->Item(i), byValue ? "bids" : "itemtitle").toLower();
        EXPECT_EQ(placed, sorted);
    }
}

TEST(ListView, RemoveWhereTakesThePickedRowsAtOnceAndKeepsTheRestInOrder)
{
    std::unique_ptr<ListView> lv(threeColumnList());
    QList<ListItem *> rows;
    for (int i = 0; i < 9; ++i)
        rows << lv->Add(QString::number(i));
    lv->setSelectedItem(rows[4]);
    int removals = 0;
    QObject::connect(lv->model(), &QAbstractItemModel::rowsRemoved, [&] { ++removals; });
    lv->RemoveWhere([](const ListItem *row) { return row->Text().toInt() % 3 == 0; });
    EXPECT_EQ(removals, 1);
    QStringList left;
    for (int i = 1; i <= lv->Count(); ++i)
        left << lv->Item(i)->Text();
    EXPECT_EQ(left, QStringList({"1", "2", "4", "5", "7", "8"}));
    EXPECT_FALSE(lv->Holds(rows[0]));
    EXPECT_TRUE(lv->Holds(rows[4]));
    EXPECT_EQ(lv->SelectedItem(), rows[4]);
    lv->RemoveWhere([](const ListItem *) { return false; });
    EXPECT_EQ(lv->Count(), 6);
}
