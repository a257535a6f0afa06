#include "tests/engine/enginetestutil.h"

#include "engine/listfileformat.h"
#include "engine/listsavewriter.h"
#include "engine/listsaving.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/settingsstore.h"
#include "foundation/timetext.h"
#include "platform/ansi.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/numberederror.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/filemode.h"
#include "tests/support/programended.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSemaphore>
#include <QThread>

#include <thread>

using namespace EngineTest;
using ListFile::QuotedFieldReader;

namespace {

const QString kData6 = QStringLiteral("data6.dat");
const QStringList kStates = {"", "Local", "Online", "Both", "Ready to bid", "Bid complete", "Other in group won"};

QString field(const ListItem *row, const char *key)
{
    return EngineForm().lvwAuctions->Field(row, QString::fromLatin1(key));
}

// Every value of every row: text, sub-items, Tag.
QList<QStringList> snapshot()
{
    const ListView *list = EngineForm().lvwAuctions;
    QList<QStringList> rows;
    for (int i = 1; i <= list->Count(); ++i) {
        QStringList values;
        for (int c = 0; c < list->ColumnCount(); ++c)
            values << list->Item(i)->SubItem(c);
        values << list->Item(i)->Tag();
        rows << values;
    }
    return rows;
}

// A thousand rows with quotes, commas, notes with line breaks, every bid
// state and every kind of end date the list holds.
void fillThousandRows()
{
    const QDateTime base(QDate(2024, 11, 28), QTime(19, 4, 31));
    for (int i = 0; i < 1000; ++i) {
        const QDateTime end = base.addSecs(qint64(i) * 2237);
        const bool noEnd = i % 17 == 0;
        AddRow(QString::number(110000000000LL + i),
               {{"itemtitle", QStringLiteral("Lamp \"Art Deco\", brass & glass, caf\u00e9 no. %1").arg(i)},
                {"timeleft", i % 5 == 0 ? QStringLiteral("Ended") : QStringLiteral("1 d 2 h ")},
                {"enddatedisp", noEnd ? QStringLiteral("N/A") : basGeneral::DateText(end)},
                {"enddate", noEnd ? QStringLiteral("N/A") : TrackedAuction::EndDateSerial(end)},
                {"bids", QString::number(i % 23)},
                {"qty", QStringLiteral("1")},
                {"currentbid", QStringLiteral("US $1,%1.50").arg(i % 1000, 3, 10, QLatin1Char('0'))},
                {"maxbid", i % 3 == 0 ? QStringLiteral("(watching)") : QStringLiteral("%1 @ 25.00").arg(1 + i % 2)},
                {"user", i % 4 == 0 ? QStringLiteral("other user") : QStringLiteral("buyer1")},
                {"group", i % 6 == 0 ? QStringLiteral("Lenses, old") : (i % 6 == 1 ? "N/A" : "")},
                {"note", i % 2 ? QStringLiteral("first line, &quot;quoted&quot;<br>second line<br>") : QString()},
                {"shipping", QStringLiteral("US $4.00")},
                {"seller", QStringLiteral("seller_%1").arg(i % 9)},
                {"picture", QStringLiteral("http://pics.example/%1.jpg").arg(i)},
                {"won", i % 5 == 0 ? (i % 2 ? QStringLiteral("True") : QStringLiteral("False")) : QString()},
                {"reminders", i % 7 == 0 ? QStringLiteral("bqt5[0]p10.5;") : QString()}},
               kStates[i % kStates.size()]);
    }
}

} // namespace

TEST(QuotedFieldLine, ReaderFollowsTheLineRules)
{
    QuotedFieldReader r(QStringLiteral("  \"a, b\" ,plain  ,\"x\"junk,\r\n\"multi\r\nline\",\"\",\"last\"\r\n\r\n  "));
    EXPECT_EQ(r.ReadRecord(4), QStringList({"a, b", "plain", "x", ""}));
    EXPECT_EQ(r.ReadRecord(3), QStringList({"multi\r\nline", "", "last"}));
    EXPECT_TRUE(r.AtEnd());

    // A line end separates fields like a comma.
    QuotedFieldReader split(QStringLiteral("\"1\",\"2\"\r\n\"3\"\n\"4\""));
    EXPECT_EQ(split.ReadRecord(4), QStringList({"1", "2", "3", "4"}));

    // A record cut short, or a quote never closed, is past the end.
    QuotedFieldReader shortRecord(QStringLiteral("\"1\",\"2\"\r\n"));
    try {
        shortRecord.ReadRecord(3);
        FAIL() << "no error";
    } catch (const NumberedError &e) {
        EXPECT_EQ(e.number(), 62);
        EXPECT_EQ(e.description(), "Input past end of file");
    }
    QuotedFieldReader open(QStringLiteral("\"1\",\"2"));
    EXPECT_THROW(open.ReadRecord(2), NumberedError);
}

