// The main tick's rules on a window that is not shown: the refresh, the bid
// hand-off, the sign-in before an end and the update check are recorded
// instead of run, and end times are set relative to eBay's present moment.
#include "tests/engine/enginetestutil.h"

#include "engine/ebayclock.h"
#include "engine/readfirst.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/settingsstore.h"
#include "foundation/timetext.h"
#include "platform/listview.h"
#include "platform/longpasshold.h"
#include "platform/statusbar.h"
#include "platform/numberederror.h"
#include "platform/ticktimer.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTimer>

#include <functional>
#include <utility>

using namespace TrackedAuction;

namespace {

class TickForm final : public frmMainEngine
{
public:
    int refreshes = 0;
    std::function<void()> onRefresh;
    QStringList bids; // item numbers, in call order
    QList<std::pair<bool, bool>> bidFlags;
    std::function<void(ListItem *)> onBid;
    int signIns = 0;
    bool signInFails = false;
    // When set, a sign-in pair is left under way until finishSignIn().
    bool holdSignIn = false;
    std::function<void(const NumberedError *)> pendingSignIn;
    int updateChecks = 0;
    int syncs = 0;

    void RefreshAuctions(const QString &, bool, bool) override
    {
        ++refreshes;
        if (onRefresh)
            onRefresh();
    }
    void Bid(ListItem *Item, bool IsSnipe, bool IsBin) override
    {
        bids << Item->Text();
        bidFlags << std::pair(IsSnipe, IsBin);
        if (onBid)
            onBid(Item);
    }
    void BeginSignInBeforeEnd(std::function<void(const NumberedError *)> done) override
    {
        ++signIns;
        if (holdSignIn) {
            pendingSignIn = std::move(done);
            return;
        }
        endSignIn(done, signInFails);
    }
    // Ends the pair left under way.
    void finishSignIn(bool fails)
    {
        auto done = std::exchange(pendingSignIn, nullptr);
        ASSERT_TRUE(done);
        endSignIn(done, fails);
    }
    static void endSignIn(const std::function<void(const NumberedError *)> &done, bool fails)
    {
        if (!fails) {
            done(nullptr);
            return;
        }
        const NumberedError e(91, QStringLiteral("Object variable or With block variable not set"));
        done(&e);
    }
    bool LookForUpdate(bool) override
    {
        ++updateChecks;
        LastDate = QDate::currentDate();
        return false;
    }
    void SyncHTMLList(bool, const QString &) override { ++syncs; }
};

// A new tick window with the list's columns and the status panels, the
// update check done for today, the list refreshed once, and the settings:
// "Not Always On", bid delay 1 s, lead time 3 s, fast interval 5 s, normal
// interval 60 s, the user's zone GMT+1 with eBay's clock 8 hours behind.
TickForm &Fresh()
{
    auto &form = EngineTest::NewForm<TickForm>();
    form.LastDate = QDate::currentDate();
    form.blnListUpdated = true;

    frmSettings &s = frmSettings::instance();
    s.optNotAlwaysOn->setChecked(true);
    s.ddnBidDelay->setCurrentIndex(s.ddnBidDelay->findData(1));
    s.ddnFastSyncInterval->setCurrentIndex(s.ddnFastSyncInterval->findData(5));
    s.ddnSyncInterval->setCurrentIndex(s.ddnSyncInterval->findData(60));
    s.cboTimeZone->setCurrentIndex(s.cboTimeZone->findData(1));
    SaveSetting(QStringLiteral("Time Zone"), QString::number(s.cboTimeZone->currentIndex()));
    SaveSetting(QStringLiteral("Lead time"), QStringLiteral("3"));
    EbayClock::SetMeasuredOffset(-8 * 3600);
    return form;
}

// The enddate field of an auction that ends `seconds` from eBay's present.
QString endIn(qint64 seconds)
{
    return EndDateSerial(EbayClock::EbayNow().addSecs(seconds));
}

ListItem *snipe(const QString &number, qint64 secondsLeft, const QString &tag = QStringLiteral("Local"),
                const QString &timeLeft = QStringLiteral("10 m"))
{
    return EngineTest::AddRow(number,
                              {{"timeleft", timeLeft},
                               {"enddate", endIn(secondsLeft)},
                               {"maxbid", QStringLiteral("1 @ 5.00")},
                               {"user", QStringLiteral("alice")}},
                              tag);
}

QString field(const ListItem *row, const char *key)
{
    return EngineForm().lvwAuctions->Field(row, QLatin1String(key));
}

int secondsShown(const ListItem *row)
{
    QString text = field(row, "timeleft");
    return basGeneral::ParseTimeLeft(text);
}

QString status()
{
    return EngineForm().PanelText(QStringLiteral("Status"));
}

} // namespace

