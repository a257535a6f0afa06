// Won or lost after this program's own bids, as the user meets it: the main
// tick or the bid window bids against the simulator, the auction ends, and
// the refresh decides. A bid that never went in wins nothing and leaves the
// rest of its bid group free to bid.
#include "tests/integration/bidsim.h"
#include "tests/integration/refreshsimutil.h"

#include "engine/frmfailurereport.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>

using namespace RefreshSim;

namespace {

const QString kMax = QStringLiteral("1 @ 25.00");

void EndNow(const QString &number)
{
    Server().items().find(number)->endsAt = Server().now().addSecs(-1);
}

// A rival's maximum, placed before ours.
void RivalBids(const QString &number, double max)
{
    Server().bids().placeBid(*Server().items().find(number), QStringLiteral("bob"), max, 1, Server().now().addSecs(-60));
}

bool ReportShown()
{
    return frmFailureReport::isLoaded() && frmFailureReport::instance().isVisible();
}

void CloseBidWindow()
{
    if (frmBid *form = BidSim::LatestBidWindow())
        form->cmdClose_Click();
}

} // namespace

TEST(BidOutcomeWithSimulator, AGroupWhoseFirstBidIsRefusedBidsOnItsSecondItemAndWinsIt)
{
    Form &f = FreshForm();
    f.realBid = true;
    const QString first = AddItem(14, 10.0);
    const QString second = AddItem(38, 10.0);
    Server().bids().item(first).confirm = QStringLiteral("B2"); // the seller does not accept the bid
    ListItem *a = AddRow(first, {{"maxbid", kMax}, {"user", "alice"}, {"group", "G"}}, QStringLiteral("Local"));
    ListItem *b = AddRow(second, {{"maxbid", kMax}, {"user", "alice"}, {"group", "G"}}, QStringLiteral("Local"));

    f.tmrTimer->setEnabled(true);
    const bool firstDecided = RunUntil([&] { return Field(a, "timeleft") == "Ended"; }, 40);
    const bool secondDecided = RunUntil([&] { return Field(b, "timeleft") == "Ended"; }, 50);
    f.tmrTimer->setEnabled(false);
    CloseBidWindow();

    ASSERT_TRUE(firstDecided);
    ASSERT_TRUE(secondDecided);
    EXPECT_EQ(Field(a, "currentbid").contains("10.00"), true) << Field(a, "currentbid").toStdString();
    EXPECT_EQ(Field(a, "won"), "False") << "its bid was refused";
    EXPECT_EQ(f.bids, QStringList({first, second}));
    EXPECT_EQ(b->Tag(), "Bid complete");
    EXPECT_EQ(Field(b, "won"), "True");
    EXPECT_EQ(Server().items().find(second)->winner, "alice");
}

TEST(BidOutcomeWithSimulator, AnAuctionThatEndedBeforeTheBidIsNotWon)
{
    Form &f = FreshForm();
    f.realBid = true;
    // Someone bid at the starting price, within our maximum; the auction
    // is over when our bid window gets to it.
    const QString number = AddItem(3600, 10.0);
    RivalBids(number, 12.0);
    EndNow(number);
    ListItem *row = BidSim::AddSnipe(number, QStringLiteral("1"), QStringLiteral("25.00"), QStringLiteral("alice"));
    const BidSim::RunResult r = BidSim::RunBid(row);
    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.caption, "Auction Ended");
    CloseBidWindow();

    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(Field(row, "timeleft"), "Ended");
    EXPECT_EQ(Field(row, "bids"), "1");
    EXPECT_EQ(Field(row, "won"), "False");
}

TEST(BidOutcomeWithSimulator, AnAuctionThatEndedBeforeItsSnipeStartedIsNotWonWhenTheItemNamesAnotherWinner)
{
    // The program was not running when the auction ended (or the listing
    // ended early): its snipe never started and someone else won within
    // our maximum.
    Form &f = FreshForm();
    const QString number = AddItem(3600, 10.0);
    RivalBids(number, 12.0);
    EndNow(number);
    Server().items().find(number)->winner = QStringLiteral("bob");
    ListItem *row = AddRow(number, {{"maxbid", kMax}, {"user", "alice"}}, QStringLiteral("Local"));

    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(Field(row, "timeleft"), "Ended");
    EXPECT_EQ(Field(row, "bids"), "1");
    EXPECT_EQ(Field(row, "won"), "False");
    EXPECT_TRUE(f.bids.isEmpty());
}

TEST(BidOutcomeWithSimulator, AnAuctionEndedWithoutBidsIsWonByNoRow)
{
    Form &f = FreshForm();
    const QString watchedItem = AddItem(3600, 10.0);
    const QString snipedItem = AddItem(3600, 10.0);
    EndNow(watchedItem);
    EndNow(snipedItem);
    ListItem *watched = AddRow(watchedItem, {{"maxbid", "(watching)"}, {"user", "alice"}});
    // The online service was to bid and did not.
    ListItem *snipe = AddRow(snipedItem, {{"maxbid", kMax}, {"user", "alice"}}, QStringLiteral("Online"));

    f.RefreshAuctions(QString(), false, false);

    for (ListItem *row : {watched, snipe}) {
        EXPECT_EQ(Field(row, "timeleft"), "Ended");
        EXPECT_EQ(Field(row, "bids"), "0");
        EXPECT_EQ(Field(row, "won"), "False") << row->Text().toStdString();
    }
}

