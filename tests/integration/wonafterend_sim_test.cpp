// Won or not once the auction is over, when the item page names no winner
// (eBay hides bidders' names on many listings) and the price alone would say
// "won": only a bid eBay confirmed wins then, and only a real win closes the
// rest of its bid group. A bid whose confirmation never reached eBay is shown
// and logged as of unknown outcome.
#include "tests/integration/bidsim.h"
#include "tests/integration/closedoffer.h"
#include "tests/integration/refreshsimutil.h"

#include "engine/bidrecord.h"
#include "engine/bidstate.h"
#include "engine/frmfailurereport.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"

#include <gtest/gtest.h>

#include <memory>

using namespace RefreshSim;

namespace {

void EndNow(const QString &number)
{
    Server().items().find(number)->endsAt = Server().now().addSecs(-1);
}

// A rival's maximum, placed before ours; the page will name no winner.
void RivalBidsUnnamed(const QString &number, double max)
{
    Server().bids().placeBid(*Server().items().find(number), QStringLiteral("bob"), max, 1, Server().now().addSecs(-60));
    Server().items().find(number)->winner.clear();
}

ListItem *GroupSnipe(const QString &number, const QString &max)
{
    return AddRow(number, {{"maxbid", max}, {"user", "alice"}, {"group", "G"}}, QStringLiteral("Local"));
}

struct TiedGroup
{
    ListItem *first;
    ListItem *second;
};

// A group's first snipe taken by eBay and over at exactly its maximum (bob's
// 24.50 plus one increment), its page naming `shownWinner` ("" for none);
// the group's second snipe ends in 20 seconds and is only recorded when due.
TiedGroup AcceptedBidEndedAtItsMaximum(Form &f, const QString &shownWinner)
{
    f.realBid = true;
    const QString first = AddItem(3600, 10.0);
    RivalBidsUnnamed(first, 24.50);
    ListItem *a = GroupSnipe(first, QStringLiteral("1 @ 25.00"));
    EXPECT_EQ(BidSim::RunBid(a).caption, "Bid Progress");
    BidSim::CloseBidWindows();
    EXPECT_EQ(BidRecord::Of(first), BidRecord::Outcome::Confirmed);
    EndNow(first);
    Server().items().find(first)->winner = shownWinner;
    f.realBid = false;
    return {a, GroupSnipe(AddItem(20, 10.0), QStringLiteral("1 @ 25.00"))};
}

bool RunUntilEnded(Form &f, const ListItem *row)
{
    f.tmrTimer->setEnabled(true);
    const bool ended = RunUntil([&] { return Field(row, "timeleft") == "Ended"; }, 40);
    f.tmrTimer->setEnabled(false);
    return ended;
}

} // namespace

TEST(WonAfterTheEnd, AConfirmationThatNeverReachedEbayIsNotWonAndLeavesTheGroupsNextSnipeToBid)
{
    Form &f = FreshForm();
    f.realBid = true;
    BidSim::ClearBidLog();
    // bob leads at 84; our maximum of 120 would have beaten him.
    const QString first = AddItem(14, 84.0);
    RivalBidsUnnamed(first, 90.0);
    const QString second = AddItem(40, 10.0);
    ListItem *a = GroupSnipe(first, QStringLiteral("1 @ 120.00"));
    ListItem *b = GroupSnipe(second, QStringLiteral("1 @ 120.00"));

    auto closed = std::make_unique<ClosedOfferHttps>(Server());
    f.tmrTimer->setEnabled(true);
    const bool firstDecided = RunUntil([&] { return Field(a, "timeleft") == "Ended"; }, 40);
    closed.reset();
    BidSim::CloseBidWindows();
    const QString firstTag = a->Tag();
    const QString firstWon = Field(a, "won");
    const QString secondTagAfterFirst = b->Tag();
    const bool secondDecided = RunUntil([&] { return Field(b, "timeleft") == "Ended"; }, 50);
    f.tmrTimer->setEnabled(false);
    BidSim::CloseBidWindows();

    ASSERT_TRUE(firstDecided);
    EXPECT_TRUE(BidConfirmationsSince(0, first).isEmpty()) << "the confirmation never reached eBay";
    // Its connection refused on every try, nothing was written: not sent,
    // not of unknown outcome.
    EXPECT_EQ(BidState::Of(first), BidState::State::Failed);
    EXPECT_EQ(Field(a, "currentbid").contains("84.00"), true) << Field(a, "currentbid").toStdString();
    EXPECT_EQ(firstWon, "False");
    EXPECT_EQ(firstTag, "Bid complete");
    EXPECT_EQ(secondTagAfterFirst, "Local");
    const QString unknown = QStringLiteral("Bid on item # ") + first
        + QStringLiteral(" not confirmed by eBay, outcome unknown: check the item on eBay");
    EXPECT_EQ(BidSim::BidLog().count(unknown), 0) << BidSim::BidLog().join('\n').toStdString();
    EXPECT_EQ(BidSim::BidLog().filter(QStringLiteral("Bid not sent: Error # ")).size(), 1);

    ASSERT_TRUE(secondDecided);
    EXPECT_EQ(f.bids, QStringList({first, second}));
    EXPECT_EQ(b->Tag(), "Bid complete");
    EXPECT_EQ(Field(b, "won"), "True");
    EXPECT_EQ(Server().items().find(second)->winner, "alice");
    // Later refreshes keep the first row as it was, and log it only once.
    f.blnForceRefreshAll = true;
    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(a->Tag(), "Bid complete");
    EXPECT_EQ(Field(a, "won"), "False");
    EXPECT_EQ(BidSim::BidLog().count(unknown), 0);
}

