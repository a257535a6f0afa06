// The refresh against the simulator: fields, eBay's clock, removed, moved
// and ended items, won and lost, bid groups, reminders, fast mode with its
// sign-in, the feedback panel, and every way a refresh can end.
#include "tests/integration/refreshsimutil.h"

#include "engine/ebayclock.h"
#include "engine/frminet.h"
#include "engine/frmreminder.h"
#include "engine/readfirst.h"
#include "engine/refreshseams.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/settingsstore.h"
#include "foundation/timetext.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/statusbar.h"
#include "platform/ticktimer.h"
#include "sim/core/pacifictime.h"
#include "sim/core/pages.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>

using namespace RefreshSim;
using namespace TrackedAuction;

namespace {

QString status()
{
    return EngineForm().PanelText(QStringLiteral("Status"));
}

QString itemTarget(const QString &number)
{
    return QStringLiteral("http /ws/eBayISAPI.dll?ViewItem&item=") + number;
}

const QString kTimePage = QStringLiteral("http /ws/eBayISAPI.dll?EbayTime");
const QString kFeedbackPage = QStringLiteral("http /ws/eBayISAPI.dll?ViewFeedback&userid=alice");
const QString kSignOut = QStringLiteral("http /ws2/eBayISAPI.dll?SignIn&ssPageName=h:h:sout:US");

bool isSignIn(const QString &target)
{
    return target.startsWith(QLatin1String("https /ws/eBayISAPI.dll?MfcISAPICommand=SignInWelcome"))
        && target.contains(QLatin1String("SellHub3&i1=-1&pageType=-1&userid=alice&pass=pw"));
}

// Reminder messages end with the time of day; compared without it.
QStringList reminderTexts()
{
    QStringList texts;
    if (!frmReminder::isLoaded())
        return texts;
    ListView &list = *frmReminder::instance().lvwReminders;
    static const QRegularExpression time(QStringLiteral(" at [^ ].*\\.$"));
    for (int i = 1; i <= list.Count(); ++i)
        texts << list.Item(i)->Text() + QStringLiteral(": ") + QString(list.Item(i)->Tag()).replace(time, QStringLiteral(" at T."));
    return texts;
}

} // namespace