TEST(EbayClock, StandsInForTheOffsetUntilOneIsMeasuredOrSet)
{
    EbayClock::ForgetMeasurement();
    EXPECT_EQ(EbayClock::Offset(), EbayClock::EstimatedOffset());
    // This computer's zone against Pacific time: whole quarter hours.
    EXPECT_EQ(EbayClock::EstimatedOffset() % 900, 0);
    EbayClock::SetMeasuredOffset(0);
    EXPECT_EQ(EbayClock::Offset(), 0);
    EbayClock::ForgetMeasurement();
    EbayTimeOffset = 37;
    EXPECT_EQ(EbayClock::Offset(), 37);
    EXPECT_EQ(EbayClock::EbayNow(), EbayClock::LocalNow().addSecs(37));
}

TEST(EbayClock, EndsCountOnEbaysClockAndAreShownInTheSavedZone)
{
    Fresh();
    const QDateTime pacific(QDate(2026, 12, 6), QTime(14, 3, 22), Qt::UTC);
    const QDateTime shown = EbayClock::PacificToDisplay(pacific);
    EXPECT_EQ(shown, QDateTime(QDate(2026, 12, 6), QTime(23, 3, 22), Qt::UTC)); // GMT+1 is 9 hours on
    EXPECT_EQ(EbayClock::DisplayToPacific(shown), pacific);

    // The day number and the date text of the old layouts count alike, and
    // no time zone, saved or only chosen, moves the count.
    const QDateTime ebayNow = pacific.addSecs(-100);
    QComboBox *zones = frmSettings::instance().cboTimeZone;
    for (int hours : {1, -5, 13}) {
        zones->setCurrentIndex(zones->findData(hours));
        EXPECT_EQ(EbayClock::SecondsLeft(EndDateSerial(pacific), ebayNow), 100) << hours;
        EXPECT_EQ(EbayClock::SecondsLeft(QStringLiteral("2026-12-06 14:03:22"), ebayNow), 100) << hours;
        SaveSetting(QStringLiteral("Time Zone"), QString::number(zones->currentIndex()));
        EXPECT_EQ(EbayClock::SecondsLeft(EndDateSerial(pacific), ebayNow), 100) << hours;
        EXPECT_EQ(EbayClock::PacificToDisplay(pacific), pacific.addSecs((hours + 8) * 3600)) << hours;
    }
    EXPECT_EQ(EbayClock::SecondsLeft(QStringLiteral("N/A"), ebayNow), std::nullopt);
    EXPECT_EQ(EbayClock::SecondsLeft(QStringLiteral("Retrieving..."), ebayNow), std::nullopt);
}

TEST(MainTick, CountsDownOnlyTheAuctionsInTheirLastHour)
{
    TickForm &f = Fresh();
    ListItem *near = snipe("1", 600, {});
    ListItem *far = snipe("2", 120, {}, QStringLiteral("1 h 5 m "));
    ListItem *ended = snipe("3", -50, {}, QStringLiteral("Ended"));
    ListItem *noEnd = EngineTest::AddRow("4", {{"timeleft", QStringLiteral("10 m")}, {"enddate", QStringLiteral("N/A")}});
    f.lvwAuctions->setField(near, QStringLiteral("maxbid"), kWatching);

    f.tmrTimer_Timer();
    EXPECT_GE(secondsShown(near), 598);
    EXPECT_LE(secondsShown(near), 600);
    EXPECT_EQ(field(far, "timeleft"), "1 h 5 m ");
    EXPECT_EQ(field(ended, "timeleft"), "Ended");
    EXPECT_EQ(field(noEnd, "timeleft"), "10 m");
    EXPECT_EQ(f.syncs, 0); // the window is not shown
    EXPECT_FALSE(GetSetting(QStringLiteral("Last alive")).isEmpty());

    f.show();
    f.tmrTimer_Timer();
    EXPECT_EQ(f.syncs, 1);
    f.showMinimized();
    f.tmrTimer_Timer();
    EXPECT_EQ(f.syncs, 1);
}

