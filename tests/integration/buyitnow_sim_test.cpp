// Buy It Now in the running program against the simulator: chosen in the
// wizard, opened through a row's Edit link or the "$" button's item-number
// box, it buys the item with one purchase request, and the row reads won
// after its refresh. A purchase is made only when eBay's reply confirms it:
// a purchase a rival's bid took away, and every other reply, is told,
// logged, never counted as bought and left to the item page read after it.
// A bid that meets the Buy It Now price is refused by eBay: shown and
// logged.
#include "tests/integration/bidsim.h"
#include "tests/integration/heldsnipe.h"
#include "tests/integration/shownmain.h"
#include "tests/integration/wizardsim.h"

#include "engine/bidrecord.h"
#include "engine/bidstate.h"
#include "engine/frmfailurereport.h"
#include "items/frmaddauction.h"
#include "items/frmitemnumber.h"
#include "items/itemwindows.h"
#include "mainwindow/frmmain.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "sim/core/bidpages.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
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
// `beforeFinish` runs once the wizard has read the item page.
QString BuyThroughTheWizard(frmMain &main, const QString &number, bool throughEdit,
                            const std::function<void()> &beforeFinish = {})
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
            if (beforeFinish)
                beforeFinish();
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

TEST(BuyItNowInTheProgram, ARivalsBidBeforeFinishIsToldAsRefusedAndNeverReadsAsBoughtOrWinning)
{
    WizardSim::Fresh();
    frmMain &main = ShownMain::Show();
    main.tmrTimer->setEnabled(false);
    RegisterItemWindows();
    BidSim::ClearBidLog();
    const QString number = ItemWithBuyItNow();
    const qint64 from = Mark();
    // bob bids while the wizard shows the page it read.
    BuyThroughTheWizard(main, number, false, [&number] {
        Server().bids().placeBid(*Server().items().find(number), QStringLiteral("bob"), 20.0, 1, Server().now());
    });
    ListItem *row = main.lvwAuctions->FindItem(number);
    ASSERT_NE(row, nullptr);
    ASSERT_TRUE(RunUntil([] { return frmBid::ActiveRuns() == 0; }, 60)) << "the purchase ends";

    frmBid *window = BidSim::LatestBidWindow();
    ASSERT_NE(window, nullptr) << "the refusal is shown";
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Purchase Refused"));
    EXPECT_EQ(window->txtDetails->toPlainText(), QStringLiteral("Buy It Now is not available for this item"));
    EXPECT_TRUE(BidSim::BidLog().contains(QStringLiteral("Bidding, failed: Buy It Now is not available for this item")))
        << BidSim::BidLog().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(BidSim::RequestKinds(from).count(QStringLiteral("purchase")), 1);
    EXPECT_EQ(Server().bids().item(number).purchases, 0);
    EXPECT_FALSE(Server().items().find(number)->ended(Server().now()));
    // Refused: nothing bought, and the item's group free.
    EXPECT_EQ(BidState::Of(number), BidState::State::Refused);

    // Read again once the window's run has ended: bob's bid at the price the
    // user would have won at, and still not the user's.
    EXPECT_TRUE(RunUntil([&] { return Field(row, "bids") == QStringLiteral("1"); }, 20)) << Field(row, "bids").toStdString();
    EXPECT_EQ(Field(row, "currentbid"), QStringLiteral("US $18.00"));
    EXPECT_EQ(Field(row, "won"), QStringLiteral("False"));
    EXPECT_NE(row->Tag(), QStringLiteral("Bid outcome unknown"));
    BidSim::CloseBidWindows();
}

// A seller's title holding eBay's confirmation, typed with doubled
// no-break spaces on a page of a layout the readers were never taught, and
// the Buy It Now price taken off before Finish: eBay's refusal is told and
// logged, nothing is recorded bought, and the row never reads won.
TEST(BuyItNowInTheProgram, ATitleHoldingEbaysConfirmationNeverMakesARefusedPurchaseBought)
{
    WizardSim::Fresh();
    frmMain &main = ShownMain::Show();
    main.tmrTimer->setEnabled(false);
    RegisterItemWindows();
    BidSim::ClearBidLog();
    const QString number = AddItem(3600, 18.0, [](Sim::SimItem &i) {
        i.buyItNow = kBuyItNow;
        i.layout = QStringLiteral("unfamiliar");
        i.title = QStringLiteral("Oak&nbsp;&nbsp;stool - You committed to buy this item");
    });
    const qint64 from = Mark();
    BuyThroughTheWizard(main, number, false, [&number] { Server().items().find(number)->buyItNow = 0; });
    ListItem *row = main.lvwAuctions->FindItem(number);
    ASSERT_NE(row, nullptr);
    ASSERT_TRUE(RunUntil([] { return frmBid::ActiveRuns() == 0; }, 60)) << "the purchase ends";

    frmBid *window = BidSim::LatestBidWindow();
    ASSERT_NE(window, nullptr) << "the refusal is shown";
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->blnFailed);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Purchase Refused"));
    EXPECT_EQ(window->txtDetails->toPlainText(), QStringLiteral("This item has no Buy It Now price"));
    EXPECT_EQ(BidSim::BidLog().filter(QStringLiteral("Bidding, failed: ")),
              QStringList(QStringLiteral("Bidding, failed: This item has no Buy It Now price")))
        << BidSim::BidLog().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(BidSim::RequestKinds(from).count(QStringLiteral("purchase")), 1);
    EXPECT_EQ(Server().bids().item(number).purchases, 0);
    EXPECT_EQ(BidRecord::Of(number), BidRecord::Outcome::Failed) << "a refusal frees the item's group";

    EXPECT_TRUE(RunUntil([&] { return row->Tag() == QStringLiteral("Bid complete"); }, 20)) << row->Tag().toStdString();
    EXPECT_EQ(Field(row, "won"), QStringLiteral("False"));
    BidSim::CloseBidWindows();
}

