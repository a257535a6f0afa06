// eBay's clock moving against this computer's in an auction's last minutes,
// with the running main tick, refresh and bid window against the simulator:
// the snipe still lands at its moment by eBay's clock, and a snipe that
// cannot go out says so.
//
// The auctions end soon and the clocks are let run on at once where nothing
// is due, so "6 minutes before the end" takes seconds: once after the move
// down to just above fast mode's 5 minutes (the program has not read eBay's
// clock since the move), and once after the program's first refresh in fast
// mode down to a few seconds before the bid.
#include "tests/integration/bidsim.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/integration/snipetiming.h"

#include "engine/ebayclock.h"
#include "engine/frmbid.h"
#include "foundation/frmsettings.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"

#include <gtest/gtest.h>

#include <QComboBox>

#include <algorithm>
#include <cstdio>

using namespace RefreshSim;

namespace {

// FreshForm's bid delay and lead time.
constexpr qint64 kBidDelayS = 1;
constexpr qint64 kBidLeadS = 3 + kBidDelayS;
using SnipeTiming::kEarliestMs;
using SnipeTiming::kLatestMs;

struct ClockMove
{
    qint64 aheadS;   // eBay's clock moves this far ahead (behind when negative)
    qint64 beforeS;  // this long before the auction's end, after the move
};

std::ostream &operator<<(std::ostream &out, const ClockMove &m)
{
    return out << m.aheadS << " s at " << m.beforeS << " s before the end";
}

// Seconds from the simulator's present moment to the item's end.
qint64 TrueSecondsLeft(const QString &number)
{
    return Server().now().secsTo(Server().items().find(number)->endsAt);
}

bool ReadsEbaysTimeSince(qint64 mark)
{
    for (const QString &target : TargetsSince(mark))
        if (target.contains(QLatin1String("EbayTime")))
            return true;
    return false;
}

class EbayClockMoves : public ::testing::TestWithParam<ClockMove>
{
};

} // namespace

TEST_P(EbayClockMoves, TheSnipeIsConfirmedOnceAtItsMomentByEbaysClock)
{
    const ClockMove move = GetParam();
    Form &f = FreshForm();
    f.realBid = true;
    // No full refresh of its own between the move and the last 5 minutes.
    frmSettings &settings = frmSettings::instance();
    settings.ddnSyncInterval->setCurrentIndex(settings.ddnSyncInterval->findData(900));
    // Ends on a whole second, as its page shows it, and beforeS (and the
    // first refresh) after the move.
    const qint64 endS = Server().now().toSecsSinceEpoch() + move.beforeS + 3 + move.aheadS;
    const QString number =
        AddItem(0, 1.0, [endS](Sim::SimItem &item) { item.endsAt = QDateTime::fromSecsSinceEpoch(endS, Qt::UTC); });
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));

    f.tmrTimer->setEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return SecondsShown(row) > 0; }, 15)) << "the first refresh read the item";
    const qint64 mark = Mark();
    Server().moveEbayClock(move.aheadS);
    qint64 passedS = 0;
    auto letPass = [&](qint64 seconds) {
        if (seconds <= 0 || frmBid::ActiveRuns() > 0)
            return;
        LetTimePass(seconds);
        passedS += seconds;
    };
    // Down to just above the last 5 minutes as the program still sees them.
    letPass(SecondsShown(row) - 305);
    // The program's next refresh in fast mode, or its bid window, has read
    // eBay's clock (one that never does is left to run on).
    RunUntil([&] { return ReadsEbaysTimeSince(mark) && !f.blnRefreshing; }, 20);
    letPass(TrueSecondsLeft(number) - (kBidLeadS + 8));
    RunUntil([&] { return TrueSecondsLeft(number) < -3 && frmBid::ActiveRuns() == 0; }, 90);
    f.tmrTimer->setEnabled(false);

    const QList<Sim::LogEntry> confirmations = BidConfirmationsSince(mark, number);
    ASSERT_EQ(confirmations.size(), 1) << "bids started: " << f.bids.size() << "; bid log:\n"
                                       << BidSim::BidLog().join(QLatin1Char('\n')).toStdString();
    // The simulator's clock ran on with this computer's by passedS.
    const qint64 arrivalMs = confirmations.first().arrival.toMSecsSinceEpoch() + passedS * 1000;
    const qint64 momentMs = (Server().items().find(number)->endsAt.toSecsSinceEpoch() - kBidDelayS) * 1000;
    EXPECT_GE(arrivalMs - momentMs, kEarliestMs) << "confirmed " << momentMs - arrivalMs << " ms before its moment";
    EXPECT_LE(arrivalMs - momentMs, kLatestMs) << "confirmed " << arrivalMs - momentMs << " ms after its moment";
    EXPECT_EQ(f.bids, QStringList({number}));
    std::printf("eBay's clock moved %lld s at %lld s before the end: confirmed %lld ms off its moment\n",
                qlonglong(move.aheadS), qlonglong(move.beforeS), qlonglong(arrivalMs - momentMs));
}

