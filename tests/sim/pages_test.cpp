// The pages carry their fields where the program's item-page reader looks
// first, and times in the forms it parses. The reader's cuts are replayed
// here on the served page.
#include "sim/core/pacifictime.h"
#include "sim/core/pages.h"
#include "sim/core/simserver.h"
#include "tests/sim/simtestutil.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QTimeZone>

using namespace Sim;
using SimTest::between;
using SimTest::prepared;
using SimTest::stripTags;

namespace {

QString cleanWhitespace(QString text)
{
    return text.replace(QStringLiteral("  "), QStringLiteral(" "));
}

// Month-first order for a date that starts with a month abbreviation.
QString reorder(QString v)
{
    bool numeric = false;
    v.left(3).toInt(&numeric);
    if (!numeric && v.size() >= 4)
        return v.left(3) + QLatin1Char('-') + v.mid(4);
    return v;
}

// The reader's first form of each field.
struct ReadBack
{
    explicit ReadBack(const QString &page) : P(prepared(page)), L(P.toLower()) {}
    QString P, L;

    QString picture() const
    {
        return between(P, QStringLiteral("<meta  content=\"eBay\" name=\"twitter:app:name:ipad\" ></meta><meta  content=\""), QStringLiteral("\""));
    }
    QString title() const
    {
        QString v = between(P, QStringLiteral("<h1 class=\"it-ttl\" itemprop=\"name\" id=\"itemTitle\">"), QStringLiteral("</h1>"));
        v.remove(QStringLiteral("<span class=\"g-hdn\">Details about  &nbsp;</span>"));
        v = v.trimmed();
        while (v.contains(QLatin1String("  ")))
            v.replace(QStringLiteral("  "), QStringLiteral(" "));
        v.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        return stripTags(v).trimmed();
    }
    QString endedTime() const // first form: an ended listing
    {
        QString v = between(P, QStringLiteral(">Ended:</th>"), QStringLiteral("</span></span>"));
        v.replace(QStringLiteral("</span>"), QStringLiteral(" "));
        return reorder(stripTags(v).replace(QStringLiteral(", "), QStringLiteral("-")).trimmed());
    }
    QString runningEndTime() const // the "Time left:" form
    {
        QString v = between(between(P, QStringLiteral("Time left:"), QStringLiteral(")")), QStringLiteral("("), QString());
        v.replace(QStringLiteral("</span>"), QStringLiteral(" "));
        // No trimming here; the date parser trims.
        return reorder(stripTags(v).replace(QStringLiteral(", "), QStringLiteral("-")));
    }
    QString bids() const { return stripTags(between(P, QStringLiteral("Bid history:"), QStringLiteral("</span>"))); }
    QString currentBid() const
    {
        return stripTags(between(L, QStringLiteral("<span id=\"v4-27\" itemprop=\"price\" class=\"vi-is1-prcp-eu\">"), QStringLiteral("</span>")))
            .trimmed()
            .toUpper();
    }
    QString minBid() const
    {
        const QString v = between(cleanWhitespace(P), QStringLiteral(">Place bid<"), QStringLiteral(" or more"));
        return stripTags(between(v, QStringLiteral("Enter "), QString())).trimmed();
    }
    QString binPrice() const
    {
        return between(cleanWhitespace(P), QStringLiteral(" id=\"prcIsum\" itemprop=\"price\"  style=\"\">"), QStringLiteral("</"));
    }
    QString shipping() const
    {
        return stripTags(between(between(cleanWhitespace(P), QStringLiteral("<span id=\"fshippingCost\""), QStringLiteral("</span>")),
                                 QStringLiteral("<span>"), QString()));
    }
    QString qty() const
    {
        return stripTags(between(L, QStringLiteral("quantity:"), QStringLiteral(" available"))).toLower().trimmed().remove(QStringLiteral("more than "));
    }
    QString feedbackPercent() const { return stripTags(between(L, QStringLiteral("<div id=si-fb>"), QStringLiteral("%&nbsp;"))); }
    QString feedbackRating() const { return stripTags(between(L, QStringLiteral("feedback score: "), QStringLiteral("\""))).trimmed(); }
    QString seller() const { return stripTags(between(L, QStringLiteral("<span class=mbg-nw>"), QStringLiteral("</span>"))); }