TEST(RefreshWithSimulator, FillsARowFromItsPageOnEbaysClockAndClosesCleanly)
{
    Form &f = FreshForm();
    Server().setClockOffset(37);
    Server().addAccount(QStringLiteral("alice"), QStringLiteral("pw"), 1234, 99.5);
    const QString number = AddItem(7200, 12.5, [](Sim::SimItem &it) {
        it.title = QStringLiteral("Brass lamp");
        it.bids = 3;
        it.quantity = 2;
        it.shipping = QStringLiteral("US $4.50");
        it.picture = QStringLiteral("http://pics.example/lamp.jpg");
    });
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 20.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    const qint64 mark = Mark();

    f.RefreshAuctions(QString(), false, false);

    // eBay's clock: Pacific time here plus the 37 seconds it runs ahead.
    EXPECT_NEAR(double(EbayTimeOffset), double(EbayClock::EstimatedOffset() + 37), 1.0);
    EXPECT_EQ(Field(row, "itemtitle"), "Brass lamp");
    EXPECT_EQ(Field(row, "bids"), "3");
    EXPECT_EQ(Field(row, "currentbid"), "US $12.50");
    EXPECT_EQ(Field(row, "qty"), "2");
    EXPECT_EQ(Field(row, "shipping"), "US $4.50");
    EXPECT_EQ(Field(row, "picture"), "http://pics.example/lamp.jpg");
    EXPECT_EQ(Field(row, "won"), "True");
    EXPECT_EQ(row->Tag(), "Local");
    EXPECT_GE(SecondsShown(row), 7140);
    EXPECT_LE(SecondsShown(row), 7200);
    // enddate and enddatedisp are one time; the tick counts from it.
    const auto end = ReadEndDate(Field(row, "enddate"));
    ASSERT_TRUE(end.has_value());
    EXPECT_EQ(ReadDateText(Field(row, "enddatedisp")), end);
    EXPECT_NEAR(double(*EbayClock::SecondsLeft(Field(row, "enddate"), EbayClock::EbayNow())), 7200.0, 2.0);
    const auto pcEnd = ReadDateText(Field(row, "pcendtime"));
    ASSERT_TRUE(pcEnd.has_value());
    EXPECT_NEAR(double(QDateTime::currentDateTime().secsTo(*pcEnd)), 7200.0, 2.0);

    EXPECT_EQ(TargetsSince(mark), QStringList({kTimePage, itemTarget(number), kFeedbackPage}));
    EXPECT_EQ(f.PanelText(QStringLiteral("Feedback")), "alice (1234; 99.5%) ");
    EXPECT_EQ(f.resizes, 1);
    EXPECT_EQ(f.syncs, 1);
    EXPECT_EQ(status(), "Done");
    EXPECT_TRUE(f.blnListUpdated);
    EXPECT_FALSE(f.blnRefreshing);
    EXPECT_FALSE(f.blnPreventExit);
    EXPECT_FALSE(f.blnFirstRefreshSinceStartup);
    EXPECT_FALSE(f.ProgressBar->isVisible());
    EXPECT_EQ(f.cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(DataFileText(QStringLiteral("data6.dat")).contains(number));

    // From the second refresh on, the automatic feedback runs too.
    int feedbackRuns = 0;
    RefreshSeams::LeaveFeedback = [&feedbackRuns] { ++feedbackRuns; };
    f.RefreshAuctions(QString(), false, false);
    RefreshSeams::LeaveFeedback = nullptr;
    EXPECT_EQ(feedbackRuns, 1);
}

TEST(RefreshWithSimulator, RemovedMovedAndEndedItems)
{
    Form &f = FreshForm();
    const QString moved = AddItem(3600, 2.0, [](Sim::SimItem &it) {
        it.layout = QStringLiteral("moved");
        it.title = QStringLiteral("Moved lamp");
    });
    const QString wonByName = AddItem(-60, 30.0, [](Sim::SimItem &it) { it.winner = QStringLiteral("alice"); });
    const QString lost = AddItem(-60, 30.0, [](Sim::SimItem &it) { it.winner = QStringLiteral("bob"); });
    const QString free = AddItem(600, 0.0);

    ListItem *removed = AddRow(QStringLiteral("999000111"),
                               {{"maxbid", "1 @ 20.00"}, {"enddatedisp", "12/6/2026 10:00:00 AM"}, {"user", "alice"},
                                {"reminders", "b"}},
                               QStringLiteral("Local"));
    ListItem *movedRow = AddRow(moved, {{"maxbid", "(watching)"}, {"user", "alice"}});
    ListItem *wonRow = AddRow(wonByName, {{"maxbid", "1 @ 20.00"}, {"user", "alice"}, {"timeleft", "1 m"}},
                              QStringLiteral("Ready to bid"));
    ListItem *lostRow = AddRow(lost, {{"maxbid", "1 @ 20.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    ListItem *freeRow = AddRow(free, {{"maxbid", "(watching)"}, {"user", "alice"}});
    const qint64 mark = Mark();

    f.RefreshAuctions(QString(), false, false);

    EXPECT_EQ(Field(removed, "itemtitle"), "<invalid item>");
    for (const char *key : {"timeleft", "enddate", "bids", "currentbid", "qty"})
        EXPECT_EQ(Field(removed, key), "N/A") << key;
    EXPECT_EQ(Field(removed, "enddatedisp"), "12/6/2026 10:00:00 AM");
    EXPECT_EQ(Field(removed, "reminders"), "b");
    EXPECT_EQ(removed->Tag(), "Local");

    EXPECT_EQ(Field(movedRow, "itemtitle"), "Moved lamp");
    EXPECT_TRUE(TargetsSince(mark).contains(itemTarget(moved).toLower() + QStringLiteral("&orig=1"))) << TargetsSince(mark).join(QLatin1Char('\n')).toStdString();

    // Ended: won by name although the price is above the maximum; a started
    // bid is over.
    EXPECT_EQ(Field(wonRow, "timeleft"), "Ended");
    EXPECT_EQ(Field(wonRow, "won"), "True");
    EXPECT_EQ(wonRow->Tag(), "Bid complete");
    EXPECT_EQ(Field(lostRow, "timeleft"), "Ended");
    EXPECT_EQ(Field(lostRow, "won"), "False");

    // A price that reads as nothing wins nothing, not even a watched item.
    EXPECT_EQ(Field(freeRow, "won"), "False");
    EXPECT_EQ(Field(freeRow, "bids"), "N/A");

    // Ended rows are passed over next time, unless all are to be refreshed.
    qint64 again = Mark();
    f.RefreshAuctions(QString(), false, false);
    EXPECT_FALSE(TargetsSince(again).contains(itemTarget(lost)));
    f.blnForceRefreshAll = true;
    again = Mark();
    f.RefreshAuctions(QString(), false, false);
    EXPECT_TRUE(TargetsSince(again).contains(itemTarget(lost)));
    EXPECT_FALSE(f.blnForceRefreshAll);
}

TEST(RefreshWithSimulator, AWonGroupClosesItsOtherRows)
{
    Form &f = FreshForm();
    const QString first = AddItem(-30, 4.0, [](Sim::SimItem &it) { it.winner = QStringLiteral("alice"); });
    const QString second = AddItem(1800, 4.0);
    const QString third = AddItem(-30, 3.0, [](Sim::SimItem &it) { it.winner = QStringLiteral("alice"); });
    const QString elsewhere = AddItem(1800, 4.0);
    ListItem *a = AddRow(first, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}, {"group", "G"}}, QStringLiteral("Bid complete"));
    ListItem *b = AddRow(second, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}, {"group", "G"}}, QStringLiteral("Local"));
    ListItem *c = AddRow(third, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}, {"group", "G"}}, QStringLiteral("Local"));
    ListItem *d = AddRow(elsewhere, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}, {"group", "H"}}, QStringLiteral("Local"));

    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(a->Tag(), "Bid complete");
    EXPECT_EQ(b->Tag(), "Other in group won");
    // A group row that has itself won is closed too unless its bid is complete.
    EXPECT_EQ(c->Tag(), "Other in group won");
    EXPECT_EQ(d->Tag(), "Local");
}

