// The simulated eBay's bid pages: proxy bidding, the reply classes a test
// chooses per item, Buy It Now, the cookie page and the report page.
#include "sim/core/biddesk.h"
#include "sim/core/simserver.h"
#include "tests/sim/simtestutil.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Sim;

namespace {

const QString kReviewUser = QStringLiteral("\"alice\"");

// The simulator without network: requests go straight to its routes.
class BidPagesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SimItem item;
        item.number = QStringLiteral("110000000001");
        item.price = 10.0;
        item.endsAt = server.now().addSecs(3600);
        number = server.items().add(item);
        session = server.startSession(QStringLiteral("alice"));
    }

    Response get(const QString &target, bool signedIn = true)
    {
        Request r = SimTest::request(target);
        if (signedIn)
            r.headers.append({"Cookie", SimServer::sessionCookieName().toLatin1() + '=' + session.toLatin1()});
        return server.respond(r);
    }
    QString page(const QString &target, bool signedIn = true) { return QString::fromLatin1(get(target, signedIn).body); }

    QString prepare(const QString &maxBid = QStringLiteral("12.00"))
    {
        return page(QStringLiteral("/ws/eBayISAPI.dll?MakeBid&item=") + number + QStringLiteral("&fb=2&maxbid=") + maxBid
                    + QStringLiteral("&qty=1"));
    }
    QString confirm(const QString &user, const QString &maxBid, const QString &uiid, const QString &stok)
    {
        return page(QStringLiteral("/ws/eBayISAPI.dll?MfcISAPICommand=MakeBid&uiid=") + uiid + QStringLiteral("&item=") + number
                    + QStringLiteral("&maxbid=") + maxBid + QStringLiteral("&quant=1&mode=1&user=") + user
                    + QStringLiteral("&pass=pw&stok=") + stok + QStringLiteral("&co_partnerid=2&fb=2"));
    }
    QString confirmAfterReview(const QString &maxBid)
    {
        prepare(maxBid);
        const ItemBidding &state = server.bids().item(number);
        return confirm(QStringLiteral("alice"), maxBid, state.uiid, state.stok);
    }

    // The control endpoint answers only over the network.
    Response control(const QString &method, const QString &path, const QJsonObject &body = {})
    {
        if (server.httpPort() == 0)
            EXPECT_TRUE(server.start()) << server.errorString().toStdString();
        QNetworkAccessManager nam;
        const SimTest::Fetched f =
            SimTest::fetch(nam, server.url(path), 5000, {}, method.toLatin1(), QJsonDocument(body).toJson());
        Response response;
        response.status = f.status;
        response.body = f.body;
        return response;
    }

    SimServer server;
    QString number;
    QString session;
};

QJsonObject json(const Response &r)
{
    return QJsonDocument::fromJson(r.body).object();
}

} // namespace

TEST(ProxyBidding, HighestMaximumLeadsAtTheSecondHighestPlusAnIncrement)
{
    BidDesk desk;
    SimItem item;
    item.number = QStringLiteral("1");
    item.price = 10.0;
    const QDateTime t0 = QDateTime::currentDateTimeUtc();

    EXPECT_EQ(desk.placeBid(item, QStringLiteral("alice"), 20.0, 1, t0), BidOutcome::First);
    EXPECT_DOUBLE_EQ(item.price, 10.0) << "a lone bidder stands at the starting price";
    EXPECT_EQ(item.winner, QStringLiteral("alice"));

    EXPECT_EQ(desk.placeBid(item, QStringLiteral("bob"), 15.0, 1, t0.addSecs(1)), BidOutcome::Outbid);
    EXPECT_DOUBLE_EQ(item.price, 15.5) << "15.00 plus the 0.50 increment";
    EXPECT_EQ(item.winner, QStringLiteral("alice"));

    EXPECT_EQ(desk.placeBid(item, QStringLiteral("carol"), 19.9, 1, t0.addSecs(2)), BidOutcome::Outbid);
    EXPECT_DOUBLE_EQ(item.price, 20.0) << "never above the leader's own maximum";

    EXPECT_EQ(desk.placeBid(item, QStringLiteral("dave"), 30.0, 1, t0.addSecs(3)), BidOutcome::Highest);
    EXPECT_DOUBLE_EQ(item.price, 20.5);
    EXPECT_EQ(item.winner, QStringLiteral("dave"));
    EXPECT_EQ(item.bids, 4);

    // Raising the leader's own maximum keeps the price; a bid below the
    // minimum is turned down and counts nothing.
    EXPECT_EQ(desk.placeBid(item, QStringLiteral("dave"), 40.0, 1, t0.addSecs(4)), BidOutcome::Highest);
    EXPECT_DOUBLE_EQ(item.price, 20.5);
    EXPECT_EQ(desk.placeBid(item, QStringLiteral("erin"), 20.9, 1, t0.addSecs(5)), BidOutcome::TooLow);
    EXPECT_EQ(item.bids, 5);
}