TEST(MainTick, StartsEachSnipeOnceAtLeadTimePlusBidDelay)
{
    TickForm &f = Fresh();
    // Lead time 3 s + bid delay 1 s: a bid starts with 4 seconds or less left.
    ListItem *early = snipe("10", 6);
    ListItem *due = snipe("11", 3);
    ListItem *both = snipe("12", 3, QStringLiteral("Both"));
    ListItem *watched = snipe("13", 3, {});
    f.lvwAuctions->setField(watched, QStringLiteral("maxbid"), kWatching);
    ListItem *online = snipe("14", 3, QStringLiteral("Online"));
    ListItem *done = snipe("15", 3, QStringLiteral("Bid complete"));
    // A purchase eBay did not confirm: never bid on as a snipe.
    ListItem *unconfirmed = snipe("18", 3, QStringLiteral("Bid outcome unknown"));
    ListItem *grouped = snipe("16", 3);
    f.lvwAuctions->setField(grouped, QStringLiteral("group"), QStringLiteral("G"));
    EngineTest::AddRow("17", {{"timeleft", QStringLiteral("Ended")},
                              {"group", QStringLiteral("G")},
                              {"won", QStringLiteral("True")},
                              {"maxbid", QStringLiteral("1 @ 2.00")}},
                       QStringLiteral("Bid complete"));

    f.tmrTimer_Timer();
    EXPECT_EQ(f.bids, QStringList({"11", "12"}));
    EXPECT_EQ(f.bidFlags.value(0), std::pair(true, false));
    EXPECT_EQ(f.BidItem, both);
    EXPECT_EQ(due->Tag(), "Ready to bid");
    EXPECT_EQ(both->Tag(), "Ready to bid");
    EXPECT_EQ(early->Tag(), "Local");
    EXPECT_EQ(watched->Tag(), "");
    EXPECT_EQ(online->Tag(), "Online");
    EXPECT_EQ(done->Tag(), "Bid complete");
    EXPECT_EQ(unconfirmed->Tag(), "Bid outcome unknown");
    EXPECT_EQ(grouped->Tag(), "Local");

    // The next tick starts nothing again; a raised lead time starts the early one.
    f.tmrTimer_Timer();
    EXPECT_EQ(f.bids.size(), 2);
    SaveSetting(QStringLiteral("Lead time"), QStringLiteral("9"));
    f.tmrTimer_Timer();
    EXPECT_EQ(f.bids, QStringList({"11", "12", "10"}));
}

TEST(MainTick, AStartedBidIsCompleteOnceItsTimeIsUpEvenWhenNoTickFellOnTheLastSecond)
{
    TickForm &f = Fresh();
    ListItem *started = snipe("20", -3, QStringLiteral("Ready to bid"), QStringLiteral("5 s"));
    ListItem *late = snipe("21", -2, QStringLiteral("Local"), QStringLiteral("3 s"));
    ListItem *running = snipe("22", 30, QStringLiteral("Ready to bid"));

    f.tmrTimer_Timer();
    EXPECT_EQ(field(started, "timeleft"), "0 s");
    EXPECT_EQ(started->Tag(), "Bid complete");
    // Too late for a bid: none is started after the end.
    EXPECT_EQ(field(late, "timeleft"), "0 s");
    EXPECT_EQ(late->Tag(), "Local");
    EXPECT_TRUE(f.bids.isEmpty());
    EXPECT_EQ(running->Tag(), "Ready to bid");
}

TEST(MainTick, SignsInOnceWhenFastModeBeginsAndBringsTheRefreshForward)
{
    TickForm &f = Fresh();
    snipe("30", 200);
    snipe("31", 250);
    snipe("32", 900);
    const QDateTime later = QDateTime::currentDateTime().addSecs(600);
    f.NextRefreshTime = later;

    f.tmrTimer_Timer();
    EXPECT_EQ(f.signIns, 1);
    EXPECT_TRUE(f.blnItemsEndingSoon);
    EXPECT_LE(f.NextRefreshTime, QDateTime::currentDateTime().addSecs(5));
    EXPECT_GE(f.NextRefreshTime, QDateTime::currentDateTime().addSecs(3));

    f.tmrTimer_Timer();
    EXPECT_EQ(f.signIns, 1);

    // A refresh that ends fast mode lets the next approach sign in again.
    f.blnItemsEndingSoon = false;
    f.tmrTimer_Timer();
    EXPECT_EQ(f.signIns, 2);
}

