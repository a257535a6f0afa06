// One row per item number: a list file holding a number on several rows
// loads one of them (a snipe before a watched row, else the first) and the
// user is told of every row left out; the other ways in add no second row.
#include "tests/engine/enginetestutil.h"

#include "engine/onerowperitem.h"
#include "foundation/basgeneral.h"
#include "items/watchedrows.h"
#include "platform/listview.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace EngineTest;

namespace {

const QString kNumber = QStringLiteral("110000000001");
const QString kOther = QStringLiteral("110000000002");

struct Listed
{
    QString number;
    QString maxBid;
    QString note;
};

QByteArray data6Line(const Listed &row)
{
    return Line({row.number, "Brass lamp", "Retrieving...", "N/A", "0", "1", "US $1.00", row.maxBid, "alice", "", row.note, "",
                 "", "", "", "", row.maxBid == "(watching)" ? "" : "Local"});
}

QString bidLog()
{
    QFile f(basGeneral::DataFolder() + "logbids.txt");
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

QString field(const ListItem *row, const char *key)
{
    return EngineForm().lvwAuctions->Field(row, QString::fromLatin1(key));
}

// The rows one number has in a file of `count` rows, row i a snipe when bit
// i of `snipes` is set; each has an amount and a note of its own.
QList<Listed> rowsOf(const QString &number, int count, unsigned snipes)
{
    QList<Listed> rows;
    for (int i = 0; i < count; ++i)
        rows << Listed{number, (snipes >> i) & 1 ? QStringLiteral("1 @ %1.00").arg(10 + i) : QStringLiteral("(watching)"),
                       QStringLiteral("typed &quot;%1&quot;<br>on row %2").arg(number.right(1)).arg(i)};
    return rows;
}

// The row the rule keeps: the first snipe, else the first row.
qsizetype keptIndex(const QList<Listed> &rows)
{
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (rows[i].maxBid != "(watching)")
            return i;
    return 0;
}

} // namespace

TEST(OneRowPerItem, EveryOrderOfSnipesAndWatchedRowsLoadsOneRowAndNamesTheOthers)
{
    for (int count = 1; count <= 5; ++count) {
        for (unsigned snipes = 0; snipes < (1u << count); ++snipes) {
            SCOPED_TRACE(QStringLiteral("%1 rows, snipes %2").arg(count).arg(snipes, count, 2, QLatin1Char('0')).toStdString());
            // The other number has the opposite order, written with blanks
            // around it on every other row, between the first number's rows.
            const QList<Listed> first = rowsOf(kNumber, count, snipes);
            QList<Listed> other = rowsOf(kOther, count, ~snipes & ((1u << count) - 1));
            QByteArray file;
            for (int i = 0; i < count; ++i) {
                if (i % 2)
                    other[i].number = QStringLiteral("  ") + kOther + QStringLiteral(" ");
                file += data6Line(first[i]) + data6Line(other[i]);
            }
            RemoveListFiles();
            RemoveDataFile("logbids.txt");
            WriteDataFile("data6.dat", file);
            MsgBoxScript::instance().clear();
            TestEngineForm &f = FreshForm();
            f.LoadListFiles();

            ASSERT_EQ(f.lvwAuctions->Count(), 2);
            const QString log = bidLog();
            for (const QList<Listed> &rows : {first, other}) {
                const qsizetype kept = keptIndex(rows);
                const ListItem *row = f.lvwAuctions->FindItem(kNumber == rows[0].number ? kNumber : kOther);
                ASSERT_NE(row, nullptr);
                EXPECT_EQ(field(row, "maxbid"), rows[kept].maxBid);
                EXPECT_EQ(field(row, "note"), rows[kept].note);
                EXPECT_EQ(row->Tag(), rows[kept].maxBid == "(watching)" ? "" : "Local");
                for (qsizetype i = 0; i < rows.size(); ++i) {
                    if (i == kept)
                        continue;
                    const QString told = QStringLiteral("Item #") + rows[0].number.trimmed() + ": " + rows[i].maxBid
                        + QStringLiteral(" for alice, note \"typed \"%1\" / on row %2\" (the row kept: ")
                              .arg(rows[0].number.trimmed().right(1))
                              .arg(i)
                        + rows[kept].maxBid + ")";
                    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
                    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().contains(told)) << told.toStdString();
                    EXPECT_TRUE(log.contains("Listed twice, row left out: " + told)) << told.toStdString();
                }
            }
            if (count == 1)
                EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());
        }
    }
}