INSTANTIATE_TEST_SUITE_P(AheadAndBehindAtSixMinutesTwoMinutesAnd45Seconds, EbayClockMoves,
                         ::testing::Values(ClockMove{37, 360}, ClockMove{37, 120}, ClockMove{37, 45},
                                           ClockMove{-37, 360}, ClockMove{-37, 120}, ClockMove{-37, 45}));

TEST(EbayClockMovesWithSimulator, AMoveAheadInTheLastMinuteIsSeenWithinSecondsAndTheSnipeStillWins)
{
    Form &f = FreshForm();
    f.realBid = true;
    frmSettings &settings = frmSettings::instance();
    settings.ddnBidDelay->setCurrentIndex(settings.ddnBidDelay->findData(2));
    // No refresh of the list reads eBay's clock again before the end.
    settings.ddnFastSyncInterval->setCurrentIndex(settings.ddnFastSyncInterval->findData(30));
    const qint64 endS = Server().now().toSecsSinceEpoch() + 60;
    const QString number =
        AddItem(0, 1.0, [endS](Sim::SimItem &item) { item.endsAt = QDateTime::fromSecsSinceEpoch(endS, Qt::UTC); });
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    f.tmrTimer->setEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return SecondsShown(row) > 0; }, 15)) << "the first refresh read the item";
    const qint64 passedS = std::max(0, SecondsShown(row) - 45);
    LetTimePass(passedS);
    const qint64 mark = Mark();
    // 37 s ahead with 45 s left: the real end is 8 s away.
    Server().moveEbayClock(37);
    RunUntil([&] { return TrueSecondsLeft(number) < -3 && frmBid::ActiveRuns() == 0; }, 40);
    ASSERT_TRUE(RunUntil([&] { return Field(row, "timeleft") == "Ended"; }, 40));
    f.tmrTimer->setEnabled(false);

    const QList<Sim::LogEntry> confirmations = BidConfirmationsSince(mark, number);
    ASSERT_EQ(confirmations.size(), 1) << BidSim::BidLog().join(QLatin1Char('\n')).toStdString();
    // The simulator's clock ran on with this computer's by passedS.
    EXPECT_LT(confirmations.first().arrival.addSecs(passedS), Server().items().find(number)->endsAt) << "before the end";
    EXPECT_EQ(f.bids, QStringList({number}));
    EXPECT_EQ(Server().items().find(number)->winner, QStringLiteral("alice"));
    EXPECT_EQ(Field(row, "won"), "True");
}

