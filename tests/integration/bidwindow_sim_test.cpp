// The bid window against the simulator: the requests it sends, the request
// rule with its one retry count, every known failure with its title and
// reason, the failure report for an unknown reply, and the lead time.
#include "tests/integration/bidsim.h"

#include "engine/bidrecord.h"
#include "engine/ebayclock.h"
#include "engine/frmfailurereport.h"
#include "engine/trackedauction.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/settingsstore.h"
#include "platform/inet.h"
#include "platform/listview.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <QLabel>
#include <QTest>

using namespace BidSim;

namespace {

const QString kUser = QStringLiteral("alice");
const QString kPassword = QStringLiteral("Secret 1&");

class BidWindowWithSimulator : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSimulatorAndAccount(kUser, kPassword);
        ClearBidLog();
        from = Server().requestLog().nextIndex();
    }

    // A snipe on a fresh simulator item.
    ListItem *Snipe(const QString &qty = QStringLiteral("1"), const QString &amount = QStringLiteral("12.50"))
    {
        number = AddItem(3600, 10.0);
        return AddSnipe(number, qty, amount, kUser);
    }

    static void ShortTimeout(frmBid &form) { form.InetBid->RequestTimeout = 2; }

    qint64 from = 0;
    QString number;
};

} // namespace

TEST_F(BidWindowWithSimulator, SnipeSignsInPreparesConfirmsAndSignsOut)
{
    SaveSetting(QStringLiteral("Lead time"), QStringLiteral("9"));
    ListItem *row = Snipe(QStringLiteral("2"), QStringLiteral("12.50"));
    frmMainEngine &main = MainWindow();

    main.Bid(row, true, false);
    frmBid *form = LatestBidWindow();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(main.blnBidding);
    EXPECT_FALSE(form->HasActivated) << "the run waits until the caller has returned";
    EXPECT_TRUE(RequestKinds(from).isEmpty());
    EXPECT_EQ(main.PanelText(QStringLiteral("Status")), QStringLiteral("Bidding 12.50 on item #") + number + QStringLiteral("..."));

    QPointer<frmBid> guard(form);
    QTest::qWaitFor([&] { return guard.isNull(); }, 30000);
    EXPECT_TRUE(guard.isNull()) << "a success closes the window";
    EXPECT_FALSE(main.blnBidding);
    EXPECT_EQ(row->Tag(), QStringLiteral("Local")) << "the bid window leaves the row alone";

    const QList<Sim::LogEntry> requests = RequestsSince(from);
    ASSERT_EQ(RequestKinds(from), QStringList({"signin", "prepare", "confirm", "signout"}));
    EXPECT_EQ(requests[0].scheme, QStringLiteral("https"));
    EXPECT_TRUE(requests[0].target.endsWith(QStringLiteral("&userid=alice&pass=Secret%201%26")));
    EXPECT_EQ(requests[1].target,
              QStringLiteral("/ws/eBayISAPI.dll?MakeBid&item=") + number + QStringLiteral("&fb=2&maxbid=12.50&qty=2"));
    EXPECT_EQ(requests[1].user, kUser) << "prepared while signed in";
    const Sim::ItemBidding &state = Server().bids().item(number);
    EXPECT_EQ(requests[2].target, QStringLiteral("/ws/eBayISAPI.dll?MfcISAPICommand=MakeBid&uiid=") + state.uiid
                                      + QStringLiteral("&item=") + number
                                      + QStringLiteral("&maxbid=12.50&quant=2&mode=1&user=alice&pass=Secret%201%26&stok=")
                                      + state.stok + QStringLiteral("&co_partnerid=2&fb=2"));
    EXPECT_EQ(requests[2].scheme, QStringLiteral("https")) << "it carries the password";
    EXPECT_EQ(requests[3].scheme, QStringLiteral("http"));
    ASSERT_EQ(state.maxima.size(), 1);
    EXPECT_DOUBLE_EQ(state.maxima.first().max, 12.5);
    EXPECT_EQ(Server().items().find(number)->winner, kUser);

    EXPECT_EQ(BidLog(), QStringList({QStringLiteral("Signing in to bid on item # ") + number, "Preparing bid", "Confirming bid",
                                     "Lead time: 0", "Signing out"}));
    EXPECT_EQ(GetSetting(QStringLiteral("Lead time")), QStringLiteral("3")) << "a quick run is stored as 3 seconds";
}