TEST(WonAfterTheEnd, AnAcceptedBidEndingAtExactlyItsMaximumIsWonAndHoldsBackTheGroupsNextSnipe)
{
    Form &f = FreshForm();
    const TiedGroup g = AcceptedBidEndedAtItsMaximum(f, QString());

    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(Field(g.first, "currentbid"), "US $25.00");
    EXPECT_EQ(Field(g.first, "won"), "True");
    EXPECT_EQ(g.second->Tag(), "Other in group won");

    ASSERT_TRUE(RunUntilEnded(f, g.second));
    EXPECT_EQ(f.bids, QStringList({g.first->Text()})) << "the group's next snipe is never placed";
    EXPECT_TRUE(BidConfirmationsSince(0, g.second->Text()).isEmpty());
    EXPECT_EQ(g.second->Tag(), "Other in group won");
}

TEST(WonAfterTheEnd, AnAcceptedBidEndingAtExactlyItsMaximumOnAPageNamingAnotherWinnerIsNotWonAndTheGroupBidsOn)
{
    Form &f = FreshForm();
    const TiedGroup g = AcceptedBidEndedAtItsMaximum(f, QStringLiteral("bob"));

    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(Field(g.first, "currentbid"), "US $25.00");
    EXPECT_EQ(Field(g.first, "won"), "False");
    EXPECT_EQ(g.second->Tag(), "Local");

    ASSERT_TRUE(RunUntilEnded(f, g.second));
    EXPECT_EQ(f.bids, QStringList({g.first->Text(), g.second->Text()})) << "the group's next snipe is placed";
}

TEST(WonAfterTheEnd, ASnipeNeverPlacedWinsWhileRunningByPriceButNotOnceEnded)
{
    // The program was not running at the end: its snipe never went out.
    Form &f = FreshForm();
    const QString number = AddItem(3600, 84.0);
    RivalBidsUnnamed(number, 90.0);
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 120.00"}, {"user", "alice"}}, QStringLiteral("Local"));

    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(Field(row, "won"), "True") << "winning while it runs";

    EndNow(number);
    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(Field(row, "timeleft"), "Ended");
    EXPECT_EQ(Field(row, "won"), "False");
    EXPECT_EQ(row->Tag(), "Local");
    EXPECT_TRUE(f.bids.isEmpty());
}

TEST(WonAfterTheEnd, TheOnlineServicesSnipesAreStillWonByPrice)
{
    // Their bids are placed by the service; this program keeps no record of
    // them.
    Form &f = FreshForm();
    const QString online = AddItem(3600, 84.0);
    const QString both = AddItem(3600, 84.0);
    for (const QString &number : {online, both}) {
        RivalBidsUnnamed(number, 90.0);
        EndNow(number);
    }
    ListItem *onlineRow = AddRow(online, {{"maxbid", "1 @ 120.00"}, {"user", "alice"}}, QStringLiteral("Online"));
    ListItem *bothRow = AddRow(both, {{"maxbid", "1 @ 120.00"}, {"user", "alice"}}, QStringLiteral("Both"));

    f.RefreshAuctions(QString(), false, false);
    for (ListItem *row : {onlineRow, bothRow}) {
        EXPECT_EQ(Field(row, "timeleft"), "Ended");
        EXPECT_EQ(Field(row, "won"), "True") << row->Tag().toStdString();
    }
    EXPECT_TRUE(f.bids.isEmpty());
}
