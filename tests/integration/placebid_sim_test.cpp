// The one-call bid on a bid window that is never shown or activated (the
// activation would run the whole bid), with its page token already set,
// against the simulator: each kind of reply, the W and F counts, and no
// purchase sent twice.
#include "tests/integration/bidsim.h"

#include "engine/frmfailurereport.h"
#include "foundation/basgeneral.h"
#include "foundation/globals.h"
#include "foundation/settingsstore.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace BidSim;

namespace {

const QString kUser = QStringLiteral("alice");
const QString kPassword = QStringLiteral("pw 1");
const QString kToken = QStringLiteral("UIID42");

class PlaceBidWithSimulator : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSimulator(kUser, kPassword);
        ClearBidLog();
        MsgBoxScript::instance().clear();
        number = AddItem(3600, 10.0);
        Server().bids().item(number).uiid = kToken;
        row = AddSnipe(number, QStringLiteral("1"), QStringLiteral("20.00"), kUser);
        from = Server().requestLog().nextIndex();

        NewForm();
        form->strResultSignIn = QStringLiteral("sign-in page");
        form->strResultSendBid = QStringLiteral("preparation page");
        form->strResultSignOut = QStringLiteral("sign-out page");
        MainWindow().blnBidding = true;
    }

    void TearDown() override
    {
        delete form.data();
    }

    // A bid window for the item, as the run has left it before PlaceBid.
    void NewForm()
    {
        form = new frmBid;
        form->ItemNumber = number;
        form->MaxBid = QStringLiteral("20.00");
        form->Qty = 1;
        form->UserName = kUser;
        form->Password = kPassword;
        form->strUIID = kToken;
    }

    // Runs PlaceBid and lets an unloading window go.
    void Place()
    {
        form->PlaceBid();
        QTest::qWait(20);
    }

    int Requests(const QString &kind) const { return int(RequestKinds(from).count(kind)); }

    QString number;
    ListItem *row = nullptr;
    qint64 from = 0;
    QPointer<frmBid> form;
};

} // namespace

TEST_F(PlaceBidWithSimulator, FirstBidderIsConfirmedAndTheWindowCloses)
{
    Place();
    EXPECT_TRUE(form.isNull()) << "a confirmed bid unloads the window";
    EXPECT_EQ(GetSetting(QStringLiteral("W")), QStringLiteral("1"));
    EXPECT_EQ(GetSetting(QStringLiteral("F"), QStringLiteral("none")), QStringLiteral("none"));
    EXPECT_EQ(row->Tag(), QStringLiteral("Bid complete"));
    EXPECT_FALSE(MainWindow().blnBidding);
    EXPECT_EQ(BidLog(), QStringList({"Bidding, confirming bid, retry 0", "Bidding, bid confirmed"}));
    ASSERT_EQ(Requests(QStringLiteral("confirm")), 1);
    EXPECT_EQ(RequestsSince(from).first().target,
              QStringLiteral("/ws/eBayISAPI.dll?MfcISAPICommand=MakeBid&uiid=UIID42&item=") + number
                  + QStringLiteral("&maxbid=20.00&quant=1&mode=1&user=alice&pass=pw%201"));
    // It carries the password: https only.
    EXPECT_EQ(RequestsSince(from).first().scheme, QStringLiteral("https"));
    EXPECT_EQ(RefreshSim::PasswordsInTheClear(from), QStringList());
    EXPECT_EQ(Server().items().find(number)->winner, kUser);
}

TEST_F(PlaceBidWithSimulator, HighestBidderCountsOnFromTheStoredNumber)
{
    Server().bids().placeBid(*Server().items().find(number), QStringLiteral("bob"), 15.0, 1, Server().now());
    SaveSetting(QStringLiteral("W"), QStringLiteral("9"));
    Place();
    EXPECT_TRUE(form.isNull());
    EXPECT_EQ(GetSetting(QStringLiteral("W")), QStringLiteral("10"));
    EXPECT_DOUBLE_EQ(Server().items().find(number)->price, 15.5);

    // A stored count that is no number starts again at one.
    SaveSetting(QStringLiteral("W"), QStringLiteral("many"));
    NewForm();
    Place();
    EXPECT_EQ(GetSetting(QStringLiteral("W")), QStringLiteral("1"));
}