    // The refresh's tests on the whole page.
    bool saysEnded() const
    {
        return P.contains(QLatin1String(">Bidding has ended for this item<"))
            || P.contains(QLatin1String(">Ended:<"), Qt::CaseInsensitive);
    }
    bool saysRemoved() const { return P.contains(QLatin1String(") has been removed, or this item is not available.<"), Qt::CaseInsensitive); }
};

// The end time as the reader hands it to the date parser, from the zone database.
QString expectedEndText(const QDateTime &utc)
{
    const QTimeZone la("America/Los_Angeles");
    const QDateTime local = utc.toTimeZone(la);
    return QLocale::c().toString(local, QStringLiteral("MMM-dd-yyyy HH:mm:ss"))
        + (la.isDaylightTime(utc) ? QStringLiteral(" PDT") : QStringLiteral(" PST"));
}

// Pacific wall-clock reading of an end-time or official-time text.
QDateTime parsePacific(QString text, const QString &format)
{
    text.remove(QStringLiteral(" PST")).remove(QStringLiteral(" PDT"));
    QDateTime wall = QLocale::c().toDateTime(text.trimmed(), format);
    wall.setTimeSpec(Qt::UTC); // a wall-clock reading, compared with others of its kind
    return wall;
}

PageContext contextAt(const QDateTime &now, qint64 offset = 0)
{
    PageContext ctx;
    ctx.now = now;
    ctx.clockOffset = offset;
    ctx.httpBase = QStringLiteral("http://127.0.0.1:8");
    return ctx;
}

SimItem sampleItem(const QDateTime &now)
{
    SimItem item;
    item.number = QStringLiteral("110000000042");
    item.title = QStringLiteral("Tom &  Jerry  cels, set of 3");
    item.seller = QStringLiteral("Cel-Shop_99");
    item.price = 1234.5;
    item.bids = 7;
    item.quantity = 3;
    item.shipping = QStringLiteral("US $4.99");
    item.picture = QStringLiteral("http://127.0.0.1:8/pics/42.jpg");
    item.endsAt = now.addSecs(2 * 86400 + 3600 + 5);
    item.feedbackScore = 1520;
    item.feedbackPercent = 99.4;
    item.buyItNow = 2000;
    return item;
}

} // namespace

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

TEST(SimItemPage, RunningListingReadsBackFieldByField)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const SimItem item = sampleItem(now);
    const ReadBack page(Pages::item(item, contextAt(now)));

    EXPECT_EQ(page.picture(), item.picture);
    EXPECT_EQ(page.title(), QStringLiteral("Tom & Jerry cels, set of 3"));
    EXPECT_EQ(page.runningEndTime().trimmed(), expectedEndText(item.endsAt));
    EXPECT_EQ(page.endedTime(), QString());
    EXPECT_EQ(page.bids(), QStringLiteral("7"));
    EXPECT_EQ(page.currentBid(), QStringLiteral("US $1,234.50"));
    EXPECT_EQ(page.minBid(), QStringLiteral("US $1259.50")) << "current price plus the increment of 25.00";
    EXPECT_EQ(page.binPrice(), QStringLiteral("US $2,000.00"));
    EXPECT_EQ(page.shipping(), QStringLiteral("US $4.99"));
    EXPECT_EQ(page.qty(), QStringLiteral("3"));
    EXPECT_EQ(page.feedbackPercent(), QStringLiteral("99.4"));
    EXPECT_EQ(page.feedbackRating(), QStringLiteral("1520"));
    EXPECT_EQ(page.seller(), QStringLiteral("cel-shop_99"));
    EXPECT_FALSE(page.saysEnded());
    EXPECT_FALSE(page.saysRemoved());
    EXPECT_FALSE(page.P.contains(QLatin1String(">Winning bidder:<")));
}

TEST(SimItemPage, PricesStayWithinTheReadersLengthLimits)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    SimItem item = sampleItem(now);
    item.price = 10000;
    item.buyItNow = 0;
    const ReadBack page(Pages::item(item, contextAt(now)));
    EXPECT_LE(page.currentBid().size(), 13);
    EXPECT_EQ(page.currentBid(), QStringLiteral("US $10,000.00"));
    EXPECT_LE(page.minBid().size(), 12);
    EXPECT_EQ(page.minBid(), QStringLiteral("US $10100.00"));
    EXPECT_EQ(page.binPrice(), QString()) << "no Buy It Now price, no marker";

    SimItem fresh = sampleItem(now);
    fresh.bids = 0;
    fresh.price = 0.99;
    const ReadBack first(Pages::item(fresh, contextAt(now)));
    EXPECT_EQ(first.bids(), QStringLiteral("0"));
    EXPECT_EQ(first.minBid(), QStringLiteral("US $0.99")) << "without bids the starting price is enough";
}

