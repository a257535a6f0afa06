// Titles and descriptions that carry the page's own labels: every stored
// page layout reads as before, apart from the title, whatever the seller
// wrote; the text left to look for the page's notices leaves it all out.
#include "foundation/hostroles.h"
#include "foundation/itemfields.h"
#include "foundation/pageaccess.h"
#include "foundation/sellertext.h"
#include "tests/foundation/fixturepages.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QRegularExpression>

using namespace basGeneral;

namespace {

const char *const kFixtures[] = {"auction_active.html", "auction_ended.html", "auction_ended_div.html",
                                 "item_removed.html",   "fixed_price.html",   "fixed_price_sale.html",
                                 "listing_fr.html",     "listing_de.html"};

const char *const kKeys[] = {"picture", "title", "endtime", "bids", "currentbid", "minbid",
                             "binprice", "shipping", "qty", "feedbackpercent", "feedbackrating", "seller"};

// Titles holding the labels, counts and prices the readers look for.
const char *const kMarkerTitles[] = {
    "Brass lamp - Time left: (Dec 31, 2030 10:00:00 PST)",
    "Ended: Dec 31, 2030 10:00:00 PST",
    "Winning bidder: thief",
    "Bidding has ended for this item",
    "US $0.01",
    "Current bid: US $999.00 Starting bid: US $0.01 Price: US $5 Winning bid: US $7 Sold for: US $8",
    "Bid history: 99 bids [ 99 bids ] [&nbsp;99",
    "Quantity: 50 available",
    "Shipping: US $99.00 <span id=\"fshippingCost\"><span>US $99.00</span></span>",
    "Place bid Enter US $999.00 or more - Enter more than US $999.00",
    "feedback score: 1 - 1%&nbsp;Positive",
    "<span class=\"vi-VR-enddate-sec \">Dec 31, 2030 10:00:00 PST</span>",
    "Item (271234567890) has been removed, or this item is not available.",
};

// A description in the seller's own markup, copying the page's every form.
const QString kSellerMarkup = QStringLiteral(
    "<table><tr><th>Ended:</th><td><span><span>Dec 31, 2030</span><span>10:00:00 PST</span></span></td></tr>"
    "<tr><td>Ended:</td><td><span><span>Dec 31, 2030</span><span>10:00:00 PST</span></span></td></tr></table>"
    "<div>Ended:</div><span><span>31 Dec, 2030</span><span>10:00:00 PST</span></span>"
    "<p>Time left: 9d (Dec 31, 2030 10:00:00 PST)</p><span class=\"vi-VR-enddate-sec \">Dec 31, 2030 10:00:00 PST</span>"
    "<p>Bid history: 99</span> <span> [ 99 bids</span> [&nbsp;99</span></p>"
    "<span id=\"v4-27\" itemprop=\"price\" class=\"vi-is1-prcp-eu\">US $999.00</span>"
    "<span id=\"mm-saleDscPrc\">US $999.00</span><span id=\"prcIsum\" class=\"\">US $999.00</span>"
    "<p>Current bid:</span>US $999.00</span> Starting bid: US $999.00</span> Price: US $999.00</span></p>"
    "<span class=\"notranslate\" id=\"prcIsum\" itemprop=\"price\"  style=\"\">US $999.00</span>"
    "<a>Place bid</a> Enter US $999.00 or more <b>Enter more than US $999.00</b>"
    "<span id=\"fshippingCost\"><span>US $99.00</span></span><p>Quantity: 50 available</p>"
    "<div id=si-fb>1%&nbsp;Positive</div><a title=\"feedback score: 1\">1</a><span class=\"mbg-nw\">thief</span>"
    "<a href=\"http://myworld.ebay.com/thief/\">me</a>"
    "<meta  content=\"eBay\" name=\"twitter:app:name:ipad\" ></meta><meta  content=\"http://thief.example/p.jpg\">"
    "<h1 class=\"it-ttl\" itemprop=\"name\" id=\"itemTitle\">Another title</h1>"
    "<meta property=\"og:title\" content=\"Another title\"><input type=\"hidden\" name=\"title\" value=\"Another title\">"
    "<p>Bidding has ended for this item</p><p>Winning bidder:</p>");

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

// The page with `title` put in front of the title wherever the page repeats
// it, in its picture's text and its script data, and with a description in
// the seller's markup at its end.
QString withSellerText(QString page, const QString &title)
{
    const QString t = escaped(title) + QLatin1Char(' ');
    page.replace(QRegularExpression(QStringLiteral("(<title>)")), QStringLiteral("\\1") + t);
    page.replace(QRegularExpression(QStringLiteral("(<h1 [^>]*itemTitle\">(<span class=\"g-hdn\">[^<]*</span>)?)")),
                 QStringLiteral("\\1") + t);
    page.replace(QRegularExpression(QStringLiteral("(<meta property=\"og:title\" content=\")")), QStringLiteral("\\1") + t);
    page.replace(QRegularExpression(QStringLiteral("(<input type=\"hidden\" name=\"title\" value=\")")),
                 QStringLiteral("\\1") + t);
    page.replace(QRegularExpression(QStringLiteral("(<h2 id=\"subTitle\"[^>]*>)")), QStringLiteral("\\1") + t);
    page.replace(QRegularExpression(QStringLiteral("(<body[^>]*>)")),
                 QStringLiteral("\\1<img id=\"icImg\" src=\"http://i.ebayimg.com/x.jpg\" alt=\"") + t
                     + QStringLiteral("\">"));
    page.replace(QStringLiteral("</head>"),
                 QStringLiteral("<script>var $item = {title:\"") + title + QStringLiteral("\"};</script></head>"));
    if (page.contains(QLatin1String("id=\"desc_div\"")) || page.contains(QLatin1String("<div class=\"desc\">")))
        page.replace(QRegularExpression(QStringLiteral("(<div id=\"desc_div\"[^>]*>|<div class=\"desc\">)")),
                     QStringLiteral("\\1") + kSellerMarkup);
    else
        page.replace(QStringLiteral("</body>"), QStringLiteral("<div id=\"desc_div\">") + kSellerMarkup
                                                    + QStringLiteral("</div></body>"));
    return page;
}

} // namespace