TEST(MainTick, AFailingSignInHoldsUpNeitherTheCountdownNorTheBidsAndIsRetriedAFewTimes)
{
    TickForm &f = Fresh();
    f.signInFails = true;
    snipe("40", 200);
    ListItem *due = snipe("41", 3);
    ListItem *counting = snipe("42", 1200, QStringLiteral("Local"), QStringLiteral("30 m"));

    f.tmrTimer_Timer();
    EXPECT_EQ(f.signIns, 1);
    EXPECT_EQ(f.bids, QStringList({"41"}));
    EXPECT_EQ(due->Tag(), "Ready to bid");
    EXPECT_GE(secondsShown(counting), 1198);
    EXPECT_EQ(status(), "Error #91 Object variable or With block variable not set");
    EXPECT_TRUE(f.blnFreezeStatus);
    EXPECT_FALSE(f.blnItemsEndingSoon);

    f.tmrTimer_Timer();
    EXPECT_EQ(f.signIns, 2);
    EXPECT_FALSE(f.blnItemsEndingSoon);
    f.tmrTimer_Timer();
    EXPECT_EQ(f.signIns, 3);
    // Given up for this approach: fast mode goes on without a sign-in.
    EXPECT_TRUE(f.blnItemsEndingSoon);
    f.tmrTimer_Timer();
    f.tmrTimer_Timer();
    EXPECT_EQ(f.signIns, 3);

    QFile log(basGeneral::DataFolder() + QStringLiteral("log.txt"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll().count("Sign-in before an auction's end failed: Error #91"), 3);
}

TEST(MainTick, RefreshesOnScheduleOnlyWhenAlwaysOnOrInFastMode)
{
    TickForm &f = Fresh();
    f.blnListUpdated = false;
    f.SetStatus(QStringLiteral("old"));
    f.FreezeStatus();
    f.tmrTimer_Timer();
    EXPECT_EQ(f.refreshes, 0);
    EXPECT_EQ(status(), ""); // emptied although frozen

    frmSettings::instance().optAlwaysOn->setChecked(true);
    f.tmrFreezeStatus->setEnabled(false);
    f.blnFreezeStatus = false;
    f.onRefresh = [&f] { f.blnListUpdated = true; };
    f.tmrTimer_Timer();
    EXPECT_EQ(f.refreshes, 1);
    EXPECT_GE(f.NextRefreshTime, QDateTime::currentDateTime().addSecs(58));
    EXPECT_TRUE(status().startsWith("Refreshing in ")) << status().toStdString();
    EXPECT_TRUE(status() == "Refreshing in 1 minute" || status() == "Refreshing in 59 seconds") << status().toStdString();

    f.tmrTimer_Timer();
    EXPECT_EQ(f.refreshes, 1);
    f.blnForceRefresh = true;
    f.tmrTimer_Timer();
    EXPECT_EQ(f.refreshes, 2);
    EXPECT_FALSE(f.blnForceRefresh);

    // After a refresh that leaves fast mode on, the next one is the fast interval away.
    f.onRefresh = [&f] { f.blnItemsEndingSoon = true; };
    f.NextRefreshTime = QDateTime::currentDateTime().addSecs(-1);
    f.tmrTimer_Timer();
    EXPECT_EQ(f.refreshes, 3);
    EXPECT_LE(f.NextRefreshTime, QDateTime::currentDateTime().addSecs(5));

    // A frozen status keeps its message.
    f.SetStatus(QStringLiteral("kept"));
    f.FreezeStatus();
    f.tmrTimer_Timer();
    EXPECT_EQ(status(), "kept");
}

TEST(MainTick, ATickInsideARefreshStillBidsButSchedulesNothing)
{
    TickForm &f = Fresh();
    frmSettings::instance().optAlwaysOn->setChecked(true);
    f.blnListUpdated = false;
    int inner = 0;
    qsizetype bidsDuringRefresh = -1;
    f.onRefresh = [&] {
        // The refresh lets the timer fire again: that tick must not refresh
        // again, but a snipe that is due cannot wait for the refresh.
        ++inner;
        f.tmrTimer_Timer();
        bidsDuringRefresh = f.bids.size();
        f.blnListUpdated = true;
    };
    ListItem *due = snipe("50", 3);
    f.tmrTimer_Timer();
    EXPECT_EQ(inner, 1);
    EXPECT_EQ(f.refreshes, 1);
    EXPECT_EQ(bidsDuringRefresh, 1);
    EXPECT_EQ(f.bids, QStringList({"50"})); // and only once
    EXPECT_EQ(due->Tag(), "Ready to bid");

    // The countdown pass lets events run too (a bid window's run among
    // them): a tick inside it writes the heartbeat and starts the other rows'
    // bids, but never the bid being started again.
    f.onRefresh = nullptr;
    ListItem *second = snipe("51", 3);
    ListItem *third = snipe("52", 3);
    QStringList innerBids;
    QString innerHeartbeat;
    f.onBid = [&](ListItem *row) {
        if (row != second)
            return;
        SaveSetting(QStringLiteral("Last alive"), QString());
        f.tmrTimer_Timer();
        innerBids = f.bids;
        innerHeartbeat = GetSetting(QStringLiteral("Last alive"));
    };
    f.tmrTimer_Timer();
    EXPECT_EQ(innerBids, QStringList({"50", "51", "52"}));
    EXPECT_FALSE(innerHeartbeat.isEmpty());
    EXPECT_EQ(f.bids, QStringList({"50", "51", "52"}));
    EXPECT_EQ(second->Tag(), "Ready to bid");
    EXPECT_EQ(third->Tag(), "Ready to bid");
}

// A rewrite of the list pane or a long sort lets events run; a refresh pass
// started by a tick inside it would hold it up until the pass ended. Such a
// tick still bids, and the pass starts on the first tick after.
TEST(MainTick, ATickInsideListWorkStillBidsAndLeavesTheRefreshToTheTickAfterIt)
{
    TickForm &f = Fresh();
    frmSettings::instance().optAlwaysOn->setChecked(true);
    f.blnListUpdated = false;
    snipe("60", 3);
    {
        const LongPassHold listWork;
        f.tmrTimer_Timer();
        EXPECT_EQ(f.refreshes, 0);
        EXPECT_EQ(f.bids, QStringList({"60"}));
    }
    f.tmrTimer_Timer();
    EXPECT_EQ(f.refreshes, 1);
}

TEST(MainTick, ASignInUnderWayHoldsUpNeitherTheHeartbeatNorTheCountdownNorTheBidsAndIsNotSentAgain)
{
    TickForm &f = Fresh();
    f.holdSignIn = true;
    snipe("90", 200);
    ListItem *due = snipe("91", 3);
    ListItem *later = snipe("92", 30);
    const QDateTime refresh = QDateTime::currentDateTime().addSecs(600);
    f.NextRefreshTime = refresh;

    f.tmrTimer_Timer();
    EXPECT_EQ(f.signIns, 1);
    EXPECT_EQ(f.bids, QStringList({"91"}));
    EXPECT_EQ(due->Tag(), "Ready to bid");
    // Fast mode waits for the pair's end.
    EXPECT_FALSE(f.blnItemsEndingSoon);
    EXPECT_EQ(f.NextRefreshTime, refresh);

    // Later ticks, while the pair is under way, write the heartbeat, count
    // down and bid, and send no second pair.
    SaveSetting(QStringLiteral("Last alive"), QString());
    SaveSetting(QStringLiteral("Lead time"), QStringLiteral("40"));
    f.tmrTimer_Timer();
    f.tmrTimer_Timer();
    EXPECT_FALSE(GetSetting(QStringLiteral("Last alive")).isEmpty());
    EXPECT_EQ(f.signIns, 1);
    EXPECT_EQ(f.bids, QStringList({"91", "92"}));
    EXPECT_EQ(later->Tag(), "Ready to bid");

    // Its end begins fast mode; the next tick brings the refresh forward and
    // sends nothing more.
    f.finishSignIn(false);
    EXPECT_TRUE(f.blnItemsEndingSoon);
    f.tmrTimer_Timer();
    EXPECT_LE(f.NextRefreshTime, QDateTime::currentDateTime().addSecs(5));
    EXPECT_EQ(f.signIns, 1);
}

TEST(MainTick, TheSignInWaitsWhileABidOrARefreshIsUnderWayOrInetIsBusy)
{
    TickForm &f = Fresh();
    snipe("95", 200);
    f.blnBidding = true;
    f.tmrTimer_Timer();
    f.blnBidding = false;
    f.blnRefreshing = true;
    f.tmrTimer_Timer();
    EXPECT_EQ(f.signIns, 0);
    EXPECT_FALSE(f.blnItemsEndingSoon);
    f.blnRefreshing = false;
    f.tmrTimer_Timer();
    EXPECT_EQ(f.signIns, 1);
    EXPECT_TRUE(f.blnItemsEndingSoon);
}

TEST(MainTick, AnErrorEndsTheTickShowsItsNumberAndSchedulesTheNextRefresh)
{
    TickForm &f = Fresh();
    f.tmrTimer->setEnabled(true);
    ListItem *first = snipe("60", 3);
    ListItem *second = snipe("61", 500, QStringLiteral("Local"), QStringLiteral("59 m"));
    f.onBid = [](ListItem *) { throw NumberedError(-2147417848, QStringLiteral("Automation error")); };

    f.tmrTimer_Timer();
    EXPECT_EQ(status(), "Error #-2147417848 Automation error");
    EXPECT_TRUE(f.blnFreezeStatus);
    EXPECT_FALSE(f.tmrTimer->Enabled());
    EXPECT_EQ(first->Tag(), "Local");
    EXPECT_EQ(field(second, "timeleft"), "59 m"); // left for the next tick
    EXPECT_GE(f.NextRefreshTime, QDateTime::currentDateTime().addSecs(58));
    QFile log(basGeneral::DataFolder() + QStringLiteral("log.txt"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Error -2147417848 in tmrTimer, restarting..."));

    // Any other error leaves the timer running.
    f.tmrTimer->setEnabled(true);
    f.onBid = [](ListItem *) { throw NumberedError(5, QStringLiteral("Invalid procedure call or argument")); };
    f.tmrTimer_Timer();
    EXPECT_EQ(status(), "Error #5 Invalid procedure call or argument");
    EXPECT_TRUE(f.tmrTimer->Enabled());
}

TEST(MainTick, ARowRemovedWhileItsBidStartsIsNotTouchedAgain)
{
    TickForm &f = Fresh();
    snipe("80", 3);
    ListItem *next = snipe("81", 3);
    f.onBid = [&f](ListItem *row) {
        if (row->Text() == QLatin1String("80"))
            f.lvwAuctions->Remove(row->Index());
    };
    f.tmrTimer_Timer();
    ASSERT_EQ(f.lvwAuctions->Count(), 1);
    // The next row, now in the removed one's place, still gets its bid.
    EXPECT_EQ(f.bids, QStringList({"80", "81"}));
    EXPECT_EQ(next->Tag(), "Ready to bid");
}

TEST(MainTick, LooksForAnUpdateOnceADayOutsideFastModeAndLeavesTheRowsAloneWhileExiting)
{
    TickForm &f = Fresh();
    f.LastDate = QDate::currentDate().addDays(-1);
    f.blnItemsEndingSoon = true;
    f.tmrTimer_Timer();
    EXPECT_EQ(f.updateChecks, 0);
    f.blnItemsEndingSoon = false;
    f.tmrTimer_Timer();
    f.tmrTimer_Timer();
    EXPECT_EQ(f.updateChecks, 1);

    // While the program exits the rows are left alone.
    ListItem *due = snipe("70", 3, QStringLiteral("Local"), QStringLiteral("4 s"));
    f.blnExiting = true;
    f.tmrTimer_Timer();
    EXPECT_EQ(field(due, "timeleft"), "4 s");
    EXPECT_TRUE(f.bids.isEmpty());
}

// While "Always On", a row's page is asked for again before the normal
// interval since it was last asked for has run out, whatever starts the
// countdown to the next refresh afresh: a refresh that leaves fast mode, a
// failed tick. Fast mode reads a far row only then.
TEST(MainTick, TheNextRefreshComesBeforeARowsIntervalRunsOutWhateverRestartsTheCountdown)
{
    TickForm &f = Fresh();
    frmSettings::instance().optAlwaysOn->setChecked(true);
    const auto clockBack = qScopeGuard([] { EbayClock::SetComputerClockAhead(0); });
    ListItem *far = snipe("80", 1800, QStringLiteral(""), QStringLiteral("30 m"));
    f.NoteRowRead(far);
    EbayClock::SetComputerClockAhead(40);
    EXPECT_FALSE(f.RowReadDue(far));

    // A refresh that reads nothing (fast mode passed the row over) and
    // leaves fast mode: the next one is when the row's interval runs out.
    f.onRefresh = [&f] { f.blnItemsEndingSoon = false; };
    f.blnForceRefresh = true;
    f.tmrTimer_Timer();
    EXPECT_EQ(f.refreshes, 1);
    EXPECT_TRUE(status() == "Refreshing in 20 seconds" || status() == "Refreshing in 19 seconds") << status().toStdString();

    // A failed tick starts no longer countdown either.
    ListItem *due = snipe("81", 3);
    f.NoteRowRead(due);
    f.onBid = [](ListItem *) { throw NumberedError(5, QStringLiteral("Invalid procedure call or argument")); };
    f.tmrTimer_Timer();
    EXPECT_EQ(status(), "Error #5 Invalid procedure call or argument");
    EXPECT_LE(EbayClock::ComputerNow().secsTo(f.NextRefreshTime), 20);
    f.onBid = nullptr;
    due->setTag(QStringLiteral("Bid complete"));

    // Within the fast interval of its end the row is due; an ended row
    // holds nothing up, and nor does a row never read that has ended.
    EbayClock::SetComputerClockAhead(55);
    EXPECT_TRUE(f.RowReadDue(far));
    f.blnItemsEndingSoon = false;
    f.lvwAuctions->setField(far, QStringLiteral("timeleft"), QStringLiteral("Ended"));
    f.lvwAuctions->setField(due, QStringLiteral("timeleft"), QStringLiteral("Ended"));
    f.ScheduleNextRefresh();
    EXPECT_GE(EbayClock::ComputerNow().secsTo(f.NextRefreshTime), 59);

    // Without "Always On" only the rows near their end are read in fast mode.
    frmSettings::instance().optNotAlwaysOn->setChecked(true);
    EbayClock::SetComputerClockAhead(600);
    EXPECT_FALSE(f.RowReadDue(far));
}

TEST(MainTick, RowsOutsideTheirLastHourCostTheTickNothingAndJoinItWhenRefreshedIntoIt)
{
    TickForm &f = Fresh();
    constexpr int kIdleRows = 20000;
    for (int i = 0; i < kIdleRows; ++i)
        EngineTest::AddRow(QString::number(100000 + i), {{"timeleft", QStringLiteral("1 d 2 h ")}, {"enddate", endIn(90000)}});
    ListItem *due = snipe("99", 3);
    ListItem *later = snipe("98", 300, QStringLiteral("Local"), QStringLiteral("1 h 5 m "));

    // Every turn of the event loop under the tick moves this on by one.
    int turns = 0;
    bool counting = true;
    std::function<void()> count = [&] {
        ++turns;
        if (counting)
            QTimer::singleShot(0, count);
    };
    QTimer::singleShot(0, count);
    f.tmrTimer_Timer();
    counting = false;
    EXPECT_EQ(f.bids, QStringList({"99"}));
    EXPECT_EQ(due->Tag(), "Ready to bid");
    EXPECT_LT(turns, 100) << "the tick let events run for rows it does not count down";

    // A refresh brings a row into its last hour, and a sort moves it first.
    f.lvwAuctions->setField(later, QStringLiteral("timeleft"), QStringLiteral("5 m"));
    f.lvwAuctions->setField(later, QStringLiteral("enddate"), endIn(2));
    f.lvwAuctions->SortKey = 0;
    f.lvwAuctions->setSorted(true);
    ASSERT_EQ(later->Index(), kIdleRows + 1);
    f.tmrTimer_Timer();
    EXPECT_EQ(f.bids, QStringList({"99", "98"}));
    EXPECT_EQ(later->Tag(), "Ready to bid");
    // An ended row leaves the countdown.
    f.lvwAuctions->setField(due, QStringLiteral("timeleft"), QStringLiteral("Ended"));
    f.tmrTimer_Timer();
    EXPECT_EQ(field(due, "timeleft"), "Ended");

    // A started bid whose auction is over is read before the rest of the
    // refresh's pass.
    while (ReadFirst::Take()) {
    }
    f.lvwAuctions->setField(later, QStringLiteral("enddate"), endIn(-1));
    f.tmrTimer_Timer();
    EXPECT_EQ(later->Tag(), "Bid complete");
    EXPECT_EQ(ReadFirst::Take(), std::optional<QString>(QStringLiteral("98")));
    EXPECT_EQ(ReadFirst::Take(), std::nullopt);
}