TEST_F(BidWindowWithSimulator, ASnipeHoldsItsConfirmationUntilTheEndLessTheBidDelayWhileABidPlacedNowGoesAtOnce)
{
    frmMainEngine &main = MainWindow();
    const int delay = frmSettings::instance().BidDelaySeconds();
    const QDateTime startReading = EbayClock::LocalNow();
    auto endsIn = [&](ListItem *row, qint64 seconds) {
        main.lvwAuctions->setField(row, QStringLiteral("enddate"),
                                   TrackedAuction::EndDateSerial(startReading.addSecs(EbayClock::Offset() + seconds)));
    };
    ListItem *snipe = Snipe();
    const QString snipeNumber = number;
    endsIn(snipe, delay + 3);
    ListItem *now = Snipe();
    const QString nowNumber = number;
    endsIn(now, 3600);
    auto confirmation = [&](const QString &item) -> std::optional<Sim::LogEntry> {
        for (const Sim::LogEntry &e : RequestsSince(from))
            if (Kind(e) == QLatin1String("confirm") && e.target.contains(QStringLiteral("item=") + item))
                return e;
        return std::nullopt;
    };

    main.Bid(snipe, true, false);
    QPointer<frmBid> held(LatestBidWindow());
    ASSERT_TRUE(QTest::qWaitFor([&] { return RequestKinds(from).contains(QStringLiteral("prepare")); }, 30000));
    // Prepared; the window waits with the event loop free, so a bid placed
    // now on another item runs and is confirmed meanwhile.
    main.Bid(now, false, false);
    QPointer<frmBid> placed(LatestBidWindow());
    ASSERT_TRUE(QTest::qWaitFor([&] { return placed.isNull(); }, 10000));
    ASSERT_TRUE(confirmation(nowNumber).has_value());
    EXPECT_FALSE(held.isNull());
    EXPECT_FALSE(confirmation(snipeNumber).has_value()) << "not before its moment";
    // Its session is the held snipe's too (one cookie): it stays signed in.
    EXPECT_FALSE(RequestKinds(from).contains(QStringLiteral("signout")));

    ASSERT_TRUE(QTest::qWaitFor([&] { return held.isNull(); }, 15000));
    const std::optional<Sim::LogEntry> sent = confirmation(snipeNumber);
    ASSERT_TRUE(sent.has_value());
    // Never late; early by no more than the uncertainty of eBay's clock the
    // bid log gives (never read before, a slow machine may leave it wide).
    const qint64 offMs = startReading.msecsTo(EbayClock::Reading(sent->arrival)) - 3000;
    const QStringList clockLines = BidLog().filter(QStringLiteral("eBay's clock: "));
    ASSERT_EQ(clockLines.size(), 1) << BidLog().join(QLatin1Char('|')).toStdString();
    const QRegularExpression uncertainty(QStringLiteral("\\+/- ([0-9.]+) s"));
    const QRegularExpressionMatch said = uncertainty.match(clockLines.first());
    ASSERT_TRUE(said.hasMatch()) << clockLines.first().toStdString();
    const qint64 widthMs = qint64(said.captured(1).toDouble() * 2000);
    EXPECT_LE(offMs, 150);
    EXPECT_GE(offMs, -(widthMs + 150)) << clockLines.first().toStdString();
    EXPECT_EQ(sent->scheme, QStringLiteral("https"));
    EXPECT_EQ(Server().items().find(snipeNumber)->winner, kUser);
    EXPECT_EQ(RequestKinds(from).count(QStringLiteral("signout")), 1);
    EXPECT_EQ(RequestKinds(from).last(), QStringLiteral("signout")) << "the last bid to end signs out";
    // The lead time is the requests' time, without the wait.
    EXPECT_EQ(BidLog().filter(QStringLiteral("Lead time: ")), QStringList({"Lead time: 0", "Lead time: 0"}));
    EXPECT_FALSE(main.blnBidding);
}