TEST_F(PlaceBidWithSimulator, OutbidStaysOpenWithTheReason)
{
    Server().bids().placeBid(*Server().items().find(number), QStringLiteral("bob"), 50.0, 1, Server().now());
    Place();
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(form->blnFailed);
    EXPECT_TRUE(form->BidComplete);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("You've Been Outbid"));
    EXPECT_EQ(form->txtDetails->toPlainText(),
              QStringLiteral("Another bidder placed a higher maximum bid or placed the same maximum bid before you did."));
    EXPECT_EQ(form->HeightTwips(), frmBid::kFailureHeightTwips);
    EXPECT_TRUE(form->cmdClose->isEnabled());
    EXPECT_TRUE(form->lblNoAccess->isHidden());
    EXPECT_FALSE(form->closeTimer->Enabled());
    EXPECT_EQ(form->CloseTime, 60);
    EXPECT_FALSE(MainWindow().blnBidding);
    EXPECT_EQ(GetSetting(QStringLiteral("W"), QStringLiteral("none")), QStringLiteral("none"));
    EXPECT_EQ(row->Tag(), QStringLiteral("Local"));
    EXPECT_EQ(BidLog(), QStringList({"Bidding, confirming bid, retry 0", "Bidding, failed: Other bidder higher"}));
    EXPECT_FALSE(frmFailureReport::isLoaded());
}

TEST_F(PlaceBidWithSimulator, TooLowStaysOpenWithTheReasonAndIsNotAskedAgain)
{
    form->MaxBid = QStringLiteral("9.00"); // below the starting bid
    Place();
    ASSERT_FALSE(form.isNull());
    EXPECT_EQ(Requests(QStringLiteral("confirm")), 1);
    EXPECT_TRUE(form->blnFailed);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Bid Too Low"));
    EXPECT_EQ(form->txtDetails->toPlainText(), QStringLiteral("Your bid was not high enough to outbid the highest bidder"));
    EXPECT_TRUE(form->cmdClose->isEnabled());
    EXPECT_EQ(GetSetting(QStringLiteral("F"), QStringLiteral("none")), QStringLiteral("none"));
    EXPECT_EQ(row->Tag(), QStringLiteral("Local"));
    EXPECT_EQ(BidLog(), QStringList({"Bidding, confirming bid, retry 0", "Bidding, failed: Bid too low"}));
    EXPECT_FALSE(frmFailureReport::isLoaded());
}

// eBay answered: the bid reached it, so it is reported, never sent again.
TEST_F(PlaceBidWithSimulator, UnknownReplyIsReportedWithoutAskingAgain)
{
    Server().bids().item(number).confirm = QStringLiteral("unknown");
    Place();
    EXPECT_EQ(Requests(QStringLiteral("confirm")), 1);
    EXPECT_EQ(BidLog(), QStringList({"Bidding, confirming bid, retry 0", "Bidding, bid not confirmed retry 0"}));
    EXPECT_EQ(GetSetting(QStringLiteral("F")), QStringLiteral("1"));
    EXPECT_EQ(GetSetting(QStringLiteral("W"), QStringLiteral("none")), QStringLiteral("none"));
    ASSERT_FALSE(form.isNull()) << "an unconfirmed bid stays open";
    EXPECT_TRUE(form->blnFailed);
    EXPECT_TRUE(form->cmdClose->isEnabled());
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());

    ASSERT_TRUE(frmFailureReport::isLoaded());
    const frmFailureReport &report = frmFailureReport::instance();
    EXPECT_EQ(report.strUsername, kUser);
    EXPECT_EQ(report.strItemNumber, number);
    EXPECT_EQ(report.strResultSignIn, QStringLiteral("sign-in page"));
    EXPECT_EQ(report.strResultSendBid, QStringLiteral("preparation page"));
    EXPECT_EQ(report.strResultSignOut, QStringLiteral("sign-out page"));
    EXPECT_TRUE(report.strResultConfirmBid.contains(QStringLiteral("Something went wrong")));
}

TEST_F(PlaceBidWithSimulator, FirstBidderNeedsItsFullStop)
{
    Server().bids().item(number).confirm = QStringLiteral("page");
    Server().bids().item(number).page = QStringLiteral("<p>Congratulations, you're the first bidder</p>");
    Place();
    EXPECT_EQ(Requests(QStringLiteral("confirm")), 1);
    EXPECT_EQ(GetSetting(QStringLiteral("F")), QStringLiteral("1"));
}

TEST_F(PlaceBidWithSimulator, AnEmptyBidReplyEndsInTheErrorMessage)
{
    AddFault(QStringLiteral("MfcISAPICommand=MakeBid"), Sim::FaultMode::Empty, 100);
    Place();
    Server().faults().clear();
    EXPECT_EQ(Requests(QStringLiteral("confirm")), 1);
    EXPECT_EQ(GetSetting(QStringLiteral("F")), QStringLiteral("1"));
    EXPECT_TRUE(frmFailureReport::isLoaded());
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    EXPECT_EQ(MsgBoxScript::instance().calls().first().style, Desktop::BoxCritical);
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(),
              QStringLiteral("An error occured while bidding: \r\n\r\nError: \r\n\r\nPlease use Help>Contact support from within "
                             "this program if you are unable to solve this issue.\r\n\r\nError #0"));
    EXPECT_EQ(BidLog().last(), QStringLiteral("Bidding, error: "));
    EXPECT_TRUE(form.isNull()) << "unloaded after the message";
    EXPECT_FALSE(MainWindow().blnBidding);
}