TEST(ProxyBidding, EarlierOfEqualMaximaWinsAndOlderBidsStandAsOneBidder)
{
    BidDesk desk;
    SimItem item;
    item.number = QStringLiteral("2");
    item.price = 7.0;
    item.bids = 3; // bids the page counted before any maximum was known
    const QDateTime t0 = QDateTime::currentDateTimeUtc();

    EXPECT_EQ(desk.placeBid(item, QStringLiteral("alice"), 7.1, 1, t0), BidOutcome::TooLow) << "7.00 + 0.50 is the least";
    EXPECT_EQ(desk.placeBid(item, QStringLiteral("alice"), 9.0, 1, t0), BidOutcome::Highest);
    EXPECT_DOUBLE_EQ(item.price, 7.5);
    EXPECT_EQ(desk.placeBid(item, QStringLiteral("bob"), 9.0, 1, t0.addSecs(1)), BidOutcome::Outbid);
    EXPECT_DOUBLE_EQ(item.price, 9.0);
    EXPECT_EQ(item.winner, QStringLiteral("alice"));
}

TEST_F(BidPagesTest, ReviewPageNamesTheSignedInUserAndCarriesFreshTokens)
{
    const QString review = prepare();
    EXPECT_TRUE(review.contains(kReviewUser));
    const ItemBidding &state = server.bids().item(number);
    ASSERT_FALSE(state.uiid.isEmpty());
    EXPECT_TRUE(review.contains(QStringLiteral("name=\"uiid\" value=\"") + state.uiid + QLatin1Char('"')));
    EXPECT_TRUE(review.contains(QStringLiteral("name=\"stok\" value=\"") + state.stok + QLatin1Char('"')));
    const QString firstUiid = state.uiid;
    prepare();
    EXPECT_NE(server.bids().item(number).uiid, firstUiid);

    EXPECT_FALSE(page(QStringLiteral("/ws/eBayISAPI.dll?MakeBid&item=") + number, false).contains(kReviewUser))
        << "without a sign-in the page does not name the user";
    EXPECT_TRUE(page(QStringLiteral("/ws/eBayISAPI.dll?MakeBid&item=999")).contains(QStringLiteral(" - Invalid Item</")));
    server.items().find(number)->endsAt = server.now().addSecs(-1);
    EXPECT_TRUE(prepare().contains(QStringLiteral(">Ended:</")));
}

TEST_F(BidPagesTest, PreparationClassesCarryTheirMarkers)
{
    const QList<QPair<QString, QString>> rows = {
        {QStringLiteral("A2"), QStringLiteral(">This listing was ended by the seller")},
        {QStringLiteral("A3"), QStringLiteral(" - Invalid Item</")},
        {QStringLiteral("A4"), QStringLiteral(">This Buy It Now listing has ended.")},
        {QStringLiteral("A5"), QStringLiteral("this item is restricted for export by the U.S. Department of State (DOS)")},
        {QStringLiteral("A6"), QStringLiteral(">Ended:</")},
    };
    for (const auto &[row, marker] : rows) {
        server.bids().item(number).prepare = row;
        const QString text = prepare();
        EXPECT_TRUE(text.contains(marker)) << row.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("name=\"uiid\""))) << row.toStdString();
        if (row != QLatin1String("A6"))
            EXPECT_TRUE(text.contains(kReviewUser)) << row.toStdString() << ": the header names the signed-in user";
    }
    server.bids().item(number).prepare = QStringLiteral("signin");
    EXPECT_FALSE(prepare().contains(kReviewUser));
}