TEST(BidOutcomeWithSimulator, AConfirmedBidWinsByPriceAndARefusedOrOutbidOneDoesNotWhileRunningOrOnceEnded)
{
    Form &f = FreshForm();
    f.realBid = true;
    const QString wonItem = AddItem(3600, 10.0);
    const QString tiedItem = AddItem(3600, 10.0);
    const QString refusedItem = AddItem(3600, 10.0);
    // A rival got in first with the same maximum: eBay keeps the earlier.
    RivalBids(tiedItem, 25.0);
    Server().bids().item(refusedItem).confirm = QStringLiteral("B2"); // the seller does not accept the bid
    ListItem *won = BidSim::AddSnipe(wonItem, QStringLiteral("1"), QStringLiteral("25.00"), QStringLiteral("alice"));
    ListItem *tied = BidSim::AddSnipe(tiedItem, QStringLiteral("1"), QStringLiteral("25.00"), QStringLiteral("alice"));
    ListItem *refused = BidSim::AddSnipe(refusedItem, QStringLiteral("1"), QStringLiteral("25.00"), QStringLiteral("alice"));
    EXPECT_EQ(BidSim::RunBid(won).caption, "Bid Progress");
    const BidSim::RunResult outbid = BidSim::RunBid(tied);
    EXPECT_EQ(outbid.caption, "You've Been Outbid");
    EXPECT_FALSE(outbid.failed);
    CloseBidWindow();
    EXPECT_NE(BidSim::RunBid(refused).caption, "Bid Progress");
    CloseBidWindow();

    // Every price is within the maximum, the outbid one tied at it.
    const auto expectWon = [&](const char *moment) {
        SCOPED_TRACE(moment);
        EXPECT_EQ(Field(won, "won"), "True");
        EXPECT_EQ(Field(tied, "currentbid").contains("25.00"), true) << Field(tied, "currentbid").toStdString();
        EXPECT_EQ(Field(tied, "won"), "False");
        EXPECT_EQ(Field(refused, "currentbid").contains("10.00"), true) << Field(refused, "currentbid").toStdString();
        EXPECT_EQ(Field(refused, "won"), "False");
    };
    f.RefreshAuctions(QString(), false, false);
    expectWon("while the auctions run");

    // The pages name no winner: the price decides.
    for (const QString &number : {wonItem, tiedItem, refusedItem}) {
        EndNow(number);
        Server().items().find(number)->winner.clear();
    }
    f.RefreshAuctions(QString(), false, false);
    expectWon("once ended");
}

TEST(BidOutcomeWithSimulator, AnOutbidSnipeSaysSoAndOpensNoProblemReport)
{
    Form &f = FreshForm();
    f.realBid = true;
    if (frmFailureReport::isLoaded())
        frmFailureReport::unloadInstance();
    BidSim::ClearBidLog();
    const QString number = AddItem(16, 10.0);
    RivalBids(number, 80.0);
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 70.00"}, {"user", "alice"}}, QStringLiteral("Local"));

    f.tmrTimer->setEnabled(true);
    const bool decided = RunUntil([&] { return Field(row, "timeleft") == "Ended"; }, 40);
    f.tmrTimer->setEnabled(false);

    ASSERT_TRUE(decided);
    ASSERT_EQ(f.bids, QStringList({number}));
    frmBid *form = BidSim::LatestBidWindow();
    ASSERT_NE(form, nullptr) << "the window stays open with the reason";
    EXPECT_EQ(form->windowTitle(), "You've Been Outbid");
    EXPECT_EQ(form->txtDetails->toPlainText(),
              "Another bidder placed a higher maximum bid or placed the same maximum bid before you did.");
    EXPECT_FALSE(form->blnUnknownFail);
    EXPECT_FALSE(ReportShown());
    EXPECT_TRUE(BidSim::BidLog().contains("Bidding, failed: Other bidder higher")) << BidSim::BidLog().join('\n').toStdString();
    EXPECT_EQ(row->Tag(), "Bid complete");
    EXPECT_EQ(Field(row, "won"), "False");
    EXPECT_EQ(Server().items().find(number)->winner, "bob");
    CloseBidWindow();
}

TEST(BidOutcomeWithSimulator, ARefusedBidStillWinsNothingAfterARestart)
{
    Form &before = FreshForm();
    before.realBid = true;
    const QString number = AddItem(3600, 10.0);
    RivalBids(number, 12.0);
    Server().bids().item(number).confirm = QStringLiteral("B13"); // not allowed to purchase
    ListItem *row = BidSim::AddSnipe(number, QStringLiteral("1"), QStringLiteral("25.00"), QStringLiteral("alice"));
    EXPECT_EQ(BidSim::RunBid(row).caption, "Bid Blocked");
    CloseBidWindow();
    before.SaveList(false);

    Form &f = RestartedForm();
    ASSERT_TRUE(f.ReadListFile(QStringLiteral("data6.dat")));
    ListItem *again = f.lvwAuctions->FindItem(number);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Tag(), "Bid complete") << "its bid went out before the restart";
    EndNow(number);
    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(Field(again, "won"), "False");
}