TEST_F(BidWindowWithSimulator, EveryConfirmationFailureShowsItsTitleAndReason)
{
    struct Expected
    {
        QString title;
        QString reason;
    };
    const QString blocked = QStringLiteral("Bid Blocked");
    const QList<Expected> rows = {
        {QStringLiteral("Bid Too Low"), QStringLiteral("Your bid was not high enough to outbid the highest bidder")},
        {QStringLiteral("Seller Not Accepting Bid"), QStringLiteral("The seller is not accepting your bid")},
        {blocked, QStringLiteral("This item is available to buyers who have not received 2 or more unpaid item strike(s) in the past 1 month(s)")},
        {blocked, QStringLiteral("This item is available to buyers who have not received 3 or more unpaid item strike(s) in the past 1 month(s)")},
        {blocked, QStringLiteral("This item is available to buyers who have not received 2 or more unpaid item strike(s) in the past 12 month(s)")},
        {blocked, QStringLiteral("This item is only available to buyers who have not purchased 1 or more items from this seller in the past 10 days")},
        {QStringLiteral("Registration Blocked"), QStringLiteral("Registration blocked, please contact support for more details")},
        {blocked, QStringLiteral("This seller does not ship to your location")},
        {blocked, QStringLiteral("Your bid may not meet or exceed the Buy it Now price")},
        {blocked, QStringLiteral("eBay requests that you confirm your identity before bidding")},
        {blocked, QStringLiteral("eBay has put a temporary block on your activity")},
        {blocked, QStringLiteral("This bid was blocked due to the Weapons and Knives policy")},
        {blocked, QStringLiteral("Your are not allowed to purchase this item")},
    };
    for (int i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(QStringLiteral("B%1").arg(i + 1).toStdString());
        ListItem *row = Snipe();
        Server().bids().item(number).confirm = QStringLiteral("B%1").arg(i + 1);
        const qint64 start = Server().requestLog().nextIndex();
        const RunResult r = RunBid(row);
        ASSERT_TRUE(r.ended);
        EXPECT_TRUE(r.windowStaysOpen);
        EXPECT_EQ(r.caption, rows[i].title);
        EXPECT_EQ(r.details, rows[i].reason);
        EXPECT_FALSE(r.failed) << "a known refusal is shown, not reported";
        EXPECT_EQ(RequestKinds(start), QStringList({"signin", "prepare", "confirm", "signout"}));
        LatestBidWindow()->cmdClose_Click();
    }

    // The real rule gives the same: a maximum below the starting bid.
    ListItem *low = Snipe(QStringLiteral("1"), QStringLiteral("9.00"));
    const RunResult r = RunBid(low);
    EXPECT_EQ(r.caption, QStringLiteral("Bid Too Low"));
    EXPECT_EQ(r.status, QStringLiteral("An error has occured"));
    EXPECT_EQ(r.heightTwips, frmBid::kFailureHeightTwips);
    EXPECT_TRUE(r.closeEnabled);
    EXPECT_FALSE(r.noAccessVisible);
    EXPECT_FALSE(MainWindow().blnBidding);
    EXPECT_FALSE(frmFailureReport::isLoaded());
}