TEST_F(BidPagesTest, ConfirmationNeedsTheTokensAndThePasswordThenBidsForReal)
{
    server.addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    prepare();
    const ItemBidding &state = server.bids().item(number);
    EXPECT_TRUE(confirm(QStringLiteral("alice"), QStringLiteral("12.00"), QStringLiteral("stale"), state.stok)
                    .contains(QStringLiteral("session has expired")));
    EXPECT_TRUE(confirm(QStringLiteral("alice"), QStringLiteral("12.00"), state.uiid, QStringLiteral("stale"))
                    .contains(QStringLiteral("session has expired")));
    EXPECT_TRUE(server.bids().item(number).maxima.isEmpty());

    EXPECT_TRUE(confirm(QStringLiteral("alice"), QStringLiteral("12.00"), state.uiid, state.stok)
                    .contains(QStringLiteral("you're the first bidder.")));
    server.bids().item(number).maxima.clear();
    server.addAccount(QStringLiteral("alice"), QStringLiteral("other"));
    EXPECT_TRUE(confirm(QStringLiteral("alice"), QStringLiteral("12.00"), state.uiid, state.stok)
                    .contains(QStringLiteral("password is incorrect")));
}

TEST_F(BidPagesTest, ConfirmationOutcomesOfTheProxyRule)
{
    EXPECT_TRUE(confirmAfterReview(QStringLiteral("5.00")).contains(QStringLiteral(">error</b>")));
    EXPECT_TRUE(confirmAfterReview(QStringLiteral("5.00")).contains(QStringLiteral(" or more</div>")));

    QString reply = confirmAfterReview(QStringLiteral("12.00"));
    EXPECT_TRUE(reply.contains(QStringLiteral("you're the first bidder.")));
    EXPECT_FALSE(reply.contains(QStringLiteral("you're currently the highest bidder")));

    server.bids().placeBid(*server.items().find(number), QStringLiteral("rival"), 30.0, 1, server.now());
    reply = confirmAfterReview(QStringLiteral("25.00"));
    EXPECT_TRUE(reply.contains(QStringLiteral("Another bidder placed a higher maximum bid")));
    EXPECT_FALSE(reply.contains(QStringLiteral("you're")));
    reply = confirmAfterReview(QStringLiteral("40.00"));
    EXPECT_TRUE(reply.contains(QStringLiteral("you're currently the highest bidder")));
    EXPECT_DOUBLE_EQ(server.items().find(number)->price, 31.0);

    // After the end the item page names the winner as the refresh reads it.
    server.items().find(number)->endsAt = server.now().addSecs(-1);
    const QString itemPage = page(QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + number);
    EXPECT_TRUE(itemPage.contains(QStringLiteral(">Winning bidder:<")));
    EXPECT_TRUE(itemPage.contains(QStringLiteral(">alice</a>")));
    EXPECT_TRUE(prepare().contains(QStringLiteral(">Ended:</")));
    EXPECT_TRUE(confirmAfterReview(QStringLiteral("50.00")).contains(QStringLiteral("Bidding has ended")));
}