TEST(ListFileSave, ThousandRowsComeBackByteForByte)
{
    RemoveListFiles();
    FreshForm();
    fillThousandRows();
    const QList<QStringList> before = snapshot();
    EngineForm().SaveList(false);
    const QByteArray saved = ReadDataFile(kData6);
    ASSERT_FALSE(saved.isEmpty());
    EXPECT_TRUE(saved.endsWith("\r\n"));
    EXPECT_EQ(saved.count("\r\n"), 1000);
    EXPECT_TRUE(saved.contains("caf\xe9")); // Windows-1252, one byte

    TestEngineForm &f = FreshForm();
    f.LoadListFiles();
    EXPECT_TRUE(f.blnListLoaded);
    ASSERT_EQ(f.lvwAuctions->Count(), 1000);
    // Nothing changes on the way, except that the end time is the one second
    // the file keeps and every row is greyed until refreshed.
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(f.lvwAuctions->Item(1)->ForeColor(), QColor(150, 150, 150));
    EXPECT_EQ(field(f.lvwAuctions->Item(2), "note"), "first line, &quot;quoted&quot;<br>second line<br>");
    EXPECT_EQ(field(f.lvwAuctions->Item(1), "enddate"), "N/A");

    f.SaveList(false);
    EXPECT_EQ(ReadDataFile(kData6), saved);

    // The end date is stored in one form whatever the system's date form.
    QuotedFieldReader reader(ListFile::DecodeFile(saved));
    reader.ReadRecord(17);
    const QStringList second = reader.ReadRecord(17);
    EXPECT_EQ(second[3], "2024-11-28 19:41:48");
    EXPECT_EQ(second[1], "Lamp &quot;Art Deco&quot;, brass & glass, caf\u00e9 no. 1");
    EXPECT_EQ(second[16], "Local");
}

TEST(ListFileSave, SafeDataEmptyListsAndFailures)
{
    RemoveListFiles();
    TestEngineForm &f = FreshForm();
    AddRow("5", {{"itemtitle", "A <b>bold</b> \"word\""},
                 {"group", "My \"best\""},
                 {"user", "a\"b"},
                 {"note", "two<br>lines <i>here</i>"},
                 {"maxbid", "1 @ 2.00"},
                 {"enddatedisp", "N/A"}});
    f.SaveList(false);
    const QString line = ListFile::DecodeFile(ReadDataFile(kData6));
    EXPECT_EQ(line, "\"5\",\"A <b>bold</b> &quot;word&quot;\",\"\",\"N/A\",\"\",\"\",\"\",\"1 @ 2.00\",\"a&quot;b\","
                    "\"My &quot;best&quot;\",\"two<br>lines <i>here</i>\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n");

    // Back in: every field as it was; the note keeps its own encoding.
    FreshForm().LoadListFiles();
    ListItem *row = EngineForm().lvwAuctions->Item(1);
    EXPECT_EQ(field(row, "itemtitle"), "A <b>bold</b> \"word\"");
    EXPECT_EQ(field(row, "group"), "My \"best\"");
    EXPECT_EQ(field(row, "user"), "a\"b");
    EXPECT_EQ(field(row, "note"), "two<br>lines <i>here</i>");
    EXPECT_EQ(field(row, "enddatedisp"), "N/A");
    EXPECT_EQ(field(row, "enddate"), "N/A");

    // An empty list leaves the file alone unless asked to empty it.
    TestEngineForm &g = FreshForm();
    const QByteArray before = ReadDataFile(kData6);
    g.SaveList(false);
    EXPECT_EQ(ReadDataFile(kData6), before);
    g.SaveList(true);
    EXPECT_TRUE(QFile::exists(DataPath(kData6)));
    EXPECT_EQ(ReadDataFile(kData6), "");
    g.LoadListFiles();
    EXPECT_EQ(g.lvwAuctions->Count(), 0);
    EXPECT_TRUE(g.blnListLoaded);

    // A save that cannot be written says so and changes no row; no
    // half-written file is left behind.
    RemoveDataFile(kData6);
    ASSERT_TRUE(QDir().mkpath(DataPath(kData6)));
    AddRow("7", {{"maxbid", "(watching)"}});
    MsgBoxScript::instance().clear();
    g.SaveList(false);
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    const auto &box = MsgBoxScript::instance().calls()[0];
    EXPECT_EQ(box.style, 48);
    EXPECT_TRUE(box.prompt.startsWith("Could not save item list in the following location:\r\n\r\n" + DataPath(kData6)
                                      + "\r\n\r\nError #"))
        << box.prompt.toStdString();
    EXPECT_EQ(g.lvwAuctions->Count(), 1);
    EXPECT_EQ(QDir(basGeneral::DataFolder()).entryList({"data6.dat*"}, QDir::Files), QStringList());
    QDir().rmdir(DataPath(kData6));
}

// Any text comes back exactly, field by field, over texts built from the
// pieces the encoding uses: tags, quotes, references of its own, characters
// the file's code page lacks, line breaks.
TEST(ListFileFormat, AnyFieldTextReadsBackExactly)
{
    const QStringList pieces = {"&", "amp;", "quot;", "#", "39", "8470", ";", "\"", "<br>", "<", ">", "a",
                                " ", ",", "\u00e9", "\u0141", "\u20ac", QString(QChar(0xD800)),
                                QString::fromUcs4(U"\U0001F600"), "\r\n", "150", "\u0081", "\u00ff"};
    QRandomGenerator random(25);
    for (int n = 0; n < 3000; ++n) {
        QString text;
        for (int k = random.bounded(12); k > 0; --k)
            text += pieces[random.bounded(int(pieces.size()))];
        const QString field = ListFile::SaveSafe(text);
        const QString note = ListFile::SaveSafeNote(text);
        ASSERT_FALSE(field.contains('"') || note.contains('"')) << qPrintable(text);
        QString line;
        ListFile::AppendRecord(line, {field, note});
        const QStringList back =
            QuotedFieldReader(ListFile::DecodeFile(ListFile::EncodeFile(line))).ReadRecord(2);
        ASSERT_EQ(ListFile::FieldFromFile(back[0]), text) << qPrintable(field);
        // The note keeps "&quot;" as its own double quote.
        ASSERT_EQ(ListFile::NoteFromFile(back[1]), QString(text).replace('"', "&quot;")) << qPrintable(note);
    }
}