TEST_F(BidWindowWithSimulator, PreparationFailuresShowTheirTitleAndReason)
{
    struct Case
    {
        QString cls;
        QString title;
        QString reason;
        QString logLine;
        bool failed;
    };
    const QList<Case> cases = {
        {"A2", "Auction Ended", "The auction was ended early by the seller", "Auction ended by seller, signing out", false},
        {"A3", "Auction Invalid", "This auction is invalid, it may have been removed by eBay", "Auction invalid, signing out", false},
        {"A4", "Auction Ended", "Auction ended with Buy it Now", "Auction ended with Buy It Now, signing out", false},
        {"A5", "Item Restricted", "This item is restricted for export by the U.S. Department of State (DOS)",
         "Auction restricted by US DOS, signing out", false},
        {"A6", "Auction Ended", "Auction ended before bid could be placed", "Auction ended, signing out", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.cls.toStdString());
        ListItem *row = Snipe();
        Server().bids().item(number).prepare = c.cls;
        ClearBidLog();
        const qint64 start = Server().requestLog().nextIndex();
        const RunResult r = RunBid(row);
        EXPECT_TRUE(r.windowStaysOpen);
        EXPECT_EQ(r.caption, c.title);
        EXPECT_EQ(r.details, c.reason);
        EXPECT_EQ(r.failed, c.failed);
        EXPECT_EQ(RequestKinds(start), QStringList({"signin", "prepare", "signout"}));
        EXPECT_EQ(BidLog(), QStringList({QStringLiteral("Signing in to bid on item # ") + number, "Preparing bid", c.logLine,
                                         "Signing out"}));
        LatestBidWindow()->cmdClose_Click();
    }

    // The seller's early end is named although the page also says "Ended:".
    ListItem *row = Snipe();
    Server().bids().item(number).prepare = QStringLiteral("page");
    Server().bids().item(number).page = QStringLiteral("<p>This listing was ended by the seller.</p><th>Ended:</th>");
    RunResult r = RunBid(row);
    EXPECT_EQ(r.details, QStringLiteral("The auction was ended early by the seller"));
    LatestBidWindow()->cmdClose_Click();

    // A refused password is reported at once, without a retry.
    Server().addAccount(kUser, QStringLiteral("changed"));
    row = Snipe();
    const qint64 start = Server().requestLog().nextIndex();
    r = RunBid(row);
    EXPECT_EQ(r.caption, QStringLiteral("Login Failed"));
    EXPECT_EQ(r.details, QStringLiteral("Your username or password is invalid, or your password is too weak. "
                                        "Please contact support if you need help resolving this issue."));
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(RequestKinds(start), QStringList({"signin", "signout"}));
    EXPECT_TRUE(BidLog().contains(QStringLiteral("Invalid username or password")));
}

TEST_F(BidWindowWithSimulator, CookiePageIsRetriedAtOnceThenReported)
{
    ListItem *row = Snipe();
    Server().bids().cookiePages = 6;
    const RunResult r = RunBid(row);
    EXPECT_EQ(r.caption, QStringLiteral("Cookies Blocked"));
    EXPECT_EQ(r.details,
              QStringLiteral("Could not sign in because your Internet Options in the Windows Control Panel are blocking cookies"));
    EXPECT_EQ(RequestKinds(from), QStringList({"signin", "signin", "signin", "signin", "signin", "signin", "prepare", "signout"}));
    const QList<Sim::LogEntry> requests = RequestsSince(from);
    EXPECT_LT(requests[0].arrival.msecsTo(requests[5].arrival), 3000) << "no 1-second waits between the cookie retries";
    EXPECT_EQ(BidLog(), QStringList({QStringLiteral("Signing in to bid on item # ") + number, "Preparing bid", "Cookies rejected",
                                     "Signing out"}));
}

TEST_F(BidWindowWithSimulator, UnknownReplyGoesToTheFailureReportWithTheFourPages)
{
    ListItem *row = Snipe();
    Server().bids().item(number).confirm = QStringLiteral("unknown");
    const RunResult r = RunBid(row);
    EXPECT_FALSE(r.windowStaysOpen);
    EXPECT_TRUE(r.failed);
    EXPECT_TRUE(r.unknownFail);
    EXPECT_EQ(r.caption, QStringLiteral("Bid Progress"));
    EXPECT_EQ(RequestKinds(from), QStringList({"signin", "prepare", "confirm", "signout"}));
    EXPECT_EQ(BidLog().last(), QStringLiteral("Signing out")) << "the outcome is not logged";

    ASSERT_TRUE(frmFailureReport::isLoaded());
    frmFailureReport &report = frmFailureReport::instance();
    EXPECT_TRUE(report.isVisible());
    EXPECT_EQ(report.strUsername, kUser);
    EXPECT_EQ(report.strItemNumber, number);
    EXPECT_EQ(report.lblItemNum->text(), QStringLiteral("Item #") + number);
    EXPECT_EQ(report.strResultSignIn, r.resultSignIn);
    EXPECT_TRUE(report.strResultSignIn.contains(QStringLiteral("You are signed in")));
    EXPECT_EQ(report.strResultSendBid, r.resultSendBid);
    EXPECT_TRUE(report.strResultSendBid.contains(QStringLiteral("Review and confirm your bid")));
    EXPECT_EQ(report.strResultConfirmBid, r.resultConfirmBid);
    EXPECT_TRUE(report.strResultConfirmBid.contains(QStringLiteral("Something went wrong")));
    EXPECT_EQ(report.strResultSignOut, r.resultSignOut);
    EXPECT_TRUE(report.strResultSignOut.contains(QStringLiteral("signed out")));
}