TEST(SimItemPage, EndedListingSaysSoAndNamesTheWinner)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    SimItem item = sampleItem(now);
    item.endsAt = now.addSecs(-30);
    item.winner = QStringLiteral("Buyer.One");
    const ReadBack page(Pages::item(item, contextAt(now)));

    EXPECT_TRUE(page.saysEnded());
    EXPECT_TRUE(page.P.contains(QLatin1String(">Ended:<"), Qt::CaseInsensitive));
    EXPECT_EQ(page.endedTime(), expectedEndText(item.endsAt));
    EXPECT_FALSE(page.P.contains(QLatin1String("Time left:")));
    EXPECT_FALSE(page.P.contains(QLatin1String(">Place bid<")));
    EXPECT_EQ(page.binPrice(), QString());
    EXPECT_TRUE(page.P.contains(QLatin1String(">Winning bidder:<")));
    EXPECT_TRUE(page.P.contains(QLatin1String(">Buyer.One</a>"))) << "the user ID exactly as given";
    EXPECT_EQ(page.currentBid(), QStringLiteral("US $1,234.50"));

    item.winner.clear();
    EXPECT_FALSE(prepared(Pages::item(item, contextAt(now))).contains(QLatin1String(">Winning bidder:<")));

    // Before the end a winner is not shown, even when one is set.
    item.winner = QStringLiteral("Buyer.One");
    item.endsAt = now.addSecs(30);
    EXPECT_FALSE(prepared(Pages::item(item, contextAt(now))).contains(QLatin1String(">Winning bidder:<")));
}

TEST(SimItemPage, UnknownAndMovedListings)
{
    SimServer server;
    const auto page = [&](const QString &target) {
        return QString::fromLatin1(server.respond(SimTest::request(target)).body);
    };

    const ReadBack removed(page(QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=999")));
    EXPECT_TRUE(removed.saysRemoved());
    EXPECT_EQ(removed.title(), QString());

    SimItem moved;
    moved.number = QStringLiteral("555");
    moved.title = QStringLiteral("Moved lamp");
    moved.layout = QStringLiteral("moved");
    moved.endsAt = server.now().addSecs(600);
    server.items().add(moved);
    const QString notice = page(QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=555"));
    EXPECT_TRUE(notice.contains(QLatin1String("This item is not available for purchase on eBay United States")));
    EXPECT_EQ(ReadBack(notice).title(), QString());

    // The program lower-cases the page before it takes the link out of it.
    QString html = notice.toLower();
    const QString before = html.left(html.indexOf(QLatin1String(">view the original listing</a>")));
    QString target = before.mid(before.lastIndexOf(QLatin1String("href=")) + 6);
    target = target.left(target.indexOf(QLatin1Char('"'))).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    const QUrl url(target);
    ASSERT_EQ(url.host(), QStringLiteral("127.0.0.1"));
    const ReadBack original(page(url.path() + QLatin1Char('?') + url.query()));
    EXPECT_EQ(original.title(), QStringLiteral("Moved lamp"));

    server.items().remove(QStringLiteral("555"));
    EXPECT_TRUE(ReadBack(page(QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=555"))).saysRemoved());
}

TEST(SimClock, OffsetMovesEbaysClockButNotTheEnd)
{
    SimServer server;
    SimItem item;
    item.number = QStringLiteral("77");
    item.endsAt = server.now().addSecs(10);
    server.items().add(item);

    for (const qint64 offset : {qint64(0), qint64(3600), qint64(-7200)}) {
        server.setClockOffset(offset);
        const QDateTime now = server.now();
        const QString timePage = QString::fromLatin1(server.respond(SimTest::request(QStringLiteral("/ws/eBayISAPI.dll?EbayTime"))).body);
        const QString official = between(prepared(timePage), QStringLiteral("<p>The official eBay Time is now:</p><p><b>"), QStringLiteral("</b></p>"));
        const QDateTime ebayNow = parsePacific(official.mid(official.indexOf(QLatin1String(", ")) + 2), QStringLiteral("MMMM d, yyyy HH:mm:ss"));
        ASSERT_TRUE(ebayNow.isValid()) << qPrintable(official);
        EXPECT_LE(std::abs(Pacific::wallClock(now.addSecs(offset)).secsTo(ebayNow)), 1) << offset;

        // The program takes the time left as end time minus eBay's present.
        const ReadBack page(QString::fromLatin1(server.respond(SimTest::request(QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=77"))).body));
        const QDateTime end = parsePacific(page.runningEndTime(), QStringLiteral("MMM-dd-yyyy HH:mm:ss"));
        ASSERT_TRUE(end.isValid()) << qPrintable(page.runningEndTime());
        EXPECT_NEAR(double(ebayNow.secsTo(end)), 10.0, 1.5) << offset;
        EXPECT_FALSE(page.saysEnded());
    }
}