// What the user typed and what the pages said comes back through the program;
// a file of an older version reads as it did.
TEST(ListFileSave, TypedTextReadsBackExactlyAndOlderFilesAsBefore)
{
    // Through the program: saved, started again, the same rows.
    RemoveListFiles();
    FreshForm();
    AddRow("8", {{"itemtitle", "12\" vinyl record & sleeve <rare> &quot; &#39; \u2116 \U0001F600"},
                 {"group", "<Records> & \"B-sides\" \u0141\u00f3d\u017a"},
                 {"note", "buy if price < 40 and shipping > 5<br>&quot;firm&quot; <b>x</b> &#8470;"},
                 {"user", "buyer1"},
                 {"maxbid", "1 @ 40.00"},
                 {"enddatedisp", "N/A"},
                 {"enddate", "N/A"}});
    const QList<QStringList> before = snapshot();
    EngineForm().SaveList(false);
    TestEngineForm &f = FreshForm();
    f.LoadListFiles();
    EXPECT_EQ(snapshot(), before);

    // Written by an older version: "&quot;" is a double quote in every field
    // but the note, and other references stay as they were.
    RemoveListFiles();
    WriteDataFile(kData6, "\"9\",\"12&quot; vinyl &lt;rare&gt; &#39;n&#8217; &#150;\",\"Ended\",\"N/A\",\"0\",\"1\",\"US $1.00\","
                          "\"(watching)\",\"buyer1\",\"My &quot;best&quot;\",\"ask &quot;them&quot;<br>later\",\"\","
                          "\"seller\",\"\",\"False\",\"\",\"\"\r\n");
    TestEngineForm &g = FreshForm();
    g.LoadListFiles();
    ASSERT_EQ(g.lvwAuctions->Count(), 1);
    ListItem *row = g.lvwAuctions->Item(1);
    EXPECT_EQ(field(row, "itemtitle"), "12\" vinyl &lt;rare&gt; &#39;n&#8217; &#150;");
    EXPECT_EQ(field(row, "group"), "My \"best\"");
    EXPECT_EQ(field(row, "note"), "ask &quot;them&quot;<br>later");
}

TEST(ListFileLoad, OlderDateFormsLoadToTheSameRows)
{
    RemoveListFiles();
    // One record in the fixed form, then the same record with the end date as
    // this program wrote it before, and as the older Windows versions did.
    auto record = [](const QString &end) {
        return Line({"42", "Clock", "3 h 2 m ", end, "4", "1", "US $9.00", "12.50", "buyer1", "", "", "US $1.00",
                     "seller", "", "", "", "Local"});
    };
    const QDateTime when(QDate(2013, 12, 6), QTime(14, 3, 22));
    WriteDataFile(kData6, record("2013-12-06 14:03:22"));
    TestEngineForm &f = FreshForm();
    f.LoadListFiles();
    const QList<QStringList> fixed = snapshot();
    ASSERT_EQ(fixed.size(), 1);
    ListItem *row = f.lvwAuctions->Item(1);
    EXPECT_EQ(field(row, "enddatedisp"), basGeneral::DateText(when));
    EXPECT_EQ(TrackedAuction::ReadEndDate(field(row, "enddate")), when);
    EXPECT_EQ(field(row, "maxbid"), "1 @ 12.50"); // a bare amount gets its quantity
    f.SaveList(false);
    const QByteArray fixedBytes = ReadDataFile(kData6);

    // (A day-first system reads the US form as day first, as it should.)
    const QString shortDate = QLocale::system().dateFormat(QLocale::ShortFormat);
    const bool dayFirst = shortDate.startsWith(QLatin1Char('d')) && shortDate.contains(QLatin1Char('/'));
    for (const QString &old : {basGeneral::DateText(when), QStringLiteral("12/6/2013 2:03:22 PM")}) {
        if (Ansi::decode(Ansi::encode(old)) != old)
            continue; // a date form the file's code page cannot hold was never in a file
        if (dayFirst && old.contains(QLatin1String("PM")))
            continue;
        WriteDataFile(kData6, record(old));
        FreshForm().LoadListFiles();
        EXPECT_EQ(snapshot(), fixed) << old.toStdString();
        EngineForm().SaveList(false);
        EXPECT_EQ(ReadDataFile(kData6), fixedBytes) << old.toStdString();
    }
}

