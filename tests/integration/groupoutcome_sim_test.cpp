// What a group's next snipe and a snipe whose preparation is never answered
// come to in the program against the simulator: the outcome of a bid is read
// right after its auction's end, and nothing of a bid goes out after it.
#include "tests/integration/bidsim.h"
#include "tests/integration/refreshsimutil.h"

#include "engine/bidstate.h"
#include "engine/frmbid.h"
#include "foundation/frmsettings.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "sim/core/simserver.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>

using namespace RefreshSim;

namespace {

void SetBidDelay(int seconds)
{
    frmSettings &settings = frmSettings::instance();
    settings.ddnBidDelay->setCurrentIndex(settings.ddnBidDelay->findData(seconds));
    ASSERT_EQ(settings.BidDelaySeconds(), seconds);
}

ListItem *GroupSnipe(const QString &number, const QString &group)
{
    return AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}, {"group", group}}, QStringLiteral("Local"));
}

} // namespace

// Two groups, each of two snipes 10 s apart with a 10 s bid delay: the
// second's moment is the first's end. A rival wins the first item of
// "lamps": its outcome is read within a second of the end, and the second
// snipe, waiting for it past its moment, goes out and wins. The ended page of
// the first item of "clocks" never reads: that one can never be known, so the
// group's second snipe is held with its line, and the row is never shown won.
TEST(GroupOutcomeWithSimulator, TheNextSnipeWaitsForTheFirstOutcomeAndIsHeldOnlyWhereItCannotBeKnown)
{
    Form &f = FreshForm();
    f.realBid = true;
    BidSim::ClearBidLog();
    ASSERT_NO_FATAL_FAILURE(SetBidDelay(10));
    const QString lampA = AddItem(25, 1.0);
    const QString lampB = AddItem(35, 1.0);
    const QString clockA = AddItem(26, 1.0);
    const QString clockB = AddItem(36, 1.0);
    ListItem *a = GroupSnipe(lampA, "lamps");
    ListItem *b = GroupSnipe(lampB, "lamps");
    ListItem *c = GroupSnipe(clockA, "clocks");
    ListItem *d = GroupSnipe(clockB, "clocks");

    f.tmrTimer->setEnabled(true);
    // bob outbids the lamps' first bid once eBay took it; the clocks' first
    // page is unreadable from its confirmation on.
    ASSERT_TRUE(RunUntil([&] { return BidState::Of(lampA) == BidState::State::Confirmed; }, 30));
    Server().bids().placeBid(*Server().items().find(lampA), QStringLiteral("bob"), 50.0, 1, Server().now());
    ASSERT_TRUE(RunUntil([&] { return !BidConfirmationsSince(0, clockA).isEmpty(); }, 5));
    AddFault(QStringLiteral("*ViewItem&item=") + clockA + QStringLiteral("*"), Sim::FaultMode::Empty, -1);
    const bool ended = RunUntil([&] { return Field(b, "timeleft") == "Ended" && SecondsShown(d) <= 0 && frmBid::ActiveRuns() == 0; }, 40);
    f.tmrTimer->setEnabled(false);
    Server().faults().clear();
    const QString log = BidSim::BidLog().join(QLatin1Char('\n'));
    BidSim::CloseBidWindows();
    ASSERT_TRUE(ended) << log.toStdString();

    EXPECT_EQ(BidState::Of(lampA), BidState::State::Lost) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Waiting for the outcome of the bid out in its group: item # ") + lampA))
        << "its moment came before the first's end was read";
    EXPECT_EQ(BidConfirmationsSince(0, lampB).size(), 1) << "held although the first was lost\n" << log.toStdString();
    EXPECT_EQ(Server().items().find(lampB)->winner, QStringLiteral("alice"));
    EXPECT_EQ(Field(a, "won"), "False");

    EXPECT_TRUE(BidState::BidOut(BidState::Of(clockA)));
    EXPECT_TRUE(BidConfirmationsSince(0, clockB).isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("Snipe on item # ") + clockB + QStringLiteral(" not placed: item # ") + clockA
                             + QStringLiteral(" of its group has a bid out whose outcome is not known yet")))
        << log.toStdString();
    EXPECT_NE(Field(c, "won"), "True") << "its outcome was never read";
    EXPECT_NE(Field(d, "won"), "True");
}