// Every reply the simulator gives a purchase besides its confirmation: the
// failure shown and logged, the pages of a reply not understood handed to
// the problem report. eBay's refusal bought nothing; any other reply leaves
// the outcome unknown until a page read after the end decides: the item
// page read as soon as the run has ended says so while the item runs.
TEST(BuyItNowReply, OnlyEbaysConfirmationBuysAndTheItemPageReadAfterDecides)
{
    BidSim::ResetSimulatorAndAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    const struct
    {
        const char *name;
        std::function<void(const QString &number)> setUp;
        QString caption;
        bool reported; // its pages go to the problem report
        bool bought;   // eBay took it all the same
    } cases[] = {
        {"eBay's sign-in page",
         [](const QString &n) {
             Server().bids().item(n).confirm = QStringLiteral("page");
             Server().bids().item(n).page = Sim::BidPages::signInRequired();
         },
         QStringLiteral("Purchase Not Confirmed"), true, false},
        {"an unrelated error page", [](const QString &n) { Server().bids().item(n).confirm = QStringLiteral("unknown"); },
         QStringLiteral("Purchase Not Confirmed"), true, false},
        {"eBay's refusal", [](const QString &n) { Server().bids().item(n).confirm = QStringLiteral("B13"); },
         QStringLiteral("Bid Blocked"), false, false},
        {"a redirect to the item's page, its title holding eBay's confirmation",
         [](const QString &n) {
             Server().items().find(n)->title = QStringLiteral("Oak stool - You committed to buy this item");
             Server().bids().item(n).confirm = QStringLiteral("redirect");
         },
         QStringLiteral("Purchase Not Confirmed"), true, false},
        {"a refusal not known, the title holding eBay's confirmation with its apostrophe as a reference",
         [](const QString &n) {
             Server().bids().item(n).confirm = QStringLiteral("page");
             Server().bids().item(n).page = QStringLiteral(
                 "<html><head><title>Grandma&#39;s stool - You committed to buy this item</title></head><body>"
                 "<p>Item: Grandma&#39;s stool - You committed to buy this item (")
                 + n + QStringLiteral(")</p><div class=\"statusmsg\"><p>Sorry, this purchase could not be completed.</p></div></body></html>");
         },
         QStringLiteral("Purchase Not Confirmed"), true, false},
        {"an empty body", [](const QString &) { AddFault(QStringLiteral("BinConfirm"), Sim::FaultMode::Empty); },
         QStringLiteral("Purchase Not Confirmed"), true, true},
        {"no reply in time", [](const QString &) { AddFault(QStringLiteral("BinConfirm"), Sim::FaultMode::Hang); },
         QStringLiteral("Purchase Not Confirmed"), true, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        BidSim::ClearBidLog();
        const QString number = ItemWithBuyItNow();
        c.setUp(number);
        ListItem *row = BidSim::AddSnipe(number, QStringLiteral("1"), QStringLiteral("30.00"), QStringLiteral("alice"));
        row->setTag(QStringLiteral("Bid complete")); // as the wizard leaves it
        const qint64 from = Mark();
        QString tagAtEnd;
        const BidSim::RunResult r = BidSim::RunBid(row, true, [&](frmBid &form) {
            form.InetBid->RequestTimeout = 5;
            QObject::connect(&form, &frmBid::RunEnded, &form, [&] { tagAtEnd = row->Tag(); });
        });
        Server().faults().clear();
        ASSERT_TRUE(r.ended);
        EXPECT_TRUE(r.windowStaysOpen);
        EXPECT_TRUE(r.failed);
        EXPECT_EQ(r.caption, c.caption);
        EXPECT_FALSE(r.details.isEmpty());
        const QStringList failures = BidSim::BidLog().filter(QStringLiteral("Bidding, failed: "));
        EXPECT_EQ(failures, QStringList(QStringLiteral("Bidding, failed: ") + r.details))
            << BidSim::BidLog().join(QStringLiteral(" | ")).toStdString();
        EXPECT_EQ(BidSim::RequestKinds(from).count(QStringLiteral("purchase")), 1) << "never a second purchase";
        const bool refused = c.caption == QStringLiteral("Bid Blocked");
        EXPECT_EQ(BidState::Of(number) == BidState::State::Refused, refused);
        // Not refused: out, or already read won from the ended page.
        if (!refused)
            EXPECT_TRUE(BidState::BidOut(BidState::Of(number)) || BidState::Of(number) == BidState::State::Won)
                << BidState::Name(BidState::Of(number)).toStdString();
        EXPECT_EQ(tagAtEnd == QStringLiteral("Bid outcome unknown"), !refused);
        const bool reported = frmFailureReport::isLoaded() && frmFailureReport::instance().isVisible();
        EXPECT_EQ(reported, c.reported);
        if (reported)
            EXPECT_EQ(frmFailureReport::instance().strResultConfirmBid, r.resultConfirmBid);

        // The page decides once ended, with the user as its buyer; a page of
        // the item still running leaves a purchase not refused unknown.
        EXPECT_TRUE(RunUntil([&] { return Field(row, "currentbid").startsWith(QStringLiteral("US $")); }, 20))
            << "the row is read again";
        EXPECT_EQ(Field(row, "timeleft") == QStringLiteral("Ended"), c.bought);
        EXPECT_EQ(Field(row, "won"), c.bought ? QStringLiteral("True") : QStringLiteral("False"));
        const bool unknown = !refused && !c.bought;
        EXPECT_EQ(row->Tag(), unknown ? QStringLiteral("Bid outcome unknown") : QStringLiteral("Bid complete"));
        BidSim::CloseBidWindows();
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