TEST_F(BidWindowWithSimulator, TimeOutsGoAgainAtOnceWithOneCountForTheWholeRun)
{
    SaveSetting(QStringLiteral("Lead time"), QStringLiteral("7"));
    ListItem *row = Snipe();
    AddFault(QStringLiteral("SignInWelcome"), Sim::FaultMode::Hang, 1);
    AddFault(QStringLiteral("?MakeBid&"), Sim::FaultMode::Hang, 1);
    const RunResult r = RunBid(row, false, ShortTimeout);
    EXPECT_FALSE(r.windowStaysOpen);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(RequestKinds(from), QStringList({"signin", "signin", "prepare", "prepare", "confirm", "signout"}));
    const QList<Sim::LogEntry> requests = RequestsSince(from);
    const qint64 signInGap = requests[0].arrival.msecsTo(requests[1].arrival);
    EXPECT_GE(signInGap, 1900);
    EXPECT_LT(signInGap, 2900) << "sent again as soon as the time-out came";
    EXPECT_EQ(BidLog(), QStringList({QStringLiteral("Signing in to bid on item # ") + number, "Request timed out, retry 1",
                                     "Preparing bid", "Request timed out, retry 2", "Confirming bid", "Signing out"}));
    EXPECT_EQ(GetSetting(QStringLiteral("Lead time")), QStringLiteral("7")) << "a run with retries measures nothing";
}

// A confirmation that went out may have reached eBay, whatever became of its
// reply: a dropped connection or a reply that never comes ends the bid with
// one confirmation, and the page after the end decides.
TEST_F(BidWindowWithSimulator, AConfirmationWhoseConnectionDropsIsSentOnce)
{
    ListItem *row = Snipe();
    AddFault(QStringLiteral("MfcISAPICommand=MakeBid"), Sim::FaultMode::Close, -1);
    const RunResult r = RunBid(row, false, ShortTimeout);
    Server().faults().clear();
    EXPECT_EQ(RequestKinds(from), QStringList({"signin", "prepare", "confirm", "signout"}));
    EXPECT_TRUE(BidLog().contains(QStringLiteral("Bid not confirmed, not sent again: Error # 35754")));

    // Judged on the page it kept, the preparation page: never a success.
    EXPECT_TRUE(r.failed);
    EXPECT_TRUE(r.unknownFail);
    EXPECT_TRUE(frmFailureReport::isLoaded());
}

TEST_F(BidWindowWithSimulator, SuccessNeedsTheConfirmationReplyItself)
{
    ListItem *row = Snipe();
    // A preparation page that names the user in other letters and already
    // says the user leads; then no confirmation reply ever arrives.
    Server().bids().item(number).prepare = QStringLiteral("page");
    Server().bids().item(number).page = QStringLiteral(
        "<input type=\"hidden\" name=\"user\" value=\"ALICE\"><input type=\"hidden\" name=\"uiid\" value=\"U1\">"
        "<p>you're currently the highest bidder</p>");
    AddFault(QStringLiteral("MfcISAPICommand=MakeBid"), Sim::FaultMode::Hang, 6);
    const RunResult r = RunBid(row, false, [](frmBid &f) { f.InetBid->RequestTimeout = 1; });
    EXPECT_EQ(RequestKinds(from), QStringList({"signin", "prepare", "confirm", "signout"}));
    const QStringList log = BidLog();
    ASSERT_EQ(log.size(), 5) << log.join(" | ").toStdString();
    EXPECT_EQ(log.mid(0, 3), QStringList({QStringLiteral("Signing in to bid on item # ") + number, "Preparing bid", "Confirming bid"}));
    EXPECT_TRUE(log[3].startsWith("Bid not confirmed, not sent again: Error # ")) << log[3].toStdString();
    EXPECT_EQ(log[4], "Signing out");
    EXPECT_TRUE(RequestsSince(from)[2].target.contains(QStringLiteral("&uiid=U1&"))) << "the token of that page";
    EXPECT_TRUE(r.failed);
    EXPECT_TRUE(r.unknownFail);
    EXPECT_EQ(r.resultConfirmBid, r.resultSendBid) << "the confirmation kept the preparation page";
    EXPECT_TRUE(frmFailureReport::isLoaded());
}