TEST(EbayClockMovesWithSimulator, ABidWindowStartedJustAfterTheMoveHoldsItsConfirmationToEbaysClock)
{
    Form &f = FreshForm();
    f.realBid = true;
    // No refresh between the move and the bid's start.
    frmSettings &settings = frmSettings::instance();
    settings.ddnFastSyncInterval->setCurrentIndex(settings.ddnFastSyncInterval->findData(30));
    const qint64 endS = Server().now().toSecsSinceEpoch() + 12;
    const QString number =
        AddItem(0, 1.0, [endS](Sim::SimItem &item) { item.endsAt = QDateTime::fromSecsSinceEpoch(endS, Qt::UTC); });
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    f.tmrTimer->setEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return SecondsShown(row) > 0 && SecondsShown(row) <= kBidLeadS + 1; }, 15));
    ASSERT_TRUE(f.bids.isEmpty());
    const qint64 mark = Mark();
    // The bid starts on the next tick, 37 s early by eBay's clock now.
    Server().moveEbayClock(-37);
    RunUntil([&] { return TrueSecondsLeft(number) < -3 && frmBid::ActiveRuns() == 0; }, 70);
    f.tmrTimer->setEnabled(false);

    const QList<Sim::LogEntry> confirmations = BidConfirmationsSince(mark, number);
    ASSERT_EQ(confirmations.size(), 1);
    const qint64 arrivalMs = confirmations.first().arrival.toMSecsSinceEpoch();
    const qint64 momentMs = (Server().items().find(number)->endsAt.toSecsSinceEpoch() - kBidDelayS) * 1000;
    EXPECT_GE(arrivalMs - momentMs, kEarliestMs) << "confirmed " << momentMs - arrivalMs << " ms before its moment";
    EXPECT_LE(arrivalMs - momentMs, kLatestMs) << "confirmed " << arrivalMs - momentMs << " ms after its moment";
}

TEST(MissedSnipeWithSimulator, ASnipeWhoseMomentPassesUnstartedSaysSoInTheBidLogAndTheStatusBar)
{
    Form &f = FreshForm();
    f.realBid = true;
    BidSim::ClearBidLog();
    const QString number = AddItem(40, 1.0);
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    f.tmrTimer->setEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return SecondsShown(row) > 0; }, 15));
    // This computer asleep over the snipe's moment and its end.
    LetTimePass(45);
    const QString line = QStringLiteral("Snipe on item # ") + number + QStringLiteral(" not placed: ");
    ASSERT_TRUE(RunUntil([&] { return f.PanelText(QStringLiteral("Status")).startsWith(line); }, 10))
        << f.PanelText(QStringLiteral("Status")).toStdString();
    ASSERT_TRUE(RunUntil([&] { return Field(row, "timeleft") == "Ended"; }, 20));
    f.tmrTimer->setEnabled(false);

    EXPECT_TRUE(f.bids.isEmpty());
    QStringList said;
    for (const QString &entry : BidSim::BidLog())
        if (entry.startsWith(line))
            said << entry;
    // Once, with the reason.
    ASSERT_EQ(said.size(), 1) << BidSim::BidLog().join(QLatin1Char('\n')).toStdString();
    EXPECT_GT(said.first().size(), line.size() + 10);
}

TEST(MissedSnipeWithSimulator, ASnipeMissedBecauseEbaysClockMovedPastItsEndNamesTheMoveFromItsItemNumberOn)
{
    Form &f = FreshForm();
    f.realBid = true;
    BidSim::ClearBidLog();
    // No refresh of the list reads the item before the end.
    frmSettings &settings = frmSettings::instance();
    settings.ddnFastSyncInterval->setCurrentIndex(settings.ddnFastSyncInterval->findData(30));
    const QString number = AddItem(50, 1.0);
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    f.tmrTimer->setEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return SecondsShown(row) > 0 && SecondsShown(row) <= 45; }, 20));
    // The end is past at once.
    Server().moveEbayClock(60);
    // Whether the countdown or a refresh sees the end first, the move is named.
    const QString line = QStringLiteral("Snipe on item # ") + number + QStringLiteral(" not placed: ");
    const QString moved = QStringLiteral("eBay's clock moved by +60 s");
    ASSERT_TRUE(RunUntil([&] { return f.PanelText(QStringLiteral("Status")).startsWith(line); }, 15))
        << f.PanelText(QStringLiteral("Status")).toStdString() << "\n"
        << BidSim::BidLog().join(QLatin1Char('\n')).toStdString();
    // Held long enough to read, beyond the refresh's countdown.
    EXPECT_GE(f.tmrFreezeStatus->Interval(), 10'000);
    f.tmrTimer->setEnabled(false);
    EXPECT_TRUE(f.PanelText(QStringLiteral("Status")).contains(moved)) << f.PanelText(QStringLiteral("Status")).toStdString();
    EXPECT_TRUE(f.bids.isEmpty());
    const QStringList said = BidSim::BidLog().filter(line);
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said.first().contains(moved));
}