// A bid page that never answers: the run ends at the auction's end with the
// reason seen, sends nothing after it, and never says eBay refused a bid it
// never got.
TEST(GroupOutcomeWithSimulator, ABidPageNeverAnsweredEndsTheRunAtTheEndWithTheReasonSeen)
{
    Form &f = FreshForm();
    f.realBid = true;
    BidSim::ClearBidLog();
    const QString number = AddItem(16, 1.0);
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    AddFault(QStringLiteral("*?MakeBid&item=") + number + QStringLiteral("&*"), Sim::FaultMode::Hang, -1);
    const QDateTime end = Server().items().find(number)->endsAt;

    f.tmrTimer->setEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return !f.bids.isEmpty(); }, 20));
    const bool runEnded = RunUntil([] { return frmBid::ActiveRuns() == 0; }, 25);
    f.tmrTimer->setEnabled(false);
    Server().faults().clear();
    const QString log = BidSim::BidLog().join(QLatin1Char('\n'));
    ASSERT_TRUE(runEnded) << log.toStdString();
    // Within seconds of the end, not a request time-out later.
    EXPECT_LT(end.msecsTo(QDateTime::currentDateTimeUtc()), 8000);

    for (const Sim::LogEntry &request : RequestsSince(0))
        if (request.target.contains(number) && !request.target.contains(QLatin1String("ViewItem")))
            EXPECT_LE(request.arrival.toUTC(), end.addMSecs(500)) << request.target.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Snipe on item # ") + number
                             + QStringLiteral(" not placed: eBay did not answer the bid page")))
        << log.toStdString();
    EXPECT_FALSE(log.contains(QLatin1String("held up"))) << log.toStdString();
    frmBid *window = BidSim::LatestBidWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->txtDetails->toPlainText(), QStringLiteral("eBay did not answer the bid page"));
    EXPECT_FALSE(window->Label1->isVisible() && window->Label1->text().contains(QLatin1String("not accepted")));
    EXPECT_EQ(BidState::Of(number), BidState::State::Failed);
    EXPECT_NE(Field(row, "won"), "True");
    BidSim::CloseBidWindows();
}

// The program-wide bidding flag, which keeps refreshes off the auctions of
// bids under way, stays up while any bid window still runs: the window that
// ends first does not take it down under another one awaiting its reply.
TEST(GroupOutcomeWithSimulator, TheBiddingFlagStaysUpWhileAnotherBidWindowRuns)
{
    Form &f = FreshForm();
    f.realBid = true;
    const QString slow = AddItem(600, 1.0);
    const QString quick = AddItem(600, 1.0);
    ListItem *s = AddRow(slow, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    ListItem *q = AddRow(quick, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    AddFault(QStringLiteral("*MfcISAPICommand=MakeBid*item=") + slow + QStringLiteral("&*"), Sim::FaultMode::Hang, 1, 4000);

    // Sampled all along: whenever a bid window runs, the flag is up.
    int runningUnflagged = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        runningUnflagged += frmBid::ActiveRuns() > 0 && !f.blnBidding;
    });
    probe.start(20);
    f.Bid(s, false, false);
    const int afterFirst = frmBid::ActiveRuns();
    f.Bid(q, false, false);
    ASSERT_EQ(afterFirst, 1) << f.PanelText(QStringLiteral("Status")).toStdString();
    ASSERT_EQ(frmBid::ActiveRuns(), 2) << "both windows queued at once";
    ASSERT_TRUE(RunUntil([] { return frmBid::ActiveRuns() == 0; }, 30));
    probe.stop();
    EXPECT_EQ(runningUnflagged, 0);
    EXPECT_FALSE(f.blnBidding) << "the last window to end takes it down";
    EXPECT_EQ(BidState::Of(slow), BidState::State::Confirmed);
    EXPECT_EQ(BidState::Of(quick), BidState::State::Confirmed);
    Server().faults().clear();
    BidSim::CloseBidWindows();
}