TEST(ListFileLoad, EndDatesAreReadInTheSavedZoneAndSavingAnotherZoneSavesTheList)
{
    RemoveListFiles();
    QComboBox *zones = frmSettings::instance().cboTimeZone;
    auto choose = [zones](int hours) { zones->setCurrentIndex(zones->findData(hours)); };
    choose(1);
    ASSERT_TRUE(frmSettings::instance().SaveSettings());
    auto record = [](const QString &number, const QString &end) {
        return Line({number, "Clock", "3 h 2 m ", end, "4", "1", "US $9.00", "1 @ 12.50", "buyer1", "", "", "",
                     "seller", "", "", "", "Local"});
    };
    // 23:03:22 at GMT+1 is 14:03:22 on eBay's Pacific clock.
    WriteDataFile(kData6, record("42", "2013-12-06 23:03:22") + record("43", "N/A"));
    const QDateTime pacific(QDate(2013, 12, 6), QTime(14, 3, 22));
    TestEngineForm &f = FreshForm();
    f.LoadListFiles();
    ASSERT_EQ(f.lvwAuctions->Count(), 2);
    ListItem *row = f.lvwAuctions->Item(1);
    EXPECT_EQ(field(row, "enddatedisp"), basGeneral::DateText(pacific.addSecs(9 * 3600)));
    EXPECT_EQ(TrackedAuction::ReadEndDate(field(row, "enddate")), pacific);

    // A zone only chosen changes nothing; saved, the shown end and the file
    // move to it while the end itself stays.
    choose(-5);
    EXPECT_EQ(field(row, "enddatedisp"), basGeneral::DateText(pacific.addSecs(9 * 3600)));
    ASSERT_TRUE(frmSettings::instance().SaveSettings());
    EXPECT_EQ(field(row, "enddatedisp"), TrackedAuction::EndDateText(pacific.addSecs(3 * 3600)));
    EXPECT_EQ(TrackedAuction::ReadEndDate(field(row, "enddate")), pacific);
    EXPECT_EQ(field(f.lvwAuctions->Item(2), "enddatedisp"), "N/A");
    EXPECT_TRUE(ReadDataFile(kData6).contains("\"42\",\"Clock\",\"3 h 2 m \",\"2013-12-06 17:03:22\""));

    FreshForm().LoadListFiles();
    EXPECT_EQ(TrackedAuction::ReadEndDate(field(EngineForm().lvwAuctions->Item(1), "enddate")), pacific);
    choose(-8);
    ASSERT_TRUE(frmSettings::instance().SaveSettings());
    RemoveListFiles();
}

TEST(ListFileLoad, OlderLayoutsGiveTheirFieldsAndAreDeleted)
{
    RemoveListFiles();
    CurrentUser = QStringLiteral("active");
    const QColor grey(150, 150, 150);

    // data5: 16 fields, won and state before seller and picture.
    const QDateTime end5(QDate(2005, 1, 2), QTime(10, 0));
    QString stored5 = basGeneral::DateText(end5);
    if (Ansi::decode(Ansi::encode(stored5)) != stored5)
        stored5 = QStringLiteral("2005-01-02 10:00:00");
    WriteDataFile("data5.dat", ListFile::EncodeFile(QString::fromLatin1(Line(
                                   {"5", "T &quot;5&quot;", "Ended", "@", "3", "2", "US $5", "4.00", "u5", "g5", "n5",
                                    "US $1", "True", "Bid complete", "s5", "p5.jpg"})).replace("@", stored5)));
    TestEngineForm &f = FreshForm();
    f.LoadListFiles();
    ASSERT_EQ(f.lvwAuctions->Count(), 1);
    ListItem *r = f.lvwAuctions->Item(1);
    EXPECT_EQ(r->Text(), "5");
    EXPECT_EQ(field(r, "itemtitle"), "T \"5\"");
    EXPECT_EQ(field(r, "timeleft"), "Ended");
    EXPECT_EQ(field(r, "enddatedisp"), stored5); // as stored
    EXPECT_EQ(TrackedAuction::ReadEndDate(field(r, "enddate")), end5);
    EXPECT_EQ(QStringList({field(r, "bids"), field(r, "qty"), field(r, "currentbid"), field(r, "maxbid"),
                           field(r, "user"), field(r, "group"), field(r, "note"), field(r, "shipping"),
                           field(r, "won"), field(r, "seller"), field(r, "picture"), field(r, "reminders")}),
              QStringList({"3", "2", "US $5", "1 @ 4.00", "u5", "g5", "n5", "US $1", "True", "s5", "p5.jpg", ""}));
    EXPECT_EQ(r->Tag(), "Bid complete");
    EXPECT_EQ(r->ForeColor(), grey);
    EXPECT_FALSE(QFile::exists(DataPath("data5.dat")));
    // The merged rows are in the current file before the old one goes.
    EXPECT_TRUE(ReadDataFile(kData6).startsWith("\"5\",\"T &quot;5&quot;\",\"Ended\",\"2005-01-02 10:00:00\""));
    RemoveDataFile(kData6);

    // data4: 14 fields; no seller (N/A) and no picture.
    WriteDataFile("data4.dat", Line({"4", "T4", "1 h ", "N/A", "0", "1", "US $4", "(watching)", "u4", "", "", "",
                                     "", "Local"}));
    FreshForm().LoadListFiles();
    r = EngineForm().lvwAuctions->Item(1);
    EXPECT_EQ(QStringList({field(r, "enddatedisp"), field(r, "enddate"), field(r, "maxbid"), field(r, "seller"),
                           field(r, "picture"), r->Tag()}),
              QStringList({"N/A", "N/A", "(watching)", "N/A", "", "Local"}));
    EXPECT_FALSE(QFile::exists(DataPath("data4.dat")));
    RemoveDataFile(kData6);

    // data3: 10 fields; the end time goes to enddate only; the row and all its
    // sub-items are grey.
    WriteDataFile("data3.dat", Line({"3", "T3", "2 m ", "05/01/02 10:00:00", "1", "1", "US $3", "2 @ 3.00", "u3",
                                     "Both"}));
    FreshForm().LoadListFiles();
    r = EngineForm().lvwAuctions->Item(1);
    EXPECT_EQ(QStringList({field(r, "itemtitle"), field(r, "timeleft"), field(r, "enddate"), field(r, "enddatedisp"),
                           field(r, "bids"), field(r, "qty"), field(r, "currentbid"), field(r, "maxbid"),
                           field(r, "user"), field(r, "seller"), r->Tag()}),
              QStringList({"T3", "2 m ", "05/01/02 10:00:00", "", "1", "1", "US $3", "2 @ 3.00", "u3", "", "Both"}));
    EXPECT_EQ(r->ForeColor(), grey);
    EXPECT_EQ(r->SubItemForeColor(17), grey);
    EXPECT_FALSE(QFile::exists(DataPath("data3.dat")));
    RemoveDataFile(kData6);

    // data2: 9 fields; the user is the active account.
    WriteDataFile("data2.dat", Line({"2", "T2", "N/A", "x", "0", "1", "US $2", "7", "Online"}));
    FreshForm().LoadListFiles();
    r = EngineForm().lvwAuctions->Item(1);
    EXPECT_EQ(QStringList({field(r, "enddate"), field(r, "maxbid"), field(r, "user"), r->Tag()}),
              QStringList({"x", "1 @ 7", "active", "Online"}));
    EXPECT_EQ(r->SubItemForeColor(1), grey);
    RemoveDataFile(kData6);

    // data1: item, maximum bid, state; everything else waits for the refresh
    // and the row keeps its normal colour.
    WriteDataFile("data1.dat", Line({"1", "9.99", "Local"}) + Line({"11", "(watching)", ""}));
    FreshForm().LoadListFiles();
    ASSERT_EQ(EngineForm().lvwAuctions->Count(), 2);
    r = EngineForm().lvwAuctions->Item(1);
    EXPECT_EQ(QStringList({field(r, "itemtitle"), field(r, "timeleft"), field(r, "enddate"), field(r, "bids"),
                           field(r, "qty"), field(r, "currentbid"), field(r, "maxbid"), field(r, "user"), r->Tag()}),
              QStringList({"Retrieving...", "Retrieving...", "Retrieving...", "Retrieving...", "Retrieving...",
                           "Retrieving...", "1 @ 9.99", "active", "Local"}));
    EXPECT_FALSE(r->ForeColor().isValid());
    EXPECT_FALSE(QFile::exists(DataPath("data1.dat")));
    RemoveDataFile(kData6);
}

