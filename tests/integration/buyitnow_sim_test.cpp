// Buy It Now in the running program against the simulator: chosen in the
// wizard, opened through a row's Edit link or the "$" button's item-number
// box, it buys the item with one purchase request, and the row reads won
// after its refresh. A bid that meets the Buy It Now price is refused by
// eBay: shown and logged.
#include "tests/integration/bidsim.h"
#include "tests/integration/heldsnipe.h"
#include "tests/integration/shownmain.h"
#include "tests/integration/wizardsim.h"

#include "engine/bidrecord.h"
#include "items/frmaddauction.h"
#include "items/frmitemnumber.h"
#include "items/itemwindows.h"
#include "mainwindow/frmmain.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

using namespace RefreshSim;

namespace {

constexpr double kBuyItNow = 30.0;

QString ItemWithBuyItNow()
{
    return AddItem(3600, 18.0, [](Sim::SimItem &i) { i.buyItNow = kBuyItNow; });
}

// The wizard on `number`, opened through the row's Edit link or the "$"
// button, with Buy It Now chosen and finished; what its option offered.
QString BuyThroughTheWizard(frmMain &main, const QString &number, bool throughEdit)
{
    ListItem *row = throughEdit ? AddRow(number, {{"maxbid", "(watching)"}, {"user", "alice"}}) : nullptr;
    QString offer;
    const bool finished = FinishWizardOpenedBy(
        [&] {
            if (row) {
                bool cancel = false;
                main.HTMLList_BeforeNavigate2(QStringLiteral("tmr:///edit=") + QString::number(row->Index()), cancel);
                return;
            }
            main.Toolbar_ButtonClick(QStringLiteral("Add Auction"));
            frmItemNumber &box = frmItemNumber::instance();
            EXPECT_TRUE(box.isVisible()) << "the button opens the item-number box";
            box.txtItemNum->setText(number);
            QTest::keyClick(box.txtItemNum, Qt::Key_Return);
        },
        [&](frmAddAuction &w) {
            offer = w.optBuy->text();
            w.optBuy->setChecked(true);
        });
    EXPECT_TRUE(finished) << MsgBoxScript::instance().lastPrompt().toStdString();
    return offer;
}

} // namespace

TEST(BuyItNowInTheProgram, BuysTheItemOnceAtItsPriceAndTheRowReadsWon)
{
    for (const bool throughEdit : {true, false}) {
        SCOPED_TRACE(throughEdit ? "Edit" : "the \"$\" box");
        WizardSim::Fresh();
        frmMain &main = ShownMain::Show();
        main.tmrTimer->setEnabled(false);
        RegisterItemWindows();
        const QString number = ItemWithBuyItNow();
        const qint64 from = Mark();
        EXPECT_EQ(BuyThroughTheWizard(main, number, throughEdit), QStringLiteral("Buy It Now for US $30.00"));
        ListItem *row = main.lvwAuctions->FindItem(number);
        ASSERT_NE(row, nullptr);
        ASSERT_TRUE(RunUntil([] { return BidSim::LatestBidWindow() == nullptr; }, 30)) << "the purchase ends";

        // One purchase, and no bid.
        QStringList purchases;
        for (const Sim::LogEntry &e : RequestsSince(from))
            if (BidSim::Kind(e) == QLatin1String("purchase"))
                purchases << e.scheme + QLatin1Char(' ') + e.target;
        ASSERT_EQ(purchases.size(), 1) << TargetsSince(from).join(QStringLiteral(" | ")).toStdString();
        EXPECT_TRUE(purchases.first().startsWith(QStringLiteral("https ")));
        EXPECT_TRUE(purchases.first().endsWith(QStringLiteral("&item=") + number + QStringLiteral("&Quantity=1&mode=1&user=alice&pass=pw")))
            << purchases.first().toStdString();
        EXPECT_TRUE(BidConfirmationsSince(from, number).isEmpty());

        const Sim::SimItem &item = *Server().items().find(number);
        EXPECT_EQ(Server().bids().item(number).purchases, 1);
        EXPECT_EQ(item.winner, QStringLiteral("alice"));
        EXPECT_DOUBLE_EQ(item.price, kBuyItNow);
        EXPECT_EQ(row->Tag(), QStringLiteral("Bid complete"));

        main.RefreshAuctions(number, false, false);
        EXPECT_EQ(Field(row, "timeleft"), QStringLiteral("Ended"));
        EXPECT_EQ(Field(row, "won"), QStringLiteral("True"));
    }
}

TEST(BuyItNowPrice, ABidThatMeetsOrExceedsItIsBlockedShownAndLogged)
{
    BidSim::ResetSimulatorAndAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    for (const char *amount : {"30.00", "35.00"}) {
        SCOPED_TRACE(amount);
        BidSim::ClearBidLog();
        const QString number = ItemWithBuyItNow();
        ListItem *row = BidSim::AddSnipe(number, QStringLiteral("1"), QString::fromLatin1(amount), QStringLiteral("alice"));
        const BidSim::RunResult r = BidSim::RunBid(row);
        ASSERT_TRUE(r.ended);
        EXPECT_TRUE(r.windowStaysOpen);
        EXPECT_EQ(r.caption, QStringLiteral("Bid Blocked"));
        EXPECT_EQ(r.details, QStringLiteral("Your bid may not meet or exceed the Buy it Now price"));
        EXPECT_TRUE(BidSim::BidLog().contains(QStringLiteral("Bidding, failed: Your bid may not meet or exceed the Buy it Now price")))
            << BidSim::BidLog().join(QStringLiteral(" | ")).toStdString();
        EXPECT_TRUE(Server().bids().item(number).maxima.isEmpty()) << "eBay took no bid";
        EXPECT_FALSE(Server().items().find(number)->ended(Server().now()));
        EXPECT_EQ(BidRecord::Of(number), BidRecord::Outcome::Failed);
        BidSim::CloseBidWindows();
    }

    // Below the price it is a bid like any other.
    const QString number = ItemWithBuyItNow();
    ListItem *row = BidSim::AddSnipe(number, QStringLiteral("1"), QStringLiteral("29.99"), QStringLiteral("alice"));
    EXPECT_EQ(BidSim::RunBid(row).caption, QStringLiteral("Bid Progress"));
    EXPECT_EQ(Server().items().find(number)->winner, QStringLiteral("alice"));
}