TEST_F(BidWindowWithSimulator, FailedPreparationCheckSignsInAgainAfterASecond)
{
    ListItem *row = Snipe();
    Server().bids().item(number).prepare = QStringLiteral("signin");
    const RunResult r = RunBid(row);
    QStringList expected;
    for (int i = 0; i < 6; ++i)
        expected << "signin" << "prepare";
    expected << "confirm" << "signout";
    EXPECT_EQ(RequestKinds(from), expected) << "five retries, then the run goes on";
    const QList<Sim::LogEntry> requests = RequestsSince(from);
    for (int i = 1; i < 6; ++i)
        EXPECT_GE(requests[2 * i - 1].arrival.msecsTo(requests[2 * i].arrival), 950) << "retry " << i;
    const QStringList log = BidLog();
    EXPECT_EQ(log.count(QStringLiteral("Signing in to bid on item # ") + number), 6);
    for (int i = 1; i <= 5; ++i)
        EXPECT_TRUE(log.contains(QStringLiteral("Prepare bid failed, retry %1").arg(i)));
    EXPECT_FALSE(log.contains(QStringLiteral("Prepare bid failed, retry 6")));
    EXPECT_TRUE(r.unknownFail) << "a confirmation without tokens is not understood";
}

TEST_F(BidWindowWithSimulator, LeadTimeRunsFromTheSignInToTheConfirmationReply)
{
    ListItem *row = Snipe();
    AddFault(QStringLiteral("MfcISAPICommand=MakeBid"), Sim::FaultMode::Hang, 1, 4000);
    const RunResult r = RunBid(row);
    EXPECT_FALSE(r.failed);
    QString measured;
    for (const QString &line : BidLog())
        if (line.startsWith(QStringLiteral("Lead time: ")))
            measured = line.mid(11);
    EXPECT_TRUE(measured == QLatin1String("4") || measured == QLatin1String("5")) << measured.toStdString();
    EXPECT_EQ(GetSetting(QStringLiteral("Lead time")), measured) << "within 3 to 30, stored as measured";
}

TEST_F(BidWindowWithSimulator, CurrencyNoticeIsAnsweredOnceWithItsTokens)
{
    ListItem *row = Snipe();
    Server().bids().item(number).confirm = QStringLiteral("currency");
    const RunResult r = RunBid(row);
    EXPECT_FALSE(r.windowStaysOpen);
    EXPECT_FALSE(r.failed);
    ASSERT_EQ(RequestKinds(from), QStringList({"signin", "prepare", "confirm", "currency", "signout"}));
    const QString followUp = RequestsSince(from)[3].target;
    const Sim::ItemBidding &state = Server().bids().item(number);
    EXPECT_TRUE(followUp.startsWith(QStringLiteral("/ws/eBayISAPI.dll?MfcISAPICommand=MakeBid&uiid=") + state.uiid
                                    + QStringLiteral("&item=") + number
                                    + QStringLiteral("&quant=1&quantity=1&maxbid=12.50&user=alice&javascriptenabled=1&mode=1"
                                                     "&firedFilteredId=")));
    EXPECT_TRUE(followUp.endsWith(QStringLiteral("&stok=") + state.stok));
    EXPECT_FALSE(followUp.contains(QStringLiteral("pass=")));
    EXPECT_TRUE(r.resultConfirmBid.contains(QStringLiteral("Importation of currency"))) << "the confirmation reply is kept";
    EXPECT_EQ(state.maxima.size(), 1);
}

