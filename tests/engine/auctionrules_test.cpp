#include "tests/engine/enginetestutil.h"

#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/timetext.h"
#include "platform/listview.h"
#include "platform/statusbar.h"
#include "platform/toolbar.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/tinyhttp.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QTemporaryFile>

using namespace EngineTest;
using namespace TrackedAuction;

namespace {

struct FilterState
{
    bool all, active, ended, watching, bidding, winning, losing, mine;
    bool operator==(const FilterState &) const = default;
};

FilterState filterState()
{
    auto &f = EngineForm();
    return {f.mnuFilterAll->isChecked(),     f.mnuFilterActive->isChecked(),  f.mnuFilterEnded->isChecked(),
            f.mnuFilterWatching->isChecked(), f.mnuFilterBidding->isChecked(), f.mnuFilterWinning->isChecked(),
            f.mnuFilterLosing->isChecked(),  f.mnuFilterMyItems->isChecked()};
}

int filterButton()
{
    return EngineForm().Toolbar->Value(QStringLiteral("Filter"));
}

// Items shown by the filter, as their item numbers.
QStringList shown()
{
    auto &f = EngineForm();
    QStringList numbers;
    for (int i = 1; i <= f.lvwAuctions->Count(); ++i)
        if (f.ItemPassesFilter(f.lvwAuctions->Item(i)))
            numbers << f.lvwAuctions->Item(i)->Text();
    return numbers;
}

} // namespace

TEST(FilterMenu, HandlersKeepTheGroupsExclusiveAndDriveTheButton)
{
    TestEngineForm &f = FreshForm();
    const FilterState all{true, false, false, false, false, false, false, true};
    EXPECT_EQ(filterState(), all);
    f.mnuFilterAll_Click(); // clicked while checked: stays checked
    EXPECT_EQ(filterState(), all);
    EXPECT_EQ(filterButton(), 0);

    f.mnuFilterActive_Click();
    EXPECT_EQ(filterButton(), 1);
    f.mnuFilterEnded_Click(); // Active and Ended exclude each other
    f.mnuFilterWinning_Click(); // the two groups combine
    f.mnuFilterLosing_Click();
    EXPECT_EQ(filterState(), (FilterState{false, false, true, false, false, false, true, true}));
    f.mnuFilterWatching_Click();
    EXPECT_EQ(filterState(), (FilterState{false, false, true, true, false, false, false, true}));

    // "Only My Items" changes neither the others nor the button.
    f.mnuFilterMyItems_Click();
    EXPECT_EQ(filterState(), (FilterState{false, false, true, true, false, false, false, false}));
    EXPECT_EQ(filterButton(), 1);

    // Unchecking the last status filters brings "All Items" back.
    f.mnuFilterWatching_Click();
    EXPECT_EQ(filterButton(), 1);
    f.mnuFilterEnded_Click();
    EXPECT_EQ(filterState(), (FilterState{true, false, false, false, false, false, false, false}));
    EXPECT_EQ(filterButton(), 0);

    // "All Items" clears every status filter.
    f.mnuFilterActive_Click();
    f.mnuFilterBidding_Click();
    f.mnuFilterAll_Click();
    EXPECT_EQ(filterState(), (FilterState{true, false, false, false, false, false, false, false}));
    EXPECT_GT(f.rebuilds, 8);

    // Chosen from the menu, an item runs its handler once: the mark the menu
    // flips on its own is not flipped a second time.
    f.mnuFilterActive->trigger();
    EXPECT_EQ(filterState(), (FilterState{false, true, false, false, false, false, false, false}));
    f.mnuFilterActive->trigger();
    EXPECT_EQ(filterState(), (FilterState{true, false, false, false, false, false, false, false}));
    f.mnuFilterMyItems->trigger();
    EXPECT_TRUE(f.mnuFilterMyItems->isChecked());
}