TEST(ListFileLoad, MergeOrderAndTheOldestLayoutsOnlyWithoutANewerFile)
{
    RemoveListFiles();
    auto line17 = [](const char *n) {
        return Line({n, "t", "", "N/A", "", "", "", "(watching)", "", "", "", "", "", "", "", "", ""});
    };
    auto line16 = [](const char *n) {
        return Line({n, "t", "", "N/A", "", "", "", "(watching)", "", "", "", "", "", "", "", ""});
    };
    auto line14 = [](const char *n) { return Line({n, "t", "", "N/A", "", "", "", "1", "", "", "", "", "", ""}); };
    auto numbers = [] {
        QStringList n;
        for (int i = 1; i <= EngineForm().lvwAuctions->Count(); ++i)
            n << EngineForm().lvwAuctions->Item(i)->Text();
        return n;
    };

    // data6, data5 and data4 are appended in that order, a number listed
    // before loading once; data3 is not read while a newer file was.
    WriteDataFile(kData6, line17("1") + line17("2"));
    WriteDataFile("data5.dat", line16("2") + line16("3"));
    WriteDataFile("data4.dat", line14("4"));
    const QByteArray data3 = Line({"9", "t", "", "", "", "", "", "1", "", ""});
    WriteDataFile("data3.dat", data3);
    FreshForm().LoadListFiles();
    EXPECT_EQ(numbers(), QStringList({"1", "2", "3", "4"}));
    EXPECT_FALSE(QFile::exists(DataPath("data5.dat")));
    EXPECT_FALSE(QFile::exists(DataPath("data4.dat")));
    EXPECT_EQ(ReadDataFile("data3.dat"), data3);
    // The next start finds the merged list in data6 alone.
    FreshForm().LoadListFiles();
    EXPECT_EQ(numbers(), QStringList({"1", "2", "3", "4"}));
    RemoveDataFile(kData6);

    // Without data6, data5 and data4 are still read; data3 then is not.
    WriteDataFile("data5.dat", line16("5"));
    WriteDataFile("data4.dat", line14("4"));
    FreshForm().LoadListFiles();
    EXPECT_EQ(numbers(), QStringList({"5", "4"}));
    EXPECT_EQ(ReadDataFile("data3.dat"), data3);
    RemoveDataFile(kData6);

    // With nothing newer, data3 and the two oldest are read and merged.
    WriteDataFile("data1.dat", Line({"1", "2.00", ""}));
    TestEngineForm &f = FreshForm();
    f.LoadListFiles();
    EXPECT_EQ(numbers(), QStringList({"9"}));
    EXPECT_TRUE(f.blnListLoaded);
    EXPECT_EQ(ReadDataFile("data1.dat"), Line({"1", "2.00", ""})); // data1 waits: data3 was read
    RemoveDataFile(kData6);
    RemoveDataFile("data1.dat");

    // No list file at all.
    TestEngineForm &g = FreshForm();
    g.LoadListFiles();
    EXPECT_EQ(g.lvwAuctions->Count(), 0);
    EXPECT_FALSE(g.blnListLoaded);
    EXPECT_FALSE(QFile::exists(DataPath(kData6)));
}

