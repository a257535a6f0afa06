// The simulator's tricky parts, which the tests through the program lean on:
// the proxy bidding rule, Pacific time across daylight-saving changes, the
// fault plan and the request log; and the home and search pages a user of
// the demo sees.
#include "sim/core/biddesk.h"
#include "sim/core/pacifictime.h"
#include "sim/core/simserver.h"
#include "tests/sim/simtestutil.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTimeZone>

using namespace Sim;
using SimTest::fetch;

namespace {

class SimServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start()) << qPrintable(server.errorString());
    }

    QString page(const QString &pathAndQuery, bool https = false)
    {
        const auto f = fetch(nam, server.url(pathAndQuery, https), 5000, server.caFile());
        EXPECT_TRUE(f.finished) << qPrintable(pathAndQuery);
        return QString::fromLatin1(f.body);
    }

    // A control call; returns the parsed JSON and checks the status.
    QJsonDocument control(const QByteArray &verb, const QString &path, const QJsonDocument &body = {}, int status = 200)
    {
        const auto f = fetch(nam, server.url(QStringLiteral("/_sim/") + path), 5000, {}, verb,
                             body.isNull() ? QByteArray() : body.toJson(QJsonDocument::Compact));
        EXPECT_EQ(f.status, status) << verb.constData() << ' ' << qPrintable(path) << ' ' << f.body.constData();
        return QJsonDocument::fromJson(f.body);
    }
    QJsonDocument post(const QString &path, const QJsonObject &body, int status = 200)
    {
        return control("POST", path, QJsonDocument(body), status);
    }

    SimServer server;
    QNetworkAccessManager nam;
};

} // namespace

TEST(ProxyBidding, HighestMaximumLeadsAtTheSecondHighestPlusAnIncrementEarlierOfEqualMaximaWins)
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

    // Bids the page counted before any maximum was known stand as one bidder;
    // of equal maxima the earlier wins.
    SimItem older;
    older.number = QStringLiteral("2");
    older.price = 7.0;
    older.bids = 3;
    EXPECT_EQ(desk.placeBid(older, QStringLiteral("alice"), 7.1, 1, t0), BidOutcome::TooLow) << "7.00 + 0.50 is the least";
    EXPECT_EQ(desk.placeBid(older, QStringLiteral("alice"), 9.0, 1, t0), BidOutcome::Highest);
    EXPECT_DOUBLE_EQ(older.price, 7.5);
    EXPECT_EQ(desk.placeBid(older, QStringLiteral("bob"), 9.0, 1, t0.addSecs(1)), BidOutcome::Outbid);
    EXPECT_DOUBLE_EQ(older.price, 9.0);
    EXPECT_EQ(older.winner, QStringLiteral("alice"));
}

TEST(SimPacific, AgreesWithTheZoneDatabase)
{
    const QTimeZone la("America/Los_Angeles");
    if (!la.isValid())
        GTEST_SKIP() << "no time-zone data";
    // Every quarter hour around each change, and every 7 hours over three years.
    QList<QDateTime> instants;
    for (int year = 2024; year <= 2026; ++year) {
        for (const QDateTime &change : {la.nextTransition(QDateTime(QDate(year, 1, 1), QTime(0, 0), Qt::UTC)).atUtc,
                                        la.nextTransition(QDateTime(QDate(year, 7, 1), QTime(0, 0), Qt::UTC)).atUtc})
            for (int q = -12; q <= 12; ++q)
                instants.append(change.addSecs(q * 900));
        for (QDateTime t(QDate(year, 1, 1), QTime(0, 0), Qt::UTC); t.date().year() == year; t = t.addSecs(7 * 3600))
            instants.append(t);
    }
    for (const QDateTime &t : instants) {
        const QDateTime expected = t.toTimeZone(la);
        const QDateTime got = Pacific::wallClock(t);
        ASSERT_EQ(got.date(), expected.date()) << qPrintable(t.toString(Qt::ISODate));
        ASSERT_EQ(got.time(), expected.time()) << qPrintable(t.toString(Qt::ISODate));
        ASSERT_EQ(Pacific::isDaylightTime(t), la.isDaylightTime(t)) << qPrintable(t.toString(Qt::ISODate));
    }
}

