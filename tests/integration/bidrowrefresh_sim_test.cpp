// A bid placed at once in the running main window: as soon as its bid
// window's run has ended, the row shows what the bid left at eBay, long
// before the next scheduled refresh, and a row the item-number box added just
// before a Buy It Now has its title, time left and price.
#include "tests/integration/bidsim.h"
#include "tests/integration/shownmain.h"

#include "mainwindow/frmmain.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"

#include <gtest/gtest.h>

using namespace RefreshSim;

namespace {

// The running main window with its tick off and no refresh due for an hour.
frmMain &quietMain()
{
    frmMain &m = ShownMain::Show();
    m.tmrTimer->setEnabled(false);
    m.NextRefreshTime = QDateTime::currentDateTime().addSecs(3600);
    BidSim::ClearBidLog();
    return m;
}

// Waits for every bid window's run to end.
bool bidsEnded()
{
    return RunUntil([] { return frmBid::ActiveRuns() == 0; }, 60);
}

} // namespace

TEST(BidRowRefresh, ABidNowShowsTheNewPriceAndBidsOnceItsWindowHasEnded)
{
    frmMain &m = quietMain();
    const QString number = AddItem(3600, 10.0);
    Sim::SimItem &item = *Server().items().find(number);
    Server().bids().placeBid(item, QStringLiteral("bob"), 15.0, 1, Server().now());
    // As the last refresh left it: bob's first bid not seen yet.
    ListItem *row = AddRow(number,
                           {{"itemtitle", "Simulated item"}, {"currentbid", "US $10.00"}, {"bids", "0"},
                            {"maxbid", "1 @ 20.00"}, {"user", "alice"}},
                           QStringLiteral("Local"));

    m.Bid(row, false, false);
    ASSERT_TRUE(bidsEnded());
    EXPECT_EQ(item.winner, QStringLiteral("alice"));
    EXPECT_TRUE(RunUntil([&] { return Field(row, "currentbid") == QStringLiteral("US $15.50"); }, 10))
        << "the row still shows " << Field(row, "currentbid").toStdString();
    EXPECT_EQ(Field(row, "bids"), QStringLiteral("2"));
}

TEST(BidRowRefresh, ABuyItNowOnARowNotReadYetFillsItOnceItsWindowHasEnded)
{
    frmMain &m = quietMain();
    const QString number = AddItem(3600, 10.0, [](Sim::SimItem &i) {
        i.buyItNow = 25;
        i.title = QStringLiteral("Brass lamp");
    });
    // As the item-number box adds a row: nothing read from the item page yet.
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 25.00"}, {"user", "alice"}}, QStringLiteral("Local"));

    m.Bid(row, false, true);
    ASSERT_TRUE(bidsEnded());
    EXPECT_TRUE(RunUntil([&] { return Field(row, "itemtitle") == QStringLiteral("Brass lamp"); }, 10))
        << "the title is still " << Field(row, "itemtitle").toStdString();
    EXPECT_FALSE(Field(row, "timeleft").isEmpty());
    EXPECT_FALSE(Field(row, "currentbid").isEmpty());
}