TEST_F(BidPagesTest, EveryChosenConfirmationClassCarriesItsMarkerAndNoOther)
{
    const QStringList markers = {
        QStringLiteral(">error</b>"),
        QStringLiteral("Seller not accepting your bid"),
        QStringLiteral("This item is available to buyers who have not received 2 or more unpaid item strike(s) in the past 1 month(s)"),
        QStringLiteral("This item is available to buyers who have not received 3 or more unpaid item strike(s) in the past 1 month(s)"),
        QStringLiteral("This item is available to buyers who have not received 2 or more unpaid item strike(s) in the past 12 month(s)"),
        QStringLiteral("This item is only available to buyers who have not purchased 1 or more items from this seller in the past 10 days"),
        QStringLiteral("Registration blocked"),
        QStringLiteral("Sorry, this item cannot be shipped to"),
        QStringLiteral("Your bid price may not meet or exceed the Buy It Now price"),
        QStringLiteral("Confirm your identity"),
        QStringLiteral("eBay has put a temporary block on your site activity"),
        QStringLiteral("Weapon and Knives policy, it is not possible for you to bid"),
        QStringLiteral("Sorry, you are not allowed to purchase this item"),
    };
    for (int row = 1; row <= 13; ++row) {
        server.bids().item(number).confirm = QStringLiteral("B%1").arg(row);
        const QString reply = confirm(QStringLiteral("alice"), QStringLiteral("12.00"), QStringLiteral("any"), QStringLiteral("any"));
        for (int other = 1; other <= 13; ++other)
            EXPECT_EQ(reply.contains(markers[other - 1]), other == row) << "B" << row << " holding the marker of B" << other;
        EXPECT_FALSE(reply.contains(QStringLiteral("you're")));
    }
    EXPECT_TRUE(server.bids().item(number).maxima.isEmpty()) << "a chosen reply places no bid";

    server.bids().item(number).confirm = QStringLiteral("unknown");
    const QString unknown = confirm(QStringLiteral("alice"), QStringLiteral("12.00"), QStringLiteral("x"), QStringLiteral("x"));
    for (const QString &marker : markers)
        EXPECT_FALSE(unknown.contains(marker));
}

TEST_F(BidPagesTest, CurrencyNoticeIsAnsweredByAFollowUpThatBids)
{
    server.bids().item(number).confirm = QStringLiteral("currency");
    const QString notice = confirmAfterReview(QStringLiteral("12.00"));
    EXPECT_TRUE(notice.contains(QStringLiteral("Importation of currency into your country may be subject to certain restrictions")));
    EXPECT_TRUE(server.bids().item(number).maxima.isEmpty());
    const ItemBidding &state = server.bids().item(number);
    EXPECT_TRUE(notice.contains(QStringLiteral("name=\"firedFilteredId\" value=\"")));
    const QString followUp = page(QStringLiteral("/ws/eBayISAPI.dll?MfcISAPICommand=MakeBid&uiid=") + state.uiid + QStringLiteral("&item=")
                                  + number + QStringLiteral("&quant=1&quantity=1&maxbid=12.00&user=alice&javascriptenabled=1&mode=1"
                                                            "&firedFilteredId=F1&stok=")
                                  + state.stok);
    EXPECT_TRUE(followUp.contains(QStringLiteral("you're the first bidder.")));
    EXPECT_EQ(server.bids().item(number).maxima.size(), 1);
}

TEST_F(BidPagesTest, BuyItNowBuysOnceAndEndsTheListing)
{
    SimItem *item = server.items().find(number);
    item->buyItNow = 49.0;
    server.bids().item(number).uiid = QStringLiteral("U1");
    const QString purchase = QStringLiteral("/ws/eBayISAPI.dll?MfcISAPICommand=BinConfirm&uiid=U1&item=") + number
        + QStringLiteral("&Quantity=1&mode=1&user=alice&pass=pw");
    const QString bought = page(purchase);
    EXPECT_FALSE(bought.isEmpty());
    EXPECT_FALSE(bought.contains(QStringLiteral("Another bidder placed a higher maximum bid")));
    EXPECT_EQ(server.bids().item(number).purchases, 1);
    EXPECT_EQ(item->winner, QStringLiteral("alice"));
    EXPECT_TRUE(item->ended(server.now().addMSecs(1)));
    EXPECT_TRUE(page(purchase).contains(QStringLiteral(">This Buy It Now listing has ended.")));
    EXPECT_EQ(server.bids().item(number).purchases, 1);
}

