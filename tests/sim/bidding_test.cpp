// The simulated eBay's bidding: the proxy rule, what a confirmation needs to
// be bid for real, and the control paths that choose replies. The pages'
// marker texts are proven through the program in the integration tests.
#include "sim/core/biddesk.h"
#include "sim/core/simserver.h"
#include "tests/sim/simtestutil.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Sim;

namespace {

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