TEST(RefreshWithSimulator, RemindersFireOnceAndSpentTokensGo)
{
    Form &f = FreshForm();
    const QString number = AddItem(200, 12.0, [](Sim::SimItem &it) {
        it.title = QStringLiteral("Vase");
        it.quantity = 3;
    });
    ListItem *row = AddRow(number, {{"maxbid", "(watching)"}, {"user", "alice"}, {"reminders", "bqt5[0]p10;"}});

    f.RefreshAuctions(QString(), false, false);
    const QString n = number + QStringLiteral(": ");
    // A row still showing "Retrieving..." has its bids and quantity change too.
    EXPECT_EQ(reminderTexts(),
              QStringList({n + "Time left is less than 5 m at T.",
                           n + "Amount of bids has changed from Retrieving... to 0, current price is US $12.00 at T.",
                           n + "The current price has met or exceeded 10 at T.",
                           n + "Quantity has changed from Retrieving... to 3 at T."}));
    EXPECT_EQ(Field(row, "reminders"), "bq");
    ASSERT_TRUE(frmReminder::isLoaded());
    EXPECT_TRUE(frmReminder::instance().isVisible());

    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(reminderTexts().size(), 4);

    Server().items().find(number)->bids = 1;
    Server().items().find(number)->quantity = 2;
    f.RefreshAuctions(QString(), false, false);
    ASSERT_EQ(reminderTexts().size(), 6);
    EXPECT_EQ(reminderTexts()[4], n + "Amount of bids has changed from 0 to 1, current price is US $12.00 at T.");
    EXPECT_EQ(reminderTexts()[5], n + "Quantity has changed from 3 to 2 at T.");
}

TEST(RefreshWithSimulator, ARowRemovedWhileItsPageIsReadIsLeftAloneAndTheNextRowIsRefreshed)
{
    Form &f = FreshForm();
    const QString gone = AddItem(200);
    const QString next = AddItem(1800);
    AddRow(gone, {{"maxbid", "(watching)"}, {"user", "alice"}, {"reminders", "t5[0]"}});
    ListItem *kept = AddRow(next, {{"maxbid", "(watching)"}, {"user", "alice"}});
    // Someone removes the row while the reminder window is up.
    f.onRemind = [&f](const QString &number) {
        if (ListItem *row = f.lvwAuctions->FindItem(number))
            f.lvwAuctions->Remove(row->Index());
    };

    f.RefreshAuctions(QString(), false, false);
    ASSERT_EQ(f.lvwAuctions->Count(), 1);
    EXPECT_EQ(Field(kept, "itemtitle"), "Simulated item");
    EXPECT_TRUE(f.blnListUpdated);
    EXPECT_FALSE(DataFileText(QStringLiteral("data6.dat")).contains(gone));
}