TEST_F(BidPagesTest, CookiePageStandsInFrontOfTheSignInWhileAskedFor)
{
    const QString signIn = QStringLiteral("/ws/eBayISAPI.dll?MfcISAPICommand=SignInWelcome&userid=alice&pass=pw");
    server.bids().cookiePages = 2;
    const Response first = get(signIn, false);
    EXPECT_TRUE(QString::fromLatin1(first.body).contains(QStringLiteral("web browser settings are blocking cookies")));
    EXPECT_TRUE(first.headers.isEmpty()) << "no session from the cookie page";
    EXPECT_TRUE(page(signIn, false).contains(QStringLiteral("web browser settings are blocking cookies")));
    const Response third = get(signIn, false);
    EXPECT_FALSE(QString::fromLatin1(third.body).contains(QStringLiteral("blocking cookies")));
    EXPECT_FALSE(third.headers.isEmpty()) << "the ordinary sign-in again";
}

TEST_F(BidPagesTest, ControlEndpointChoosesRepliesAndSeedsRivals)
{
    const QString path = QStringLiteral("/_sim/bids/") + number;
    EXPECT_EQ(control(QStringLiteral("POST"), path, {{QStringLiteral("confirm"), QStringLiteral("B99")}}).status, 400);
    EXPECT_EQ(control(QStringLiteral("POST"), path, {{QStringLiteral("prepare"), QStringLiteral("B1")}}).status, 400);
    EXPECT_EQ(control(QStringLiteral("POST"), QStringLiteral("/_sim/bids/42"), {}).status, 404);

    const QJsonObject state = json(control(
        QStringLiteral("POST"), path,
        {{QStringLiteral("prepare"), QStringLiteral("A5")},
         {QStringLiteral("confirm"), QStringLiteral("B7")},
         {QStringLiteral("rival"), QJsonObject{{QStringLiteral("user"), QStringLiteral("bob")}, {QStringLiteral("max"), 25.0}}}}));
    EXPECT_EQ(state.value(QStringLiteral("prepare")).toString(), QStringLiteral("A5"));
    EXPECT_EQ(state.value(QStringLiteral("confirm")).toString(), QStringLiteral("B7"));
    EXPECT_EQ(state.value(QStringLiteral("maxima")).toArray().size(), 1);
    EXPECT_EQ(server.items().find(number)->winner, QStringLiteral("bob"));

    EXPECT_EQ(json(control(QStringLiteral("POST"), QStringLiteral("/_sim/bids"), {{QStringLiteral("cookiePages"), 3}}))
                  .value(QStringLiteral("cookiePages"))
                  .toInt(),
              3);
    control(QStringLiteral("DELETE"), path);
    EXPECT_EQ(server.bids().item(number).confirm, QStringLiteral("auto"));
}

TEST_F(BidPagesTest, ReportPageTakesTheFormAndThanks)
{
    const QString form = page(QStringLiteral("/sendreport.asp"), false);
    EXPECT_TRUE(form.contains(QStringLiteral("<form name=\"ReportForm\"")));
    for (const char *field : {"reporttype", "email", "UserName", "ItemNumber", "build", "Int", "delay", "SignOut", "SignIn",
                              "sendbid", "ConfirmBid", "itempage"})
        EXPECT_TRUE(form.contains(QStringLiteral("name=\"%1\"").arg(QLatin1String(field)))) << field;
    EXPECT_FALSE(form.toLower().contains(QStringLiteral("report sent")));

    Request post = SimTest::request(QStringLiteral("/sendreport.asp"), false, QStringLiteral("POST"));
    post.body = "reporttype=failedbid&UserName=alice&ConfirmBid=%3Cp%3EOdd+page%3C%2Fp%3E";
    const QString thanks = QString::fromLatin1(server.respond(post).body);
    EXPECT_TRUE(thanks.toLower().contains(QStringLiteral("report sent")));
    EXPECT_FALSE(thanks.toLower().contains(QStringLiteral("<form")));
    ASSERT_EQ(server.bids().reports.size(), 1);
    EXPECT_EQ(server.bids().reports.first().value(QStringLiteral("ConfirmBid")).toString(), QStringLiteral("<p>Odd page</p>"));
    EXPECT_EQ(server.bids().reports.first().value(QStringLiteral("UserName")).toString(), QStringLiteral("alice"));
}