TEST(FilterMenu, ItemPassesFilterCombinesTheCheckedItems)
{
    TestEngineForm &f = FreshForm();
    CurrentUser = QStringLiteral("me");
    AddRow("1", {{"user", "me"}, {"maxbid", "(watching)"}, {"timeleft", "1 h 2 m "}});
    AddRow("2", {{"user", "me"}, {"maxbid", "1 @ 5.00"}, {"timeleft", "Ended"}, {"won", "True"}});
    AddRow("3", {{"user", "me"}, {"maxbid", "1 @ 5.00"}, {"timeleft", "Ended"}, {"won", "false"}});
    AddRow("4", {{"user", "me"}, {"maxbid", "(watching)"}, {"timeleft", "Ended"}, {"won", "False"}});
    AddRow("5", {{"user", "other"}, {"maxbid", "1 @ 5.00"}, {"timeleft", "2 m 5 s"}});
    AddRow("6", {{"user", "Me"}, {"maxbid", "(watching)"}, {"timeleft", "Ended"}, {"won", "TRUE"}});

    // At start other accounts' rows are hidden; the user's ID in another
    // letter case is the user's own.
    EXPECT_EQ(shown(), QStringList({"1", "2", "3", "4", "6"}));
    f.mnuFilterMyItems_Click();
    EXPECT_EQ(shown(), QStringList({"1", "2", "3", "4", "5", "6"}));

    f.mnuFilterActive_Click();
    EXPECT_EQ(shown(), QStringList({"1", "5"}));
    f.mnuFilterEnded_Click();
    EXPECT_EQ(shown(), QStringList({"2", "3", "4", "6"}));
    f.mnuFilterBidding_Click();
    EXPECT_EQ(shown(), QStringList({"2", "3"}));
    f.mnuFilterWatching_Click();
    EXPECT_EQ(shown(), QStringList({"4", "6"}));
    // A watched row can be "won" but never "lost"; an undecided row is neither.
    f.mnuFilterWinning_Click();
    EXPECT_EQ(shown(), QStringList({"2", "6"}));
    f.mnuFilterLosing_Click();
    EXPECT_EQ(shown(), QStringList({"3"}));
    f.mnuFilterEnded_Click();
    f.mnuFilterMyItems_Click();
    EXPECT_EQ(shown(), QStringList({"3"}));
    EXPECT_FALSE(f.ItemPassesFilter(nullptr));
}

TEST(BidGroups, TooCloseCountsWholeMinutesWithinOneGroup)
{
    TestEngineForm &f = FreshForm();
    auto end = [](const QString &hms) {
        const QDateTime when(QDate(2024, 3, 5), QTime::fromString(hms, QStringLiteral("HH:mm:ss")));
        return std::pair{basGeneral::DateText(when), EndDateSerial(when)};
    };
    auto bidRow = [&](const char *number, const QString &group, const QString &hms,
                      const QString &maxbid = QStringLiteral("1 @ 10.00")) {
        const auto [disp, serial] = end(hms);
        AddRow(number, {{"group", group}, {"maxbid", maxbid}, {"enddatedisp", disp}, {"enddate", serial}});
    };
    auto tooClose = [&](auto fill) {
        f.lvwAuctions->Clear();
        fill();
        return f.ItemInGroupTooClose();
    };

    EXPECT_TRUE(tooClose([&] { bidRow("1", "A", "10:00:00"); bidRow("2", "A", "10:04:59"); }));
    // 10:00:59 to 10:05:00 is 5 whole minutes, though only 4 m 1 s apart.
    EXPECT_FALSE(tooClose([&] { bidRow("1", "A", "10:00:59"); bidRow("2", "A", "10:05:00"); }));
    EXPECT_TRUE(tooClose([&] { bidRow("1", "A", "10:07:00"); bidRow("2", "A", "10:03:30"); }));
    // Groups are compared exactly; "N/A" and "" are no group.
    EXPECT_FALSE(tooClose([&] { bidRow("1", "A", "10:00:00"); bidRow("2", "a", "10:01:00"); }));
    EXPECT_FALSE(tooClose([&] { bidRow("1", "N/A", "10:00:00"); bidRow("2", "N/A", "10:01:00"); }));
    EXPECT_FALSE(tooClose([&] { bidRow("1", "", "10:00:00"); bidRow("2", "", "10:01:00"); }));
    // A watched row never counts, nor one without an end time.
    EXPECT_FALSE(tooClose([&] { bidRow("1", "A", "10:00:00", "(watching)"); bidRow("2", "A", "10:01:00"); }));
    EXPECT_FALSE(tooClose([&] {
        bidRow("1", "A", "10:00:00");
        AddRow("2", {{"group", "A"}, {"maxbid", "1 @ 3.00"}, {"enddatedisp", "N/A"}, {"enddate", "N/A"}});
    }));
    // One row alone is never too close to itself; a third row far off does
    // not hide a close pair.
    EXPECT_FALSE(tooClose([&] { bidRow("1", "A", "10:00:00"); }));
    EXPECT_TRUE(tooClose([&] {
        bidRow("1", "A", "09:00:00");
        bidRow("2", "B", "10:00:00");
        bidRow("3", "B", "10:02:00");
    }));
    // Asked for one row, only that row's own spacing counts.
    EXPECT_FALSE(f.ItemInGroupTooClose(f.lvwAuctions->Item(1)));
    EXPECT_TRUE(f.ItemInGroupTooClose(f.lvwAuctions->Item(3)));
    // However the pair came to be, the user is told of it once, after the
    // caller has returned.
    MsgBoxScript::instance().clear();
    f.WarnOfGroupRowsTooClose();
    f.WarnOfGroupRowsTooClose();
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());
    QCoreApplication::processEvents();
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().startsWith(
        "Items ending less than 5 minutes apart cannot be in the same group.\r\n\r\nGroup \"B\": items # 2 and # 3\r\n\r\n"))
        << qPrintable(MsgBoxScript::instance().lastPrompt());
    // Different days are far apart even at the same time of day.
    EXPECT_FALSE(tooClose([&] {
        bidRow("1", "A", "10:00:00");
        const QDateTime next(QDate(2024, 3, 6), QTime(10, 1));
        AddRow("2", {{"group", "A"}, {"maxbid", "1 @ 1"}, {"enddatedisp", basGeneral::DateText(next)},
                     {"enddate", EndDateSerial(next)}});
    }));
}