TEST(ListFileLoad, AnUnreadableData6GetsTheBackupOffer)
{
    RemoveListFiles();
    const QByteArray good = Line({"1", "t", "", "N/A", "", "", "", "(watching)", "", "", "", "", "", "", "", "", ""});
    // The last record has only 16 fields.
    const QByteArray broken =
        good + Line({"2", "t", "", "N/A", "", "", "", "(watching)", "", "", "", "", "", "", "", ""});
    MsgBoxScript &boxes = MsgBoxScript::instance();

    // No: nothing is moved; the program ends all the same.
    WriteDataFile(kData6, broken);
    SaveSetting(QStringLiteral("Exit OK"), QStringLiteral("False"));
    boxes.clear();
    boxes.answer(Desktop::AnswerNo);
    EXPECT_THROW(FreshForm().LoadListFiles(), ProgramEnded);
    ASSERT_EQ(boxes.calls().size(), 1);
    EXPECT_EQ(boxes.calls()[0].style, 52);
    EXPECT_EQ(boxes.calls()[0].prompt,
              "An error occured while loading your items list: Input past end of file\r\n\r\nThis likely means your "
              "items list got corrupted. Would you like to have your items list renamed and a new list created so "
              "that you can continue using the software and your corrupted list can be sent to be restored and "
              "analyzed to prevent future occurrences of this issue?");
    EXPECT_EQ(GetSetting(QStringLiteral("Exit OK")), "1");
    EXPECT_EQ(ReadDataFile(kData6), broken);

    // Yes: the broken list goes aside under a name of its own; a backup of
    // an earlier damaged list stays as it was.
    WriteDataFile("data6-backup.dat", "backup of an older version");
    boxes.clear();
    boxes.answer(Desktop::AnswerYes);
    EXPECT_THROW(FreshForm().LoadListFiles(), ProgramEnded);
    ASSERT_EQ(boxes.calls().size(), 2);
    EXPECT_EQ(boxes.calls()[1].style, 64);
    QStringList backups = Backups("data6");
    ASSERT_EQ(backups.size(), 1);
    EXPECT_TRUE(QRegularExpression("^data6-backup-\\d{8}-\\d{6}\\.dat$").match(backups[0]).hasMatch()) << backups[0].toStdString();
    EXPECT_TRUE(boxes.calls()[1].prompt.startsWith("Your items list file has been saved as " + backups[0] + " and a new list"));
    EXPECT_TRUE(boxes.calls()[1].prompt.endsWith("\r\n\r\nYou will now need to restart " + Desktop::AppTitle()));
    EXPECT_FALSE(QFile::exists(DataPath(kData6)));
    EXPECT_EQ(ReadDataFile(backups[0]), broken);
    EXPECT_EQ(ReadDataFile("data6-backup.dat"), "backup of an older version");

    // The next start finds no list and carries on.
    boxes.clear();
    FreshForm().LoadListFiles();
    EXPECT_TRUE(boxes.calls().isEmpty());
    EXPECT_EQ(EngineForm().lvwAuctions->Count(), 0);

    // A second damaged list, within the same second: both backups are kept.
    const QByteArray brokenAgain = good + "\"2\",\"never closed";
    WriteDataFile(kData6, brokenAgain);
    boxes.clear();
    boxes.answer(Desktop::AnswerYes);
    EXPECT_THROW(FreshForm().LoadListFiles(), ProgramEnded);
    const QString first = backups[0];
    backups = Backups("data6");
    ASSERT_EQ(backups.size(), 2);
    EXPECT_EQ(ReadDataFile(first), broken);
    backups.removeAll(first);
    ASSERT_EQ(backups.size(), 1);
    const QString second = backups[0];
    EXPECT_EQ(ReadDataFile(second), brokenAgain);
    EXPECT_TRUE(boxes.calls()[1].prompt.startsWith("Your items list file has been saved as " + second + " and"));
    for (const QString &name : {first, second})
        EXPECT_EQ(FileMode(DataPath(name)), "0600") << name.toStdString();

    // A backup that cannot be made is not reported as made.
    WriteDataFile(kData6, broken);
    {
        const FrozenFolder frozen(basGeneral::DataFolder());
        if (frozen.held()) {
            boxes.clear();
            boxes.answer(Desktop::AnswerYes);
            EXPECT_THROW(FreshForm().LoadListFiles(), ProgramEnded);
            ASSERT_EQ(boxes.calls().size(), 2);
            EXPECT_EQ(boxes.calls()[1].style, 48);
            EXPECT_TRUE(boxes.calls()[1].prompt.startsWith("Your items list file could not be renamed"));
        }
    }
    EXPECT_EQ(ReadDataFile(kData6), broken);
    EXPECT_EQ(Backups("data6").size(), 2);
    RemoveDataFile(kData6);
}

TEST(ListFileLoad, AListFarBeyondAnyRealSizeIsRefusedBeforeItIsRead)
{
    RemoveListFiles();
    MsgBoxScript &boxes = MsgBoxScript::instance();
    const QByteArray row = Line({"1", "t", "", "N/A", "", "", "", "(watching)", "", "", "", "", "", "", "", "", ""});
    const QList<QPair<QByteArray, QString>> lists = {
        {QByteArray(33 * 1024 * 1024, 'x'), "(33 MB)"},
        {row.repeated(50001), "(more than 50000 items)"},
    };
    for (const auto &[bytes, reason] : lists) {
        SCOPED_TRACE(reason.toStdString());
        WriteDataFile(kData6, bytes);
        boxes.clear();
        boxes.answer(Desktop::AnswerNo);
        EXPECT_THROW(FreshForm().LoadListFiles(), ProgramEnded);
        ASSERT_EQ(boxes.calls().size(), 1);
        EXPECT_TRUE(boxes.calls()[0].prompt.startsWith("An error occured while loading your items list: The file is "
                                                       "too large to be an items list " + reason));
        EXPECT_EQ(ReadDataFile(kData6), bytes); // left for the user to decide
    }
    // The largest real list still loads.
    QByteArray largest;
    for (int i = 0; i < 50000; ++i)
        largest += Line({QString::number(110000000000LL + i), "t", "", "N/A", "", "", "", "(watching)", "", "", "", "", "", "",
                         "", "", ""});
    WriteDataFile(kData6, largest);
    boxes.clear();
    TestEngineForm &g = FreshForm();
    g.LoadListFiles();
    EXPECT_TRUE(boxes.calls().isEmpty());
    EXPECT_EQ(g.lvwAuctions->Count(), 50000);
    RemoveDataFile(kData6);
}