TEST_F(BidWindowWithSimulator, PurchaseIsNeverSentTwice)
{
    ListItem *row = Snipe();
    AddFault(QStringLiteral("MfcISAPICommand=BinConfirm"), Sim::FaultMode::Hang, 1);
    const RunResult r = RunBid(row, true, ShortTimeout);
    EXPECT_EQ(r.caption, QStringLiteral("Purchase Not Confirmed"));
    EXPECT_TRUE(r.windowStaysOpen) << "shown as a failure";
    EXPECT_EQ(BidRequestKinds(from), QStringList({"signin", "prepare", "purchase", "signout"}));
    EXPECT_TRUE(BidLog().contains(QStringLiteral("Purchase not confirmed, not sent again: Error # 35761")));
    EXPECT_TRUE(r.unknownFail) << "an unanswered purchase is reported, not taken for done";
    EXPECT_EQ(BidRecord::Of(number), BidRecord::Outcome::Sent) << "nor taken for refused: its outcome is unknown";

    // A dropped connection is not knocked on again either, not even by the
    // transport underneath.
    ListItem *second = Snipe();
    AddFault(QStringLiteral("MfcISAPICommand=BinConfirm"), Sim::FaultMode::Close, 100);
    const qint64 start = Server().requestLog().nextIndex();
    RunBid(second, true, ShortTimeout);
    Server().faults().clear();
    EXPECT_EQ(BidRequestKinds(start), QStringList({"signin", "prepare", "purchase", "signout"}));
    EXPECT_EQ(BidRecord::Of(number), BidRecord::Outcome::Sent);
}

TEST_F(BidWindowWithSimulator, LaterActivationsStartNoSecondRun)
{
    ListItem *row = Snipe();
    Server().bids().item(number).confirm = QStringLiteral("B7");
    RunBid(row);
    frmBid *form = LatestBidWindow();
    ASSERT_NE(form, nullptr);
    const qint64 after = Server().requestLog().nextIndex();
    form->Form_Activate();
    form->activateWindow();
    QTest::qWait(200);
    EXPECT_TRUE(RequestKinds(after).isEmpty());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Registration Blocked"));
}

TEST_F(BidWindowWithSimulator, OutbidAndTooLowAreShownAndLoggedWithoutAProblemReport)
{
    if (frmFailureReport::isLoaded())
        frmFailureReport::unloadInstance();
    struct Case
    {
        QString amount;
        double rival; // a maximum placed before ours, or 0
        QString title;
        QString reason;
        QString logLine;
    };
    const QList<Case> cases = {
        {QStringLiteral("70.00"), 80.0, QStringLiteral("You've Been Outbid"),
         QStringLiteral("Another bidder placed a higher maximum bid or placed the same maximum bid before you did."),
         QStringLiteral("Bidding, failed: Other bidder higher")},
        // As high as the rival's, but later.
        {QStringLiteral("80.00"), 80.0, QStringLiteral("You've Been Outbid"),
         QStringLiteral("Another bidder placed a higher maximum bid or placed the same maximum bid before you did."),
         QStringLiteral("Bidding, failed: Other bidder higher")},
        {QStringLiteral("9.00"), 0.0, QStringLiteral("Bid Too Low"),
         QStringLiteral("Your bid was not high enough to outbid the highest bidder"), QStringLiteral("Bidding, failed: Bid too low")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.amount.toStdString());
        ClearBidLog();
        ListItem *row = Snipe(QStringLiteral("1"), c.amount);
        if (c.rival > 0)
            Server().bids().placeBid(*Server().items().find(number), QStringLiteral("bob"), c.rival, 1,
                                     Server().now().addSecs(-60));
        const RunResult r = RunBid(row);
        ASSERT_TRUE(r.ended);
        EXPECT_TRUE(r.windowStaysOpen);
        EXPECT_EQ(r.caption, c.title);
        EXPECT_EQ(r.details, c.reason);
        EXPECT_FALSE(r.failed);
        EXPECT_FALSE(r.unknownFail);
        EXPECT_FALSE(frmFailureReport::isLoaded()) << "no problem report";
        const QStringList log = BidLog();
        EXPECT_EQ(log.mid(log.size() - 2), QStringList({c.logLine, "Signing out"}));
        if (frmBid *form = LatestBidWindow())
            form->cmdClose_Click();
    }
}