TEST(BidGroups, WonNeedsAnEndedWonRowOfThatGroup)
{
    TestEngineForm &f = FreshForm();
    AddRow("1", {{"group", "Lenses"}, {"won", "True"}, {"timeleft", "Ended"}});
    AddRow("2", {{"group", "Bikes"}, {"won", "true"}, {"timeleft", "2 m 5 s"}});
    AddRow("3", {{"group", "Cars"}, {"won", "False"}, {"timeleft", "Ended"}});
    AddRow("4", {{"group", "N/A"}, {"won", "True"}, {"timeleft", "Ended"}});
    AddRow("5", {{"group", ""}, {"won", "True"}, {"timeleft", "ENDED"}});

    EXPECT_TRUE(f.ItemInGroupWon(QStringLiteral("Lenses")));
    EXPECT_FALSE(f.ItemInGroupWon(QStringLiteral("lenses")));
    EXPECT_FALSE(f.ItemInGroupWon(QStringLiteral("Bikes")));
    EXPECT_FALSE(f.ItemInGroupWon(QStringLiteral("Cars")));
    EXPECT_FALSE(f.ItemInGroupWon(QStringLiteral("N/A")));
    EXPECT_FALSE(f.ItemInGroupWon(QString()));
}

TEST(WatchAuction, AddsAWatchedRowOnlyForAListedItemPage)
{
    RemoveListFiles();
    TinyHttp server([](const TinyHttp::Request &r) {
        TinyHttp::Reply reply;
        if (r.target.endsWith("item=111"))
            reply.body = "<html><meta property=\"og:title\" content=\"Brass lamp\"></html>";
        else
            reply.body = "<html>This item is not available</html>";
        return reply;
    });
    QTemporaryFile hosts;
    ASSERT_TRUE(hosts.open());
    hosts.write("item=127.0.0.1:" + QByteArray::number(server.port()) + "\n");
    hosts.close();
    qputenv("TALLOWMERE_HOSTS", hosts.fileName().toUtf8());
    HostRoles::reload();

    TestEngineForm &f = FreshForm();
    CurrentUser = QStringLiteral("buyer1");
    AddRow("900", {{"maxbid", "1 @ 2.00"}, {"enddate", "2"}}, QStringLiteral("Local"));
    f.lvwAuctions->SortKey = 0;
    f.lvwAuctions->SortOrder = 0;

    f.WatchAuction(QStringLiteral("111"));
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].target, "/ws/eBayISAPI.dll?ViewItem&item=111");
    ASSERT_EQ(f.lvwAuctions->Count(), 2);
    ListItem *row = f.lvwAuctions->FindItem(QStringLiteral("111"));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->Index(), 1); // re-sorted by item number
    EXPECT_EQ(f.lvwAuctions->Field(row, QStringLiteral("maxbid")), "(watching)");
    EXPECT_EQ(f.lvwAuctions->Field(row, QStringLiteral("user")), "buyer1");
    EXPECT_EQ(f.lvwAuctions->Field(row, QStringLiteral("itemtitle")), ""); // the refresh fills it
    EXPECT_EQ(row->Tag(), "");
    ASSERT_EQ(f.refreshCalls.size(), 1);
    EXPECT_EQ(f.refreshCalls[0].onlyItemNumber, "111");
    EXPECT_FALSE(f.refreshCalls[0].skipItems);
    EXPECT_TRUE(f.refreshCalls[0].skipHTMLSync);
    EXPECT_EQ(f.rebuilds, 1);
    EXPECT_TRUE(ReadDataFile(QStringLiteral("data6.dat")).contains("\"111\""));

    // Listed already, not a number, or no item page: nothing is added, and
    // the first two are not even fetched.
    f.WatchAuction(QStringLiteral("111"));
    f.WatchAuction(QStringLiteral("12a4"));
    f.WatchAuction(QStringLiteral("-5"));
    f.WatchAuction(QString());
    EXPECT_EQ(server.requests().size(), 1);
    f.WatchAuction(QStringLiteral("222"));
    EXPECT_EQ(server.requests().size(), 2);
    EXPECT_EQ(f.lvwAuctions->Count(), 2);
    EXPECT_EQ(f.refreshCalls.size(), 1);

    qunsetenv("TALLOWMERE_HOSTS");
    HostRoles::reload();
}