// Far rows are passed over in fast mode once they have been read within
// the normal interval; rows never read yet are read all the same.
TEST(RefreshWithSimulator, FastModeSignsInOnceReadsTheClockAndSkipsTheFeedbackAndFarRowsReadOfLate)
{
    Form &f = FreshForm();
    const QString farBefore = AddItem(1200);
    const QString near1 = AddItem(240);
    const QString near2 = AddItem(270);
    const QString farAfter = AddItem(1800);
    const QString unknown = AddItem(900);
    AddRow(farBefore, {{"timeleft", "20 m"}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    AddRow(near1, {{"timeleft", "4 m"}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    AddRow(near2, {{"timeleft", "4 m 30 s"}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    AddRow(farAfter, {{"timeleft", "30 m"}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    AddRow(unknown, {{"timeleft", "N/A"}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));

    qint64 mark = Mark();
    f.RefreshAuctions(QString(), false, false);
    QStringList seen = TargetsSince(mark);
    ASSERT_EQ(seen.size(), 8) << seen.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(seen[0], kTimePage);
    EXPECT_EQ(seen[1], itemTarget(farBefore));
    EXPECT_EQ(seen[2], kSignOut);
    EXPECT_TRUE(isSignIn(seen[3])) << seen[3].toStdString();
    EXPECT_EQ(seen[4], itemTarget(near1));
    EXPECT_EQ(seen[5], itemTarget(near2));
    EXPECT_EQ(seen[6], itemTarget(farAfter));
    EXPECT_EQ(seen[7], itemTarget(unknown));
    // The pages after the sign-in are read as alice.
    EXPECT_EQ(RequestsSince(mark).last().user, "alice");
    EXPECT_TRUE(f.blnItemsEndingSoon); // near1 had 240 seconds before this refresh

    // Fast mode reads eBay's clock too: it may move in the last minutes.
    mark = Mark();
    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(TargetsSince(mark), QStringList({kTimePage, itemTarget(near1), itemTarget(near2)}));
}

TEST(RefreshWithSimulator, InFastModeAnUnreadableTimePageKeepsTheOffsetAndTheRowsAreStillRead)
{
    Form &f = FreshForm();
    const QString near = AddItem(200);
    ListItem *row = AddRow(near, {{"timeleft", "3 m"}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    f.blnItemsEndingSoon = true;
    EbayClock::SetMeasuredOffset(EbayClock::EstimatedOffset());
    AddFault(QStringLiteral("EbayTime"), Sim::FaultMode::Empty);
    const qint64 mark = Mark();
    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(TargetsSince(mark), QStringList({kTimePage, itemTarget(near)}));
    EXPECT_EQ(EbayTimeOffset, EbayClock::EstimatedOffset());
    EXPECT_NEAR(double(SecondsShown(row)), 200.0, 3.0);
}

TEST(RefreshWithSimulator, ExactlyThreeHundredSecondsSignsInButDoesNotKeepFastMode)
{
    Form &f = FreshForm();
    const QString at300 = AddItem(300);
    AddRow(at300, {{"timeleft", "5 m"}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    qint64 mark = Mark();
    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(TargetsSince(mark).count(kSignOut), 1);
    EXPECT_FALSE(f.blnItemsEndingSoon);

    Form &g = FreshForm();
    const QString at301 = AddItem(301);
    AddRow(at301, {{"timeleft", "5 m 1 s"}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    mark = Mark();
    g.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(TargetsSince(mark).count(kSignOut), 0);
}

TEST(RefreshWithSimulator, TheErrorPathReleasesTheWindowAndLogsTheNumber)
{
    Form &f = FreshForm();
    f.tmrTimer->setEnabled(true);
    const QString number = AddItem(1800);
    ListItem *row = AddRow(number, {{"timeleft", "4 m"}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    // No account for the active user: the sign-out before the end goes, the
    // sign-in cannot, and the refresh ends on its error path.
    CurrentUser = QStringLiteral("nobody");
    const qint64 mark = Mark();

    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(TargetsSince(mark), QStringList({kTimePage, kSignOut}));
    EXPECT_FALSE(f.blnRefreshing);
    EXPECT_FALSE(f.blnPreventExit);
    EXPECT_FALSE(f.ProgressBar->isVisible());
    EXPECT_EQ(f.cursor().shape(), Qt::ArrowCursor);
    EXPECT_FALSE(f.blnListUpdated);
    EXPECT_TRUE(f.tmrTimer->Enabled());
    EXPECT_EQ(Field(row, "timeleft"), "4 m");
    EXPECT_TRUE(DataFileText(QStringLiteral("log.txt")).contains(QStringLiteral("Error in RefreshAuctions: 91")));
}

TEST(RefreshWithSimulator, EmptyPagesKeepTheRowsAndTheFifthStopsTheTick)
{
    Form &f = FreshForm();
    f.tmrTimer->setEnabled(true);
    QList<ListItem *> rows;
    for (int i = 0; i < 6; ++i) {
        const QString number = AddItem(1800 + i);
        rows << AddRow(number,
                       {{"timeleft", "30 m"},
                        {"enddate", "46000.5"},
                        {"currentbid", "US $3.00"},
                        {"bids", "2"},
                        {"maxbid", "1 @ 5.00"},
                        {"user", "alice"}},
                       QStringLiteral("Local"));
    }
    AddFault(QStringLiteral("ViewItem"), Sim::FaultMode::Empty, -1);

    f.RefreshAuctions(QString(), false, false);
    for (ListItem *row : rows) {
        EXPECT_EQ(Field(row, "timeleft"), "30 m");
        EXPECT_EQ(Field(row, "enddate"), "46000.5");
        EXPECT_EQ(Field(row, "currentbid"), "US $3.00");
        EXPECT_EQ(Field(row, "won"), "");
    }
    EXPECT_FALSE(f.tmrTimer->Enabled());
    EXPECT_EQ(status(), "Connection lost, restarting...");
    EXPECT_TRUE(f.blnFreezeStatus);
    // The fifth and the sixth page each.
    EXPECT_EQ(DataFileText(QStringLiteral("log.txt")).count(QStringLiteral("Error: 5 Empty responses in RefreshAuctions, restarting...")), 2);
}

TEST(RefreshWithSimulator, ATimedOutPageAsksForAnotherRefresh)
{
    Form &f = FreshForm();
    const QString number = AddItem(1800);
    ListItem *row = AddRow(number, {{"timeleft", "30 m"}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    frmInet::instance().Inet->RequestTimeout = 1;
    AddFault(QStringLiteral("ViewItem"), Sim::FaultMode::Hang);

    f.RefreshAuctions(QString(), false, false);
    frmInet::instance().Inet->RequestTimeout = 60;
    EXPECT_EQ(status(), "Request timed out, retrying...");
    EXPECT_TRUE(f.blnForceRefresh);
    EXPECT_EQ(Field(row, "timeleft"), "30 m");
    EXPECT_TRUE(f.blnListUpdated);
    EXPECT_FALSE(f.ProgressBar->isVisible());
}

TEST(RefreshWithSimulator, AConnectionClosedWithoutAnswerNamesTheErrorAndTheItem)
{
    Form &f = FreshForm();
    const QString number = AddItem(1800);
    AddRow(number, {{"timeleft", "30 m"}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    AddFault(QStringLiteral("ViewItem"), Sim::FaultMode::Close, -1); // the transfer control tries a closed connection again

    f.RefreshAuctions(QString(), false, false);
    static const QRegularExpression message(QStringLiteral("^Refresh error #\\d+ on item #(\\d+)$"));
    const auto match = message.match(status());
    ASSERT_TRUE(match.hasMatch()) << status().toStdString();
    EXPECT_EQ(match.captured(1), number);
    EXPECT_TRUE(f.blnForceRefresh);
    EXPECT_TRUE(f.blnFreezeStatus);
}

TEST(RefreshWithSimulator, DebugModeDumpsThePageOrReadsAReplacement)
{
    Form &f = FreshForm();
    const QString number = AddItem(1800, 1.0, [](Sim::SimItem &it) { it.title = QStringLiteral("Real page"); });
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    const QString dump = basGeneral::AppPath() + QStringLiteral("debug1.txt");
    const QString replacement = basGeneral::AppPath() + QStringLiteral("debug1.dat");
    QFile::remove(dump);
    QFile::remove(replacement);
    DebugMode = true;

    f.RefreshAuctions(QString(), false, false);
    QFile dumped(dump);
    ASSERT_TRUE(dumped.open(QIODevice::ReadOnly));
    EXPECT_TRUE(dumped.readAll().contains("Real page"));
    dumped.close();

    const QString other = AddItem(1800, 1.0, [](Sim::SimItem &it) { it.title = QStringLiteral("Saved layout"); });
    QFile saved(replacement);
    ASSERT_TRUE(saved.open(QIODevice::WriteOnly));
    saved.write(Sim::Pages::item(*Server().items().find(other), Server().pageContext()).toLatin1());
    saved.close();
    f.RefreshAuctions(QString(), false, false);
    DebugMode = false;
    QFile::remove(dump);
    QFile::remove(replacement);
    EXPECT_EQ(Field(row, "itemtitle"), "Saved layout");
}

TEST(RefreshWithSimulator, RefusedWhileABidIsPlacedOrARelistRuns)
{
    Form &f = FreshForm();
    const QString number = AddItem(1800);
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    const qint64 mark = Mark();
    f.blnBidding = true;
    f.RefreshAuctions(QString(), false, false);
    f.blnBidding = false;
    RelistInProgress = true;
    f.RefreshAuctions(QString(), false, false);
    RelistInProgress = false;
    EXPECT_TRUE(TargetsSince(mark).isEmpty());
    EXPECT_EQ(Field(row, "itemtitle"), "");
    EXPECT_FALSE(f.blnPreventExit);
    EXPECT_FALSE(f.blnListUpdated);
}

TEST(RefreshWithSimulator, ACancelStopsAtTheNextRowWithoutSaving)
{
    Form &f = FreshForm();
    const QString first = AddItem(1800);
    const QString second = AddItem(1800);
    AddRow(first, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    ListItem *later = AddRow(second, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    f.onSync = [&f] { f.blnCancelRefresh = true; };
    const qint64 mark = Mark();

    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(TargetsSince(mark), QStringList({kTimePage, itemTarget(first)}));
    EXPECT_FALSE(f.blnCancelRefresh);
    EXPECT_FALSE(f.blnRefreshing);
    EXPECT_TRUE(f.blnListUpdated);
    EXPECT_EQ(Field(later, "itemtitle"), "Retrieving...");
    EXPECT_EQ(DataFileText(QStringLiteral("data6.dat")), "");
}

TEST(RefreshWithSimulator, OneItemOrOnlyTheClosingSteps)
{
    Form &f = FreshForm();
    const QString first = AddItem(200);
    const QString second = AddItem(1800);
    AddRow(first, {{"timeleft", "3 m"}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    ListItem *other = AddRow(second, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    f.blnItemsEndingSoon = true;

    qint64 mark = Mark();
    f.RefreshAuctions(second, false, true);
    EXPECT_EQ(TargetsSince(mark), QStringList({kTimePage, itemTarget(second)}));
    EXPECT_EQ(f.syncs, 0);
    EXPECT_FALSE(Field(other, "itemtitle").isEmpty());
    // A call for one item ends fast mode; the tick turns it on again.
    EXPECT_FALSE(f.blnItemsEndingSoon);

    mark = Mark();
    f.RefreshAuctions(QStringLiteral("123"), false, false);
    EXPECT_EQ(TargetsSince(mark), QStringList({kTimePage}));
    EXPECT_TRUE(DataFileText(QStringLiteral("data6.dat")).contains(second));

    mark = Mark();
    f.RefreshAuctions(QString(), true, false);
    EXPECT_EQ(TargetsSince(mark), QStringList({kFeedbackPage}));
    EXPECT_EQ(f.PanelText(QStringLiteral("Feedback")), "alice (0; 100%) ");
}

TEST(RefreshWithSimulator, RowsReadFromTheListFileCountDownLikeRefreshedRows)
{
    // The user's zone is GMT+1, nine hours from Pacific time, while this
    // computer keeps UTC: shown end times, refreshed and saved, must still
    // count down to the same moment after a restart.
    Form &f = FreshForm(1);
    const QString number = AddItem(1800);
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    f.RefreshAuctions(QString(), false, false);
    const qint64 refreshed = *EbayClock::SecondsLeft(Field(row, "enddate"), EbayClock::EbayNow());
    EXPECT_NEAR(double(refreshed), 1800.0, 2.0);
    const QDateTime pacificEnd = Sim::Pacific::wallClock(Server().items().find(number)->endsAt);
    const auto shown = ReadDateText(Field(row, "enddatedisp"));
    ASSERT_TRUE(shown.has_value());
    EXPECT_NEAR(double(EbayClock::Reading(pacificEnd).secsTo(EbayClock::Reading(*shown))), 9 * 3600.0, 1.0);

    // A new start: no offset measured yet, the row read from the file.
    f.lvwAuctions->Clear();
    EbayClock::ForgetMeasurement();
    ASSERT_TRUE(f.ReadListFile(QStringLiteral("data6.dat")));
    ASSERT_EQ(f.lvwAuctions->Count(), 1);
    ListItem *loaded = f.lvwAuctions->Item(1);
    const auto left = EbayClock::SecondsLeft(Field(loaded, "enddate"), EbayClock::EbayNow());
    ASSERT_TRUE(left.has_value());
    EXPECT_NEAR(double(*left), double(refreshed), 2.0);

    // The tick counts it down from there, without a refresh.
    frmSettings::instance().optNotAlwaysOn->setChecked(true);
    f.tmrTimer_Timer();
    EXPECT_NEAR(double(SecondsShown(loaded)), double(refreshed), 2.0);
}

// A snipe read in its very last second may show no time left ("N/A") and no
// end yet. In fast mode a row showing "N/A" waits for its interval, but one
// the pass was asked to read first, because its auction has just ended, is
// read at once: its outcome must not wait minutes.
TEST(RefreshWithSimulator, InFastModeASnipeJustEndedIsReadAtOnceThoughItShowsNoTimeLeft)
{
    Form &f = FreshForm();
    const QString ended = AddItem(-2, 30.0, [](Sim::SimItem &it) { it.winner = QStringLiteral("alice"); });
    ListItem *row = AddRow(ended, {{"timeleft", "N/A"}, {"maxbid", "1 @ 40.00"}, {"user", "alice"}},
                           QStringLiteral("Bid complete"));
    f.blnItemsEndingSoon = true;
    f.NoteRowRead(row);
    ASSERT_FALSE(f.RowReadDue(row));

    // Not asked for: the row waits for its interval.
    qint64 mark = Mark();
    f.RefreshAuctions(QString(), false, false);
    EXPECT_FALSE(TargetsSince(mark).contains(itemTarget(ended)));
    EXPECT_EQ(f.lvwAuctions->Field(row, "timeleft"), "N/A");

    ReadFirst::Add(ended);
    f.blnItemsEndingSoon = true;
    mark = Mark();
    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(TargetsSince(mark).count(itemTarget(ended)), 1);
    EXPECT_EQ(f.lvwAuctions->Field(row, "timeleft"), "Ended");
    EXPECT_EQ(f.lvwAuctions->Field(row, "won"), "True");
}

// A pass over rows whose pages answer slowly saves as it goes: the first
// row's new title is on disk within seconds, long before the pass ends.
TEST(RefreshWithSimulator, ALongPassSavesTheFirstRowsChangeWithinSecondsNotAtItsEnd)
{
    Form &f = FreshForm();
    constexpr int kRows = 30;
    QStringList numbers;
    for (int i = 0; i < kRows; ++i) {
        numbers << AddItem(7200 + i, 1.0, [i](Sim::SimItem &it) { it.title = QStringLiteral("Slow page %1").arg(i); });
        AddRow(numbers.last(), {{"maxbid", "(watching)"}, {"user", "alice"}});
    }
    AddFault(QStringLiteral("ViewItem&item="), Sim::FaultMode::Hang, -1, 500);
    QElapsedTimer clock;
    clock.start();
    qint64 onDisk = -1;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (onDisk < 0 && DataFileText(QStringLiteral("data6.dat")).contains(QStringLiteral("Slow page 0")))
            onDisk = clock.elapsed();
    });
    watch.start(100);
    f.RefreshAuctions(QString(), false, false);
    const qint64 passMs = clock.elapsed();
    watch.stop();
    EXPECT_EQ(Field(f.lvwAuctions->Item(kRows), "itemtitle"), QStringLiteral("Slow page %1").arg(kRows - 1));
    ASSERT_GE(onDisk, 0) << "not on disk while the pass of " << passMs << " ms ran";
    EXPECT_LT(onDisk, passMs - 3000);
}