TEST(SimPacific, WritesEbaysDateForms)
{
    const QDateTime winter(QDate(2013, 12, 6), QTime(22, 3, 22), Qt::UTC);
    EXPECT_EQ(Pacific::longText(winter), QStringLiteral("Friday, December 6, 2013 14:03:22 PST"));
    EXPECT_EQ(Pacific::shortDate(winter), QStringLiteral("Dec 06, 2013"));
    EXPECT_EQ(Pacific::shortTime(winter), QStringLiteral("14:03:22 PST"));
    const QDateTime summer(QDate(2014, 7, 4), QTime(6, 0, 9), Qt::UTC);
    EXPECT_EQ(Pacific::longText(summer), QStringLiteral("Thursday, July 3, 2014 23:00:09 PDT"));
}

TEST_F(SimServerTest, APasswordOverPlainHttpIsRefusedUnansweredAndTheRefusalLogged)
{
    server.addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    const QString signIn = QStringLiteral("/ws/eBayISAPI.dll?MfcISAPICommand=SignInWelcome&userid=alice&pass=pw");
    const QString confirm = QStringLiteral(
        "/ws/eBayISAPI.dll?MfcISAPICommand=MakeBid&uiid=U&item=1&maxbid=5&quant=1&mode=1&user=alice&pass=pw");
    auto refused = [](const QString &body) { return body.contains(QLatin1String("Secure connection required")); };

    // Sign-in, confirmation, an empty password and a login form's body: the
    // field alone is enough, whatever page the request was meant for.
    EXPECT_TRUE(refused(page(signIn)));
    EXPECT_TRUE(refused(page(confirm)));
    EXPECT_TRUE(refused(page(QStringLiteral("/ws/eBayISAPI.dll?co_partnerid=2&MfcISAPICommand=SignInWelcome&userid=alice&PASS="))));
    const auto form = fetch(nam, server.url(QStringLiteral("/online/login.asp")), 5000, {}, "POST",
                            "username=alice&pswd=pw&submit=Log+in");
    EXPECT_EQ(form.status, 403);
    EXPECT_TRUE(refused(QString::fromLatin1(form.body)));
    // Over https, and without a password over http, pages answer as ever.
    EXPECT_TRUE(page(signIn, true).contains(QLatin1String("You are signed in")));
    EXPECT_FALSE(refused(page(QStringLiteral("/ws/eBayISAPI.dll?EbayTime"))));

    const QList<LogEntry> log = server.requestLog().since();
    ASSERT_EQ(log.size(), 6);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(log[i].refused, QStringLiteral("password over plain http")) << i;
        EXPECT_EQ(log[i].status, 403) << i;
        EXPECT_EQ(log[i].scheme, QStringLiteral("http")) << i;
    }
    EXPECT_EQ(log[0].role, QString()) << "no page acted on it";
    EXPECT_EQ(log[4].refused, QString());
    EXPECT_EQ(log[4].status, 200);
    EXPECT_EQ(log[5].refused, QString());
    const QJsonArray entries = control("GET", QStringLiteral("log")).object().value(QStringLiteral("entries")).toArray();
    EXPECT_EQ(entries.at(1).toObject().value(QStringLiteral("refused")).toString(), QStringLiteral("password over plain http"));
}