TEST(TrackedAuctionTexts, EndDatesAndReminderCodes)
{
    // The day number keeps the second and sorts as text.
    const QDateTime when(QDate(2013, 12, 6), QTime(14, 3, 22));
    EXPECT_EQ(EndDateSerial(when), "41614.5856712963");
    EXPECT_EQ(ReadEndDate(EndDateSerial(when)), when);
    EXPECT_EQ(ReadEndDate(QStringLiteral("41614,5856712963")), when);
    EXPECT_EQ(ReadEndDate(QStringLiteral("41614")), QDateTime(QDate(2013, 12, 6), QTime(0, 0)));
    const QDateTime late(QDate(2013, 12, 6), QTime(23, 59, 59, 600));
    EXPECT_EQ(ReadEndDate(EndDateSerial(late)), QDateTime(QDate(2013, 12, 7), QTime(0, 0)));
    EXPECT_LT(EndDateSerial(when), EndDateSerial(when.addSecs(1)));
    EXPECT_EQ(ReadEndDate(basGeneral::DateText(when)), when);
    for (const char *none : {"N/A", "Retrieving...", "", "1.2.3", "Ended"})
        EXPECT_FALSE(ReadEndDate(QString::fromLatin1(none))) << none;

    // The date forms of files written by earlier versions.
    EXPECT_EQ(ReadDateText(QStringLiteral("2013-12-06 14:03:22")), when);
    EXPECT_EQ(ReadDateText(QStringLiteral("2013-12-06T14:03:22")), when);
    EXPECT_EQ(ReadDateText(basGeneral::DateText(when)), when);
    // The US general date of the older versions, where the system's own
    // form does not read it otherwise (day-first locales do).
    if (!QLocale::system().dateFormat(QLocale::ShortFormat).startsWith(QLatin1Char('d'))
        || !QLocale::system().dateFormat(QLocale::ShortFormat).contains(QLatin1Char('/'))) {
        EXPECT_EQ(ReadDateText(QStringLiteral("12/6/2013 2:03:22 PM")), when);
        EXPECT_EQ(ReadDateText(QStringLiteral("12/6/13 14:03:22")), when);
    }
    EXPECT_FALSE(ReadDateText(QStringLiteral("2013-13-06 14:03:22")));
    EXPECT_FALSE(ReadDateText(QStringLiteral("N/A")));

    const ReminderCodes codes = ReminderCodes::fromText(QStringLiteral("bqt15[1]p12.5;"));
    EXPECT_TRUE(codes.newBids && codes.quantityChanged);
    EXPECT_EQ(codes.timeLeftBelow, 15);
    EXPECT_EQ(codes.timeUnit, ReminderCodes::Hours);
    EXPECT_EQ(codes.toText(), "bqt15[1]p12.5;");
    EXPECT_EQ(ReminderCodes::fromText(QStringLiteral("bp3;")).toText(), "bp3;");
    EXPECT_FALSE(ReminderCodes::fromText(QStringLiteral("t5")).timeLeftBelow); // no unit: left out
}