TEST(MissedSnipeWithSimulator, ASnipeWhoseBidWindowFailsBeforeItsConfirmationSaysSoWithTheWindowsReason)
{
    Form &f = FreshForm();
    f.realBid = true;
    BidSim::ClearBidLog();
    // eBay no longer takes the password the program keeps.
    Server().addAccount(QStringLiteral("alice"), QStringLiteral("changed"));
    const QString number = AddItem(12, 1.0);
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    f.tmrTimer->setEnabled(true);
    const QString line = QStringLiteral("Snipe on item # ") + number + QStringLiteral(" not placed: Your username or password is invalid");
    auto said = [&] {
        for (const QString &entry : BidSim::BidLog())
            if (entry.startsWith(line))
                return true;
        return false;
    };
    EXPECT_TRUE(RunUntil(said, 30)) << BidSim::BidLog().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(f.PanelText(QStringLiteral("Status")).startsWith(line)) << f.PanelText(QStringLiteral("Status")).toStdString();
    RunUntil([&] { return Field(row, "timeleft") == "Ended"; }, 20);
    f.tmrTimer->setEnabled(false);
    BidSim::CloseBidWindows();
    EXPECT_EQ(f.bids, QStringList({number}));
}

// eBay's time page never reads and its clock is 37 s ahead of the time
// zones' reckoning: the dates its replies carry set the clock, so the rows
// count down to the true end and the snipe is confirmed before it.
TEST(EbayClockMovesWithSimulator, WithItsTimePageUnreadableEbaysClockIsReadFromItsRepliesDates)
{
    Form &f = FreshForm();
    f.realBid = true;
    BidSim::ClearBidLog();
    AddFault(QStringLiteral("EbayTime"), Sim::FaultMode::Empty, -1);
    Server().moveEbayClock(37);
    EbayClock::ForgetMeasurement();
    const QString number = AddItem(60, 1.0);
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    const qint64 mark = Mark();
    f.tmrTimer->setEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return SecondsShown(row) > 0; }, 15)) << "the first refresh read the item";
    EXPECT_EQ(EbayClock::Source(), EbayClock::OffsetSource::ReplyDates);
    // Within the few seconds a busy machine takes, not 37 s past the end.
    EXPECT_LE(std::abs(SecondsShown(row) - TrueSecondsLeft(number)), 5)
        << SecondsShown(row) << " s shown, " << TrueSecondsLeft(number) << " s left";
    qint64 passedS = 0;
    if (const qint64 wait = TrueSecondsLeft(number) - (kBidLeadS + 8); wait > 0 && frmBid::ActiveRuns() == 0) {
        LetTimePass(wait);
        passedS = wait;
    }
    RunUntil([&] { return TrueSecondsLeft(number) < -3 && frmBid::ActiveRuns() == 0; }, 60);
    f.tmrTimer->setEnabled(false);

    const QString bidLog = BidSim::BidLog().join(QLatin1Char('\n'));
    const QList<Sim::LogEntry> confirmations = BidConfirmationsSince(mark, number);
    ASSERT_EQ(confirmations.size(), 1) << bidLog.toStdString();
    const qint64 arrivalMs = confirmations.first().arrival.toMSecsSinceEpoch() + passedS * 1000;
    EXPECT_LT(arrivalMs, Server().items().find(number)->endsAt.toMSecsSinceEpoch()) << "confirmed after the end";
    EXPECT_FALSE(bidLog.contains(QLatin1String("not placed"))) << bidLog.toStdString();
    EXPECT_EQ(DataFileText(QStringLiteral("log.txt")).count(QLatin1String("eBay's clock read from the dates of its replies")), 1);
    Server().faults().clear();
}