TEST(ListFileLoad, AnUnreadableOlderFileIsReportedAndKept)
{
    RemoveListFiles();
    MsgBoxScript &boxes = MsgBoxScript::instance();
    const QByteArray data5 = Line({"5", "t", "", "N/A", "", "", "", "1", "", "", "", "", "", "", "", ""});
    const QByteArray data4 = Line({"4", "t", "", "N/A", "", "", "", "1", "", "", ""}); // 11 of 14 fields
    WriteDataFile("data5.dat", data5);
    WriteDataFile("data4.dat", data4);
    SaveSetting(QStringLiteral("Exit OK"), QStringLiteral("False"));
    boxes.clear();
    EXPECT_THROW(FreshForm().LoadListFiles(), ProgramEnded);
    ASSERT_EQ(boxes.calls().size(), 1);
    EXPECT_EQ(boxes.calls()[0].style, 16);
    EXPECT_EQ(boxes.calls()[0].prompt, "Error while reading: data4.dat\r\n\r\nInput past end of file");
    EXPECT_EQ(GetSetting(QStringLiteral("Exit OK")), "False");
    EXPECT_EQ(ReadDataFile("data4.dat"), data4);
    // The rows read before are not lost: their file stays until they are saved.
    EXPECT_EQ(ReadDataFile("data5.dat"), data5);
    EXPECT_FALSE(QFile::exists(DataPath(kData6)));
    RemoveDataFile("data5.dat");
    RemoveDataFile("data4.dat");
}

TEST(ListFileSave, ALongListIsWrittenOffTheEventLoopAsTheSameBytesAndTheLatestSaveWins)
{
    RemoveListFiles();
    TestEngineForm &f = FreshForm();
    fillThousandRows();
    f.SaveList(false);
    const QByteArray thousand = ReadDataFile(kData6);
    ASSERT_EQ(thousand.count("\r\n"), 1000);

    // Three thousand rows go to the writer; the file is the same bytes the
    // rows give when saved on the spot.
    fillThousandRows();
    fillThousandRows();
    f.SaveList(false);
    ListSaveWriter::Flush();
    EXPECT_EQ(ReadDataFile(kData6), thousand + thousand + thousand);

    // Saves asked for one after another: the file ends with the last.
    f.lvwAuctions->setField(f.lvwAuctions->Item(1), QStringLiteral("note"), QStringLiteral("first"));
    f.SaveList(false);
    f.lvwAuctions->setField(f.lvwAuctions->Item(1), QStringLiteral("note"), QStringLiteral("second"));
    f.SaveList(false);
    ListSaveWriter::Flush();
    EXPECT_TRUE(ReadDataFile(kData6).startsWith("\"110000000000\""));
    EXPECT_TRUE(ListFile::DecodeFile(ReadDataFile(kData6)).section(QStringLiteral("\r\n"), 0, 0).contains("\"second\""));

    // A change asked to be saved soon is on disk within seconds.
    f.lvwAuctions->setField(f.lvwAuctions->Item(1), QStringLiteral("note"), QStringLiteral("third"));
    ListSaving::SaveSoon(f);
    EXPECT_TRUE(waitFor([] { return ListFile::DecodeFile(ReadDataFile(kData6)).section(QStringLiteral("\r\n"), 0, 0).contains("\"third\""); }, 10000));

    // A short list saved on the spot is never overwritten by an older long one.
    f.SaveList(false);
    while (f.lvwAuctions->Count() > 1)
        f.lvwAuctions->Remove(2);
    f.SaveList(false);
    ListSaveWriter::Flush();
    EXPECT_EQ(ReadDataFile(kData6).count("\r\n"), 1);

    // A failed write is reported like one on the spot, and leaves no file behind.
    fillThousandRows();
    fillThousandRows();
    fillThousandRows();
    RemoveDataFile(kData6);
    ASSERT_TRUE(QDir().mkpath(DataPath(kData6)));
    MsgBoxScript::instance().clear();
    f.SaveList(false);
    ListSaveWriter::Flush();
    EXPECT_TRUE(waitFor([] { return !MsgBoxScript::instance().calls().isEmpty(); }, 10000));
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    EXPECT_TRUE(MsgBoxScript::instance().calls()[0].prompt.startsWith(
        "Could not save item list in the following location:\r\n\r\n" + DataPath(kData6)));
    EXPECT_EQ(QDir(basGeneral::DataFolder()).entryList({"data6.dat*"}, QDir::Files), QStringList());
    QDir().rmdir(DataPath(kData6));
}

// A program that ends at once (a start-up that cannot go on, the user's
// choice in a warning) still finishes the saves it had been asked for.
TEST(ListFileSave, ALongListSavedJustBeforeTheProgramEndsAtOnceIsOnDiskWhenItEnds)
{
    RemoveListFiles();
    TestEngineForm &f = FreshForm();
    fillThousandRows();
    fillThousandRows();
    fillThousandRows();
    f.SaveList(false);
    EXPECT_THROW(Desktop::EndProgram(1), ProgramEnded);
    EXPECT_EQ(ReadDataFile(kData6).count("\r\n"), 3000);
}