TEST_F(SimServerTest, LogTellsWhichRequestsArrivedWhen)
{
    page(QStringLiteral("/ws/eBayISAPI.dll?EbayTime"));
    control("GET", QStringLiteral("status"));
    page(QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=5"));
    page(QStringLiteral("/ws/eBayISAPI.dll?EbayTime"), true);
    page(QStringLiteral("/no/such/page"));

    const QJsonObject all = control("GET", QStringLiteral("log")).object();
    const QJsonArray entries = all.value(QStringLiteral("entries")).toArray();
    ASSERT_EQ(entries.size(), 4) << "control requests are not logged";
    EXPECT_EQ(all.value(QStringLiteral("next")).toInt(), 4);
    const QJsonObject item = entries.at(1).toObject();
    EXPECT_EQ(item.value(QStringLiteral("method")).toString(), QStringLiteral("GET"));
    EXPECT_EQ(item.value(QStringLiteral("path")).toString(), QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=5"));
    EXPECT_EQ(item.value(QStringLiteral("scheme")).toString(), QStringLiteral("http"));
    EXPECT_EQ(item.value(QStringLiteral("role")).toString(), QStringLiteral("item"));
    EXPECT_EQ(item.value(QStringLiteral("status")).toInt(), 200);
    EXPECT_EQ(entries.at(2).toObject().value(QStringLiteral("scheme")).toString(), QStringLiteral("https"));
    EXPECT_EQ(entries.at(3).toObject().value(QStringLiteral("status")).toInt(), 404);
    EXPECT_EQ(entries.at(3).toObject().value(QStringLiteral("role")).toString(), QString());
    double last = 0;
    for (const auto &e : entries) {
        const double ms = e.toObject().value(QStringLiteral("ms")).toDouble();
        EXPECT_GE(ms, last);
        last = ms;
        EXPECT_EQ(e.toObject().value(QStringLiteral("time")).toString().size(), 23) << "yyyy-MM-ddTHH:mm:ss.zzz";
    }

    EXPECT_EQ(control("GET", QStringLiteral("log?since=2")).object().value(QStringLiteral("entries")).toArray().size(), 2);
    control("DELETE", QStringLiteral("log"));
    EXPECT_TRUE(control("GET", QStringLiteral("log")).object().value(QStringLiteral("entries")).toArray().isEmpty());
    page(QStringLiteral("/ws/eBayISAPI.dll?EbayTime"));
    const QJsonArray after = control("GET", QStringLiteral("log?since=4")).object().value(QStringLiteral("entries")).toArray();
    ASSERT_EQ(after.size(), 1);
    EXPECT_EQ(after.first().toObject().value(QStringLiteral("index")).toInt(), 4) << "indices go on after a clear";
}

TEST_F(SimServerTest, EbaysClockMovedCarriesTheTimePageAndEveryReplysDateWhileAuctionsEndByIt)
{
    auto dateOf = [&](const QString &path) {
        const auto f = fetch(nam, server.url(path), 5000, server.caFile());
        return QLocale::c().toDateTime(QString::fromLatin1(f.date), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    };
    const QString running = QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=")
        + server.items().add([&] {
              SimItem item;
              item.endsAt = server.now().addSecs(120);
              return item;
          }());
    const QString number = running.section(QLatin1Char('='), -1);
    const QDateTime endBefore = server.items().find(number)->endsAt;
    const QString endShown = Pacific::shortTime(endBefore);
    ASSERT_TRUE(page(running).contains(endShown));
    QDateTime replyBefore = dateOf(running);
    ASSERT_TRUE(replyBefore.isValid());
    replyBefore.setTimeSpec(Qt::UTC);

    post(QStringLiteral("clock"), {{QStringLiteral("move"), 37}});
    EXPECT_EQ(server.clockOffset(), 37);
    server.moveEbayClock(-40);
    EXPECT_EQ(server.clockOffset(), -3);
    server.moveEbayClock(40);

    // Every reply's Date and the time page show eBay's clock ...
    QDateTime replyAfter = dateOf(QStringLiteral("/ws/eBayISAPI.dll?EbayTime"));
    replyAfter.setTimeSpec(Qt::UTC);
    EXPECT_NEAR(double(replyBefore.secsTo(replyAfter)), 37.0, 2.0);
    EXPECT_TRUE(page(QStringLiteral("/ws/eBayISAPI.dll?EbayTime")).contains(Pacific::longText(server.now().addSecs(37))));
    // ... and the auction still ends when it reads the end its page shows:
    // 37 s sooner by the real clock.
    EXPECT_EQ(server.items().find(number)->endsAt, endBefore.addSecs(-37));
    EXPECT_TRUE(page(running).contains(endShown));
}

TEST_F(SimServerTest, FaultsHoldBackDelayEmptyOrDropAnswers)
{
    const QString time = QStringLiteral("/ws/eBayISAPI.dll?EbayTime");

    // Hang: no answer at all, once; the next request is answered.
    post(QStringLiteral("faults"), {{QStringLiteral("path"), QStringLiteral("EbayTime")}, {QStringLiteral("mode"), QStringLiteral("hang")}});
    const auto hung = fetch(nam, server.url(time), 700);
    EXPECT_FALSE(hung.finished);
    EXPECT_TRUE(page(time).contains(QLatin1String("The official eBay Time is now:")));

    // Delay: the normal answer, late.
    post(QStringLiteral("faults"), {{QStringLiteral("path"), QStringLiteral("*viewitem*")}, {QStringLiteral("mode"), QStringLiteral("delay")},
                                    {QStringLiteral("delayMs"), 600}});
    const auto late = fetch(nam, server.url(QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=9")), 5000);
    EXPECT_TRUE(late.finished);
    EXPECT_GE(late.elapsedMs, 550);
    EXPECT_TRUE(QString::fromLatin1(late.body).contains(QLatin1String("has been removed")));

    // Empty: 200 and no body.
    post(QStringLiteral("faults"), {{QStringLiteral("path"), time}, {QStringLiteral("mode"), QStringLiteral("empty")}});
    const auto empty = fetch(nam, server.url(time), 5000);
    EXPECT_TRUE(empty.finished);
    EXPECT_EQ(empty.status, 200);
    EXPECT_TRUE(empty.body.isEmpty());

    // Close: the connection drops without a status line. (The client sends a
    // request again once when a reused connection drops, so catch them all.)
    post(QStringLiteral("faults"), {{QStringLiteral("path"), QStringLiteral("EbayTime")}, {QStringLiteral("mode"), QStringLiteral("close")},
                                    {QStringLiteral("count"), -1}});
    const auto dropped = fetch(nam, server.url(time), 5000);
    EXPECT_TRUE(dropped.finished);
    EXPECT_NE(dropped.error, QNetworkReply::NoError);
    EXPECT_EQ(dropped.status, 0);
    control("DELETE", QStringLiteral("faults"));

    // A count below 0 catches every request until the rules are dropped.
    post(QStringLiteral("faults"), {{QStringLiteral("path"), QStringLiteral("EbayTime")}, {QStringLiteral("mode"), QStringLiteral("empty")},
                                    {QStringLiteral("count"), -1}});
    EXPECT_EQ(page(time), QString());
    EXPECT_EQ(page(time), QString());
    control("DELETE", QStringLiteral("faults"));
    EXPECT_FALSE(page(time).isEmpty());

    const QJsonArray log = control("GET", QStringLiteral("log")).object().value(QStringLiteral("entries")).toArray();
    ASSERT_GE(log.size(), 5);
    EXPECT_EQ(log.at(0).toObject().value(QStringLiteral("fault")).toString(), QStringLiteral("hang"));
    EXPECT_EQ(log.at(0).toObject().value(QStringLiteral("status")).toInt(), 0) << "never answered";
    EXPECT_EQ(log.at(2).toObject().value(QStringLiteral("fault")).toString(), QStringLiteral("delay"));
    EXPECT_EQ(log.at(2).toObject().value(QStringLiteral("status")).toInt(), 200);
    EXPECT_EQ(log.at(3).toObject().value(QStringLiteral("fault")).toString(), QStringLiteral("empty"));
    EXPECT_EQ(log.at(4).toObject().value(QStringLiteral("fault")).toString(), QStringLiteral("close"));
    EXPECT_EQ(log.at(4).toObject().value(QStringLiteral("status")).toInt(), 0);
}

TEST_F(SimServerTest, HomePageHasASearchBoxAndLinksToEveryItemEndingSoonestFirst)
{
    const auto add = [this](const QString &title, int endsIn) {
        const QJsonObject item = post(QStringLiteral("items"), {{QStringLiteral("title"), title}, {QStringLiteral("endsIn"), endsIn}}).object();
        return item.value(QStringLiteral("item")).toString();
    };
    const QString later = add(QStringLiteral("Walnut writing box"), 3600);
    const QString soon = add(QStringLiteral("Brass pocket watch"), 120);
    const QString over = add(QStringLiteral("Brass candle stick"), 0);
    post(QStringLiteral("items/") + over + QStringLiteral("/end"), {{QStringLiteral("winner"), QStringLiteral("bob")}});

    const QString home = page(QStringLiteral("/"));
    EXPECT_TRUE(home.contains(QLatin1String("<form name=\"SearchForm\" action=\"/sch/i.html\" method=\"get\">")));
    EXPECT_TRUE(home.contains(QLatin1String("name=\"_nkw\"")));
    const auto at = [&home](const QString &number) {
        return home.indexOf(QStringLiteral("/ws/eBayISAPI.dll?ViewItem&amp;item=") + number + QStringLiteral("\">"));
    };
    ASSERT_GE(at(soon), 0);
    ASSERT_GE(at(later), 0);
    ASSERT_GE(at(over), 0);
    EXPECT_LT(at(soon), at(later));
    EXPECT_LT(at(later), at(over)) << "ended items come last";
    EXPECT_TRUE(home.contains(QLatin1String(">Brass pocket watch</a>")));
    EXPECT_TRUE(home.contains(QLatin1String("Ended, won by bob")));

    // A link from the home page leads to the item's page.
    EXPECT_TRUE(page(QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + soon).contains(QLatin1String("Brass pocket watch")));

    // Search: every word in the title (any case; a form sends blanks as "+"),
    // or the item number; no words list everything.
    const QString brass = page(QStringLiteral("/sch/i.html?_nkw=brass"));
    EXPECT_TRUE(brass.contains(QLatin1String("2 results for brass")));
    EXPECT_TRUE(brass.contains(QLatin1String(">Brass pocket watch</a>")));
    EXPECT_FALSE(brass.contains(QLatin1String("Walnut")));
    const QString two = page(QStringLiteral("/sch/i.html?_nkw=POCKET+brass"));
    EXPECT_TRUE(two.contains(QLatin1String("1 result for POCKET brass")));
    EXPECT_TRUE(two.contains(QLatin1String("value=\"POCKET brass\"")));
    EXPECT_TRUE(page(QStringLiteral("/sch/i.html?_nkw=") + later).contains(QLatin1String(">Walnut writing box</a>")));
    EXPECT_TRUE(page(QStringLiteral("/sch/i.html?_nkw=nothing")).contains(QLatin1String("0 results for nothing")));
    EXPECT_TRUE(page(QStringLiteral("/sch/i.html")).contains(QLatin1String("3 results for all items")));

    const QJsonArray log = control("GET", QStringLiteral("log")).object().value(QStringLiteral("entries")).toArray();
    ASSERT_FALSE(log.isEmpty());
    EXPECT_EQ(log.at(0).toObject().value(QStringLiteral("role")).toString(), QStringLiteral("site"));
    EXPECT_EQ(log.at(2).toObject().value(QStringLiteral("role")).toString(), QStringLiteral("sitesearch"));
}

TEST_F(SimServerTest, ServesTheUpdateReplyAndTheReleaseArchiveTheControlSets)
{
    const QString release = SimServer::releasePath();
    EXPECT_EQ(fetch(nam, server.url(release, true), 5000, server.caFile()).status, 404);

    const QByteArray archive("archive bytes\0\x01\xff", 16);
    const QJsonObject set = post(QStringLiteral("update"), {{QStringLiteral("archive"), QString::fromLatin1(archive.toBase64())}}).object();
    EXPECT_EQ(set.value(QStringLiteral("release")).toString(), release);
    EXPECT_EQ(set.value(QStringLiteral("sha256")).toString(),
              QString::fromLatin1(QCryptographicHash::hash(archive, QCryptographicHash::Sha256).toHex()));
    // The reply stays as it was when only the archive is set.
    EXPECT_EQ(set.value(QStringLiteral("reply")).toString(), SimServer::defaultUpdateReply());
    EXPECT_EQ(fetch(nam, server.url(release, true), 5000, server.caFile()).body, archive);

    post(QStringLiteral("update"), {{QStringLiteral("reply"), QStringLiteral("<download>\r\n") + release}});
    EXPECT_EQ(page(QStringLiteral("/?app=tallow&action=getinf"), true), QStringLiteral("<download>\r\n") + release);
    post(QStringLiteral("update"), {{QStringLiteral("archive"), 5}}, 400);
    post(QStringLiteral("update"), {}, 400);

    // The vendor's secure host only: nothing over plain http.
    EXPECT_EQ(fetch(nam, server.url(release)).status, 404);
    EXPECT_NE(page(QStringLiteral("/?app=tallow&action=getinf")), QStringLiteral("<download>\r\n") + release);

    control("DELETE", QStringLiteral("update"));
    EXPECT_EQ(fetch(nam, server.url(release, true), 5000, server.caFile()).status, 404);
    EXPECT_EQ(page(QStringLiteral("/?app=tallow&action=getinf"), true), SimServer::defaultUpdateReply());
}

TEST_F(SimServerTest, APurchaseBuysFromWhatIsLeftAndAnAuctionsBuyItNowGoesWithItsFirstBid)
{
    server.addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    auto item = [&](const QString &number) { return control("GET", QStringLiteral("items/") + number).object(); };
    auto buy = [&](const QString &number, int quantity) {
        post(QStringLiteral("bids/") + number, {{QStringLiteral("uiid"), QStringLiteral("U1")}});
        return page(QStringLiteral("/ws/eBayISAPI.dll?MfcISAPICommand=BinConfirm&uiid=U1&item=") + number + QStringLiteral("&Quantity=")
                        + QString::number(quantity) + QStringLiteral("&mode=1&user=alice&pass=pw"),
                    true);
    };

    // A fixed-price listing without a Buy It Now price sells at its price;
    // what a purchase leaves stays for sale, and the last one ends it.
    post(QStringLiteral("items"), {{QStringLiteral("item"), QStringLiteral("200")}, {QStringLiteral("layout"), QStringLiteral("fixed_price")},
                                   {QStringLiteral("price"), 12.5}, {QStringLiteral("quantity"), 3}});
    EXPECT_TRUE(buy(QStringLiteral("200"), 2).contains(QLatin1String("You committed to buy this item for US $12.50.")));
    EXPECT_EQ(item(QStringLiteral("200")).value(QStringLiteral("quantity")).toInt(), 1);
    EXPECT_FALSE(item(QStringLiteral("200")).value(QStringLiteral("ended")).toBool());
    EXPECT_TRUE(page(QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=200")).contains(QLatin1String("1 available")));
    EXPECT_TRUE(buy(QStringLiteral("200"), 2).contains(QLatin1String("The quantity you entered is not available.")));
    EXPECT_EQ(item(QStringLiteral("200")).value(QStringLiteral("quantity")).toInt(), 1);
    EXPECT_TRUE(buy(QStringLiteral("200"), 1).contains(QLatin1String("You committed to buy this item")));
    const QJsonObject soldOut = item(QStringLiteral("200"));
    EXPECT_TRUE(soldOut.value(QStringLiteral("ended")).toBool());
    EXPECT_EQ(soldOut.value(QStringLiteral("winner")).toString(), QStringLiteral("alice"));
    EXPECT_TRUE(buy(QStringLiteral("200"), 1).contains(QLatin1String("This Buy It Now listing has ended.")));
    EXPECT_EQ(control("GET", QStringLiteral("bids/200")).object().value(QStringLiteral("purchases")).toInt(), 2);

    // An auction's Buy It Now is gone once a rival has bid, and an auction
    // without one is never bought.
    post(QStringLiteral("items"), {{QStringLiteral("item"), QStringLiteral("300")}, {QStringLiteral("price"), 18},
                                   {QStringLiteral("buyItNow"), 30}});
    post(QStringLiteral("bids/300"), {{QStringLiteral("rival"), QJsonObject{{QStringLiteral("user"), QStringLiteral("bob")},
                                                                             {QStringLiteral("max"), 20}}}});
    EXPECT_TRUE(buy(QStringLiteral("300"), 1).contains(QLatin1String("Buy It Now is not available for this item.")));
    const QJsonObject bidOn = item(QStringLiteral("300"));
    EXPECT_FALSE(bidOn.value(QStringLiteral("ended")).toBool());
    EXPECT_EQ(bidOn.value(QStringLiteral("winner")).toString(), QStringLiteral("bob"));
    EXPECT_DOUBLE_EQ(bidOn.value(QStringLiteral("price")).toDouble(), 18.0);
    post(QStringLiteral("items"), {{QStringLiteral("item"), QStringLiteral("400")}, {QStringLiteral("price"), 5}});
    EXPECT_TRUE(buy(QStringLiteral("400"), 1).contains(QLatin1String("This item has no Buy It Now price.")));
    EXPECT_EQ(control("GET", QStringLiteral("bids/300")).object().value(QStringLiteral("purchases")).toInt(), 0);
    EXPECT_EQ(control("GET", QStringLiteral("bids/400")).object().value(QStringLiteral("purchases")).toInt(), 0);

    // The class "redirect" sends the purchase on to the item's own page and
    // buys nothing.
    post(QStringLiteral("items"), {{QStringLiteral("item"), QStringLiteral("500")}, {QStringLiteral("price"), 5},
                                   {QStringLiteral("buyItNow"), 9}, {QStringLiteral("title"), QStringLiteral("Oak stool")}});
    post(QStringLiteral("bids/500"), {{QStringLiteral("confirm"), QStringLiteral("redirect")}});
    const QString redirected = buy(QStringLiteral("500"), 1);
    EXPECT_TRUE(redirected.contains(QLatin1String("Oak stool"))) << redirected.toStdString();
    EXPECT_FALSE(redirected.contains(QLatin1String("You committed to buy this item")));
    EXPECT_EQ(control("GET", QStringLiteral("bids/500")).object().value(QStringLiteral("purchases")).toInt(), 0);
    EXPECT_FALSE(item(QStringLiteral("500")).value(QStringLiteral("ended")).toBool());
}