TEST(OneRowPerItem, ASnipeInAnOlderFileTakesThePlaceOfTheWatchedRowAndIsSavedAlone)
{
    RemoveListFiles();
    MsgBoxScript::instance().clear();
    WriteDataFile("data6.dat", data6Line({kNumber, "(watching)", "watch only"}));
    // The older layout: number ... maxbid, user, group, note, shipping, won, Tag.
    WriteDataFile("data4.dat", Line({kNumber, "Brass lamp", "Retrieving...", "N/A", "0", "1", "US $1.00", "1 @ 70.00", "alice",
                                     "", "bid this", "", "", "Local"}));
    TestEngineForm &f = FreshForm();
    f.LoadListFiles();

    ASSERT_EQ(f.lvwAuctions->Count(), 1);
    EXPECT_EQ(field(f.lvwAuctions->Item(1), "maxbid"), "1 @ 70.00");
    EXPECT_EQ(field(f.lvwAuctions->Item(1), "note"), "bid this");
    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().contains(
        "Item #" + kNumber + ": (watching) for alice, note \"watch only\" (the row kept: 1 @ 70.00)"));
    // The merged list replaced the older file with the one row.
    EXPECT_EQ(ReadDataFile("data6.dat").count("\r\n"), 1);
    EXPECT_FALSE(QFile::exists(DataPath("data4.dat")));
}

TEST(OneRowPerItem, TheOtherWaysInAddNoSecondRowForANumberWrittenWithBlanks)
{
    RemoveListFiles();
    TestEngineForm &f = FreshForm();
    ListItem *listed = AddRow(kNumber, {{"maxbid", "1 @ 55.00"}}, "Local");
    for (const QString &written : {kNumber, " " + kNumber, kNumber + "\r\n", "\t" + kNumber + " "}) {
        bool added = true;
        EXPECT_EQ(OneRowPerItem::RowFor(*f.lvwAuctions, written, &added), listed);
        EXPECT_FALSE(added);
        // The imports (watching list, online service) add through it.
        EXPECT_FALSE(WatchedRows::AddAndSave(f, written));
    }
    EXPECT_EQ(f.lvwAuctions->Count(), 1);
    EXPECT_EQ(field(listed, "maxbid"), "1 @ 55.00");

    bool added = false;
    ListItem *fresh = OneRowPerItem::RowFor(*f.lvwAuctions, " " + kOther + " ", &added);
    EXPECT_TRUE(added);
    EXPECT_EQ(fresh->Text(), kOther);
}

// A watched row replaced by a later snipe of its number leaves the list: a
// third record of the number, and any later look-up, meet only listed rows
// (the address of a deleted row is never followed; the sanitizer run sees to
// the loader's part).
TEST(OneRowPerItem, AnIndexHandsOutOnlyRowsTheListHolds)
{
    RemoveListFiles();
    MsgBoxScript::instance().clear();
    WriteDataFile("data6.dat", data6Line({kNumber, "(watching)", "first"}) + data6Line({kNumber, "1 @ 30.00", "second"})
                                   + data6Line({kNumber, "(watching)", "third"}));
    TestEngineForm &f = FreshForm();
    f.LoadListFiles();
    ASSERT_EQ(f.lvwAuctions->Count(), 1);
    EXPECT_EQ(field(f.lvwAuctions->Item(1), "note"), "second");
    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().contains("Item #" + kNumber + ": (watching) for alice, note \"third\""));

    OneRowPerItem::Index index(*f.lvwAuctions);
    ListItem *renewed = index.Renew(f.lvwAuctions->Item(1));
    EXPECT_EQ(index.Find(" " + kNumber), renewed);
    EXPECT_EQ(f.lvwAuctions->Count(), 1);
    // Removed behind the index's back, then listed again by another way in.
    f.lvwAuctions->Remove(renewed->Index());
    EXPECT_EQ(index.Find(kNumber), nullptr);
    ListItem *again = f.lvwAuctions->Add(kNumber);
    EXPECT_EQ(index.Find(kNumber), again);
    bool added = true;
    EXPECT_EQ(index.RowFor(kNumber, &added), again);
    EXPECT_FALSE(added);
}

TEST(OneRowPerItem, ARowKeyFindsItsRowWhereverItMovesAndNothingOnceItHasGone)
{
    ListView list;
    list.AddColumn(QStringLiteral("itemnum"), QStringLiteral("Item Number"));
    for (const char *number : {"30", "10", "20"})
        list.Add(QString::fromLatin1(number));
    ListItem *row = list.Item(2);
    const quint64 key = OneRowPerItem::RowKey(*row);
    EXPECT_EQ(OneRowPerItem::RowKey(*row), key);
    for (ListItem *lastSeen : {static_cast<ListItem *>(nullptr), row, list.Item(1)}) {
        EXPECT_EQ(OneRowPerItem::RowWithKey(list, key, lastSeen), row);
    }
    list.sortItems(0, Qt::AscendingOrder);
    EXPECT_EQ(OneRowPerItem::RowWithKey(list, key, row), row);

    // Gone, and its number listed again (perhaps at the same address): the
    // key names no row, whatever was last seen.
    list.Remove(1);
    ListItem *again = list.Add(QStringLiteral("10"));
    for (ListItem *lastSeen : {static_cast<ListItem *>(nullptr), row, again})
        EXPECT_EQ(OneRowPerItem::RowWithKey(list, key, lastSeen), nullptr);
    EXPECT_NE(OneRowPerItem::RowKey(*again), key);
}