namespace {

// `count` rows as the writer gets them, each with an end date of its own in
// the system's date form (the form the end-date reader remembers).
ListSaveWriter::Snapshot rowsEndingApart(int count)
{
    const QDateTime base(QDate(2025, 3, 1), QTime(8, 0, 0));
    ListSaveWriter::Snapshot rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        QStringList values(int(std::size(ListFile::kRecordKeys)));
        values[0] = QString::number(120000000000LL + i);
        values[1] = QStringLiteral("Item %1").arg(i);
        values[3] = TrackedAuction::EndDateText(base.addSecs(qint64(i) * 61));
        rows << ListSaveWriter::RowValues{values, QString()};
    }
    return rows;
}

// The first line of the list file, decoded.
QString firstLine()
{
    return ListFile::DecodeFile(ReadDataFile(kData6)).section(QStringLiteral("\r\n"), 0, 0);
}

} // namespace

// The writer's thread reads end dates for every row while this thread reads
// them too (the time-zone setting, the group check, a sort by end): neither
// disturbs the other, and the file gets the dates in its own form.
TEST(ListFileSave, EndDatesAreReadHereWhileALongSaveReadsThemOnItsThread)
{
    RemoveListFiles();
    FreshForm();
    constexpr int kRows = 50000;
    ListSaveWriter::WriteLater(DataPath(kData6), rowsEndingApart(kRows), {});
    const QDateTime other(QDate(2026, 7, 4), QTime(23, 59, 1));
    int reads = 0;
    for (qint64 i = 0; ListSaveWriter::Busy() || reads < 20000; ++i, ++reads) {
        const QString text = TrackedAuction::EndDateText(other.addSecs(i * 7));
        ASSERT_EQ(TrackedAuction::ReadDateText(text), other.addSecs(i * 7));
        ASSERT_FALSE(TrackedAuction::FixedDateText(text).isEmpty());
    }
    ListSaveWriter::Flush();
    const QByteArray file = ReadDataFile(kData6);
    EXPECT_EQ(file.count("\r\n"), kRows);
    EXPECT_TRUE(firstLine().contains(QStringLiteral("\"2025-03-01 08:00:00\""))) << firstLine().toStdString();
}

// A short list is written on the spot, after the long saves asked for
// before it: however long the writer takes, the older rows never come last.
TEST(ListFileSave, AShortListSavedAtOnceWaitsForTheLongSaveAskedForBeforeIt)
{
    RemoveListFiles();
    TestEngineForm &f = FreshForm();
    fillThousandRows();
    fillThousandRows();
    fillThousandRows();
    QSemaphore release;
    ListSaveWriter::SetBeforeWrite([&release] { release.tryAcquire(1, 20000); });
    f.SaveList(false);
    ASSERT_TRUE(waitFor([] { return ListSaveWriter::Busy(); }, 20000)) << "the long save never reached the writer";
    // The writer holds the long save for a while more.
    std::thread releaser([&release] {
        QThread::msleep(300);
        release.release();
    });
    while (f.lvwAuctions->Count() > 1)
        f.lvwAuctions->Remove(f.lvwAuctions->Count());
    f.SaveList(false);
    releaser.join();
    ListSaveWriter::Flush();
    ListSaveWriter::SetBeforeWrite({});
    EXPECT_EQ(ReadDataFile(kData6).count("\r\n"), 1);
}

// Whatever ends the program at once (a start-up that cannot go on, the
// choice in a warning, a signal through the shut-down), a change asked to
// be saved soon is on disk first, short list or long, and a save that fails
// then is told: in a box, or in the log when boxes are no longer shown.
TEST(ListFileSave, SavesAskedForAreOnDiskAndTheirFailuresToldWhenTheProgramEndsAtOnce)
{
    for (const int thousands : {1, 3}) {
        SCOPED_TRACE(thousands);
        RemoveListFiles();
        TestEngineForm &f = FreshForm();
        for (int k = 0; k < thousands; ++k)
            fillThousandRows();
        f.SaveList(false);
        ListSaveWriter::Flush();
        f.lvwAuctions->setField(f.lvwAuctions->Item(1), QStringLiteral("note"), QStringLiteral("changed just now"));
        ListSaving::SaveSoon(f);
        EXPECT_THROW(Desktop::EndProgram(1), ProgramEnded);
        EXPECT_TRUE(firstLine().contains(QStringLiteral("\"changed just now\"")));
        EXPECT_EQ(ReadDataFile(kData6).count("\r\n"), thousands * 1000);

        // Every write fails: the file's place is taken by a folder.
        for (const bool boxesShown : {true, false}) {
            SCOPED_TRACE(boxesShown ? "box" : "log");
            RemoveDataFile(kData6);
            RemoveDataFile(QStringLiteral("log.txt"));
            ASSERT_TRUE(QDir().mkpath(DataPath(kData6)));
            MsgBoxScript::instance().clear();
            Desktop::CancelBoxes(!boxesShown);
            f.lvwAuctions->setField(f.lvwAuctions->Item(1), QStringLiteral("note"), QStringLiteral("lost"));
            ListSaving::SaveSoon(f);
            EXPECT_THROW(Desktop::EndProgram(1), ProgramEnded);
            Desktop::CancelBoxes(false);
            const QString told = boxesShown ? MsgBoxScript::instance().lastPrompt()
                                            : Ansi::decode(ReadDataFile(QStringLiteral("log.txt")));
            EXPECT_TRUE(told.contains(QStringLiteral("Could not save item list in the following location:")))
                << told.toStdString();
            EXPECT_EQ(MsgBoxScript::instance().calls().size(), boxesShown ? 1 : 0);
            QDir().rmdir(DataPath(kData6));
        }
    }
}