TEST(SellerWrittenText, TitlesAndDescriptionsWithThePagesLabelsChangeNothingButTheTitle)
{
    HostRoles::reload();
    for (const char *name : kFixtures) {
        const QString plain = FixturePage(name);
        ASSERT_FALSE(plain.isEmpty()) << name;
        const QString plainTitle = GetItemField(plain, QStringLiteral("title"));
        for (const char *marker : kMarkerTitles) {
            const QString title = QString::fromLatin1(marker);
            const QString page = withSellerText(plain, title);
            ASSERT_TRUE(page.contains(escaped(title))) << name;
            for (const char *key : kKeys) {
                const QString k = QString::fromLatin1(key);
                const QString expected = k != u"title" || plainTitle.isEmpty() ? GetItemField(plain, k)
                                                                               : title + QLatin1Char(' ') + plainTitle;
                EXPECT_EQ(GetItemField(page, k).toStdString(), expected.toStdString())
                    << name << " " << key << " with title " << marker;
            }
        }
    }
}

TEST(SellerWrittenText, TheTitleAloneCarriesTheLabelsAndTheDescriptionRunsToTheEnd)
{
    const QString page = QStringLiteral(
        "<html><head><title>Ended: | eBay</title><meta property=\"og:title\" content=\"a > b Time left:\">"
        "<meta  content=\"eBay\" name=\"twitter:app:name:ipad\" ></meta>"
        "<script>var t = \"<h1>\";</script></head><body>"
        "<h1 class=\"it-ttl\" itemprop=\"name\" id=\"itemTitle\"><span class=\"g-hdn\">Details about</span>Ended:</h1>"
        "<h2 id=\"subTitle\" class=\"it-sttl\">Winning bidder:</h2><!-- <div id=\"desc_div\"> -->"
        "<div class=\"itemAttr\"><div><table><tr><td>Ended:</td><td>Dec 31, 2030</td></tr></table></div></div>"
        "<img src=\"p.jpg\" alt=\"Time left:\"><span>Bid history:</span>"
        "<div id=\"desc_div\"><p>Quantity: 5 available</p></div></div><p>after</p></body></html>");
    EXPECT_EQ(WithoutSellerText(page).toStdString(),
              "<html><head><title></title><meta property=\"og:title\" content=\"\">"
              "<meta  content=\"eBay\" name=\"twitter:app:name:ipad\" ></meta>"
              "<script></script></head><body>"
              "<h1 class=\"it-ttl\" itemprop=\"name\" id=\"itemTitle\"></h1>"
              "<h2 id=\"subTitle\" class=\"it-sttl\"></h2><!-- <div id=\"desc_div\"> -->"
              "<div class=\"itemAttr\"></div>"
              "<img src=\"p.jpg\" alt=\"\"><span></span>" // a label beside the seller's values is theirs
              "<div id=\"desc_div\">");
    // The browser's form of a shown page: capital tags, plain values unquoted.
    const QString shown = QStringLiteral(
        "<HEAD><TITLE>Time left: | eBay</TITLE><META content=\"Time left:\" property=og:title></HEAD>"
        "<BODY><H1 class=it-ttl id=itemTitle itemprop=name>Time left:</H1><DIV><DIV>Ended:</DIV><DIV>Dec 06</DIV></DIV>"
        "<DIV class=\"vi-desc-w desc\">Bidding has ended for this item</DIV></BODY>");
    EXPECT_EQ(WithoutSellerText(shown).toStdString(),
              "<HEAD><TITLE></TITLE><META content=\"\" property=og:title></HEAD>"
              "<BODY><H1 class=it-ttl id=itemTitle itemprop=name></H1><DIV><DIV>Ended:</DIV><DIV>Dec 06</DIV></DIV>"
              "<DIV class=\"vi-desc-w desc\">");
    EXPECT_GT(InStrClean(WithoutSellerText(shown), QStringLiteral(">Ended:<")), 0);
    // A page without any of them stays whole, a label and its value in one
    // element too; a label inside a longer text is none.
    const QString plain = QStringLiteral("<div><div>Time left:</div><div><b>1 h</b></div></div>");
    EXPECT_EQ(WithoutSellerText(QStringLiteral("<p>Lamp, Time left: <b>1 h</b></p>")), QStringLiteral("<p><b>1 h</b></p>"));
    EXPECT_EQ(WithoutSellerText(QStringLiteral("<p>Time left: <b>1 h</b></p>")), QStringLiteral("<p>Time left: <b>1 h</b></p>"));
    EXPECT_EQ(WithoutSellerText(plain), plain);
}