TEST_F(PlaceBidWithSimulator, PurchaseIsConfirmedByAnyReplyWithoutTheOutbidMarker)
{
    Server().items().find(number)->buyItNow = 49.0;
    form->Buy = true;
    Place();
    EXPECT_TRUE(form.isNull());
    EXPECT_EQ(Requests(QStringLiteral("purchase")), 1);
    EXPECT_EQ(RequestsSince(from).first().target, QStringLiteral("/ws/eBayISAPI.dll?MfcISAPICommand=BinConfirm&uiid=UIID42&item=")
                                                         + number + QStringLiteral("&Quantity=1&mode=1&user=alice&pass=pw%201"));
    EXPECT_EQ(RequestsSince(from).first().scheme, QStringLiteral("https"));
    EXPECT_EQ(RefreshSim::PasswordsInTheClear(from), QStringList());
    EXPECT_EQ(Server().bids().item(number).purchases, 1);
    EXPECT_EQ(GetSetting(QStringLiteral("W")), QStringLiteral("1"));
    EXPECT_EQ(row->Tag(), QStringLiteral("Bid complete"));
}

// An empty reply, no reply at all, or a dropped connection: the purchase may
// have gone through, so it is never asked for again and ends unconfirmed.
TEST_F(PlaceBidWithSimulator, UnansweredPurchaseIsNotAskedAgainButEndsUnconfirmed)
{
    Server().items().find(number)->buyItNow = 49.0;
    // A connection already open to the offer host, as after a preparation.
    form->InetBid->OpenURL(Server().url(QStringLiteral("/ws/eBayISAPI.dll?MakeBid&item=") + number));
    from = Server().requestLog().nextIndex();
    const QList<Sim::FaultMode> modes = {Sim::FaultMode::Empty, Sim::FaultMode::Hang, Sim::FaultMode::Close};
    for (int i = 0; i < modes.size(); ++i) {
        SCOPED_TRACE(i);
        const qint64 start = Server().requestLog().nextIndex();
        if (form.isNull())
            NewForm();
        form->Buy = true;
        form->blnFailed = false;
        form->InetBid->RequestTimeout = 1;
        AddFault(QStringLiteral("BinConfirm"), modes[i], 100);
        Place();
        Server().faults().clear();
        EXPECT_EQ(RequestKinds(start), QStringList({"purchase"})) << "never a second purchase";
        EXPECT_EQ(GetSetting(QStringLiteral("F")), QString::number(i + 1));
        EXPECT_EQ(GetSetting(QStringLiteral("W"), QStringLiteral("none")), QStringLiteral("none"));
        EXPECT_NE(row->Tag(), QStringLiteral("Bid complete"));
        EXPECT_TRUE(frmFailureReport::isLoaded());
        EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());
        ASSERT_FALSE(form.isNull());
        EXPECT_TRUE(form->blnFailed);
        EXPECT_TRUE(form->cmdClose->isEnabled());
        EXPECT_FALSE(MainWindow().blnBidding);
    }
    EXPECT_EQ(Server().bids().item(number).purchases, 1) << "the first went through although its reply was empty";
}

TEST_F(PlaceBidWithSimulator, DebugModeKeepsTheReplyAsReceived)
{
    DebugMode = true;
    Server().bids().item(number).confirm = QStringLiteral("page");
    Server().bids().item(number).page = QStringLiteral("<p>Price\u00C2 US $21.00: Another bidder placed a higher maximum bid</p>");
    Place();
    DebugMode = false;
    QFile dump(basGeneral::DataFolder() + QStringLiteral("4result.htm"));
    ASSERT_TRUE(dump.open(QIODevice::ReadOnly));
    const QByteArray bytes = dump.readAll();
    EXPECT_TRUE(bytes.endsWith("maximum bid</p>\r\n"));
    EXPECT_TRUE(bytes.contains("Price\xC2 US")) << "the dump keeps what the stored reply drops";
    ASSERT_FALSE(form.isNull());
    EXPECT_EQ(form->strResultConfirmBid, QStringLiteral("<p>Price US $21.00: Another bidder placed a higher maximum bid</p>"));
}