TEST(SellerWrittenText, TagSoupGivesOrderedStretchesWithinThePage)
{
    const char *const pieces[] = {"<", ">", "\"", "'", "=", " ", "/", "a", "<!--", "-->", "</", "<title>", "</title",
                                  "<h1 id=itemTitle>", "</h1>", "<script>", "</script>", "<div class=itemAttr>", "<div>",
                                  "</div>", "<meta name=og:title content=", "<input name=title value=", "alt=",
                                  "<div id=desc_div>", "Time left:", "Ended:", "<span id=fshippingCost>", "<span>",
                                  "</span>", "<span class=vi-cond-note>", "<div class=condText>"};
    QRandomGenerator random(20261207);
    for (int round = 0; round < 3000; ++round) {
        QString page;
        const int count = random.bounded(1, 40);
        for (int i = 0; i < count; ++i)
            page += QLatin1String(pieces[random.bounded(int(std::size(pieces)))]);
        const QList<TextStretch> stretches = SellerWrittenStretches(page);
        qsizetype hidden = 0;
        qsizetype last = 0;
        for (const TextStretch &s : stretches) {
            ASSERT_LE(last, s.begin) << page.toStdString();
            ASSERT_LT(s.begin, s.end) << page.toStdString();
            ASSERT_LE(s.end, page.size()) << page.toStdString();
            hidden += s.end - s.begin;
            last = s.end;
        }
        const PageReading reading = ReadingOf(page);
        for (const TextEdit &e : reading.ebaysLabels) {
            ASSERT_LE(e.begin, e.end);
            hidden += e.end - e.begin - e.text.size();
        }
        ASSERT_EQ(WithoutSellerText(page).size(), page.size() - hidden) << page.toStdString();
        for (const char *key : kKeys)
            GetItemField(page, QString::fromLatin1(key));
    }
}
