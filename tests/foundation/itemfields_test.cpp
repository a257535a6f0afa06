#include "foundation/hostroles.h"
#include "foundation/itemfields.h"
#include "foundation/pagetext.h"
#include "sim/core/itemstore.h"
#include "sim/core/pages.h"
#include "tests/foundation/fixturepages.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <string_view>


using namespace basGeneral;

namespace {

QString field(const QString &page, const char *key)
{
    return GetItemField(page, QString::fromLatin1(key));
}

QString field(const char16_t *page, const char *key)
{
    return GetItemField(QString::fromUtf16(page), QString::fromLatin1(key));
}

struct Snippet
{
    const char16_t *html;
    const char16_t *expected;
};

// The simulator's default item page with its rows and bid box taken out:
// `rows` stands in their place, among the title, the seller's note and
// description, the seller panel and the rest of a whole page.
QString wholePageAround(const QString &rows)
{
    static const QString page = [] {
        const Sim::PageContext ctx{QDateTime(QDate(2013, 12, 6), QTime(20, 0), Qt::UTC), 0, QStringLiteral("http://127.0.0.1:9")};
        Sim::SimItem item;
        item.title = QStringLiteral("Brass lamp");
        item.conditionNote = QStringLiteral("Works well");
        item.subtitle = QStringLiteral("With shade");
        item.endsAt = ctx.now.addSecs(3600);
        QString p = Sim::Pages::item(item, ctx);
        p.replace(QRegularExpression(QStringLiteral("<table class=\"vi-is1\".*</table>"), QRegularExpression::DotMatchesEverythingOption),
                  QStringLiteral("<div class=\"u-cb\">%1</div>"));
        p.remove(QRegularExpression(QStringLiteral("<div class=\"vi-bid\">.*?</div></div>")));
        return p;
    }();
    return QString(page).replace(QLatin1String("%1"), rows);
}

// Each snippet read as a row of a page: eBay's labels count in their own
// element with the value in the element after it, or first in an element
// with the value after them. The rows' fields read the same inside a whole
// page.
void expectAll(const char *key, std::initializer_list<Snippet> cases)
{
    const bool rowField = std::string_view(key) != "title" && std::string_view(key) != "picture"
        && !std::string_view(key).starts_with("feedback") && std::string_view(key) != "seller";
    for (const Snippet &c : cases) {
        const QString html = QString::fromUtf16(c.html);
        const QString page = QStringLiteral("<html><body><div class=\"u-cb\">") + html + QStringLiteral("</div></body></html>");
        EXPECT_EQ(field(page, key).toStdString(), QString::fromUtf16(c.expected).toStdString()) << key << ": " << html.toStdString();
        if (rowField)
            EXPECT_EQ(field(wholePageAround(html), key).toStdString(), QString::fromUtf16(c.expected).toStdString())
                << key << " in a whole page: " << html.toStdString();
    }
}

const char *const kKeys[] = {"picture", "title", "endtime", "bids", "currentbid", "minbid",
                             "binprice", "shipping", "qty", "feedbackpercent", "feedbackrating", "seller"};

} // namespace

// Every field of every page layout in fixtures/, in the order of kKeys.
TEST(GetItemField, ReadsEveryFieldOfEachPageLayout)
{
    struct Page { const char *file; QString fields[12]; };
    const Page pages[] = {
        {"auction_active.html", {"http://i.ebayimg.com/00/s/NTAwWDM3NQ==/z/8xQAAOSwPhdSk2Jb/$_12.JPG",
         "Vintage Brass Compass & Case", "Dec-06-2013  14:03:22 PST ", "7", "US $23.50", "US $24.00", "", "$4.50",
         "1", "99.8", "1520", "brass_and_more"}},
        // picture: spacer.gif
        {"auction_ended.html", {"", "Antique Mantel Clock & Key", "Dec-06-2013 14:03:22 PST", "12", "US $41.00", "",
         "", "US $12.00", "1", "100", "348", "oldclocks1962"}},
        // endtime: day first on the page
        {"auction_ended_div.html", {"http://i.ebayimg.com/00/s/MTYwMFgxMjAw/z/q2IAAOSwWxNTA7aQ/$_57.JPG",
         "Seiko 5 Automatic Watch SNK809", "Dec-06-2013 14:03:22 PST", "5", "GBP 38.00", "", "", "FREE", "1", "",
         "87", "watchworks_uk"}},
        {"item_removed.html", {"", "", "N/A", "N/A", "N/A", "", "", "N/A", "1", "", "", ""}},
        // qty: "More than 10 available"
        {"fixed_price.html", {"http://i.ebayimg.com/00/s/NTAwWDUwMA==/z/rLkAAOSw3ydSn9Yx/$_12.JPG",
         "USB 3.0 Card Reader SD / microSD", "Dec-06-2013 14:03:22 PST", "N/A", "US $15.99", "", "US $15.99", "FREE",
         "10", "98.9", "25418", "gadget-depot-usa"}},
        {"fixed_price_sale.html", {"http://i.ebayimg.com/00/s/ODAwWDgwMA==/z/0JgAAOSwA4dSo0Ak/$_12.JPG",
         "Cast Iron Skillet 10 inch, Pre-Seasoned", "Jan-15-2014 09:30:00 PST", "N/A", "US $12.74", "", "US $12.74",
         "$9.95", "3", "", "", "kitchen.outlet"}},
        // currentbid: decimal comma turned into a point
        {"listing_fr.html", {"", "Appareil photo Leica M3 avec objectif Summicron", "N/A", "9", "EUR 212.50", "", "",
         "EUR 8,00", "1", "100", "212", "photo-ancienne-lyon"}},
        // bids: "4 Gebote" is not a count the reader knows
        {"listing_de.html", {"http://i.ebayimg.com/00/s/NjAwWDgwMA==/z/xYwAAOSwbGVSm1Zq/$_12.JPG",
         QString::fromUtf16(u"Märklin H0 3000 Dampflok OVP"), "N/A", "N/A", "EUR 45,00", "", "", "EUR 5,90", "1", "",
         "4410", "modellbahn-koch"}},
    };

    HostRoles::reload();
    for (const Page &page : pages) {
        const QString html = FixturePage(page.file);
        ASSERT_FALSE(html.isEmpty()) << page.file;
        for (int k = 0; k < 12; ++k)
            EXPECT_EQ(field(html, kKeys[k]).toStdString(), page.fields[k].toStdString()) << page.file << " " << kKeys[k];
    }
}

TEST(GetItemField, KeysAreExact)
{
    const QString page = FixturePage("auction_active.html");
    EXPECT_EQ(field(page, "Title"), QString());
    EXPECT_EQ(field(page, "CURRENTBID"), QString());
    EXPECT_EQ(field(page, ""), QString());
    EXPECT_EQ(field(page, "price"), QString());
    EXPECT_EQ(field(QString(), "endtime"), QStringLiteral("N/A"));
    EXPECT_EQ(field(QString(), "qty"), QStringLiteral("1"));
}

TEST(GetItemField, EndTimeForms)
{
    expectAll("endtime", {
        // Table layout, cells closed by </th>, </td>.
        {u"<tr><th>Ended:</th><td><span class=\"d\"><span>Dec 06, 2013</span><span>14:03:22 PST</span></span></td></tr>",
         u"Dec-06-2013 14:03:22 PST"},
        {u"<td class=\"l\">Ended:</td><td><span><span>Nov 30, 2013</span><span>09:15:00 PST</span></span></td>",
         u"Nov-30-2013 09:15:00 PST"},
        // Division layout, month first.
        {u"<div>Ended:</div><div><span><span>Jul 04, 2014</span><span>18:00:00 PDT</span></span></div>",
         u"Jul-04-2014 18:00:00 PDT"},
        // Time left with the end in brackets; a marker broken across lines.
        {u"<div>Time\r\n left:</div><div><span>3h 10m</span> (Feb 14, \t2014 <span>08:00:00 PST</span>)</div>",
         u"Feb-14-2014 08:00:00 PST "},
        {u"<span class=\"vi-VR-enddate-sec \">Mar 01, 2014 10:00:00 PST</span>", u"Mar-01-2014 10:00:00 PST"},
        // What carries no text around the label: a line break, comments, a
        // no-break space, wrappers, capitals; the label and its value in
        // one cell.
        {u"<tr><th class=\"l\">Ended:<br></th><!-- row --><td><span><span>Dec 06, 2013</span><span>14:03:22 PST</span></span></td></tr>",
         u"Dec-06-2013 14:03:22 PST"},
        {u"<tr><th><b><!-- x -->ENDED:&nbsp;</b><br/></th>\r\n<td><span><span>Dec 06, 2013</span><span>14:03:22 PST</span></span></td></tr>",
         u"Dec-06-2013 14:03:22 PST"},
        {u"<tr><th class=\"l\">Time left:<br></th><td><span>1m 09s</span> (Dec 06, 2013 14:03:22 PST)</td></tr>",
         u"Dec-06-2013 14:03:22 PST"},
        {u"<tr><th>Time&nbsp;left:</th><!-- row --><td>1m 09s (Dec 06, 2013 14:03:22 PST)</td></tr>", u"Dec-06-2013 14:03:22 PST"},
        {u"<tr><td colspan=\"2\">Time left: <span class=\"d\">1m 09s (Dec 06, 2013 14:03:22 PST)</span></td></tr>",
         u"Dec-06-2013 14:03:22 PST"},
        // The first layout found wins over later ones.
        {u"<th>Ended:</th><td><span><span>Dec 06, 2013</span><span>14:03:22 PST</span></span>"
         u" Time left: (Jan 01, 2014 00:00:00 PST)",
         u"Dec-06-2013 14:03:22 PST"},
        // Too short to reorder: left as it is.
        {u"<span class=\"vi-VR-enddate-sec \">Dec</span>", u"Dec"},
        {u"<span class=\"vi-VR-enddate-sec \">06 Dec</span>", u"06 Dec"},
        {u"<p>No end time here</p>", u"N/A"},
    });
}

TEST(GetItemField, BidCountForms)
{
    expectAll("bids", {
        {u"<td>Bid history:</td><td><span>3</span>", u"3"},
        {u"<td><span> [ <a href=\"#\">3</a></span> bids ]", u"3"},
        {u"<span>[&nbsp;<a href=\"#\">14</a></span>", u"14"},
        // Text around the count is skipped for the next form.
        {u"<span> [ <a href=\"#\">2 </a><span>bids</span> ]</span>", u"2"},
        {u"<span>Bids</span> [ 11 bids ]", u"11"},
        {u"[ <span><span>8</span></span> bids ]", u"8"},
        {u"<span class=\"vi-is1-s6\"><span> [ 6 bids ]</span></span>", u"6"},
        {u"<td>Bid history:</td><td>none yet</td>", u"N/A"},
        {u"<p>Buy It Now</p>", u"N/A"},
    });
}

TEST(GetItemField, CurrentPriceForms)
{
    expectAll("currentbid", {
        {u"<span id=\"v4-27\" itemprop=\"price\" class=\"vi-is1-prcp-eu\">EUR 45,00</span>", u"EUR 45,00"},
        {u"<span id=\"mm-saleDscPrc\">US $9.99</span>", u"US $9.99"},
        {u"<span id=\"w1-13-_bidPrice\" class=\"\">US $7.25</span>", u"US $7.25"},
        {u"<SPAN ID=\"prcIsum\" CLASS=\"\">US $30.00</SPAN>", u"US $30.00"},
        {u"<span>Current bid:</span> <b>US $1.00</b>", u"US $1.00"},
        {u"<th>Current bid:</th><td><span><span>US $2.00</span></span></td>", u"US $2.00"},
        {u"<th>Current bid: </th><td><span><span>US $3.00</span></span>", u"US $3.00"},
        {u"<div>Current bid:</div><div><span>US $4.00</span></div>", u"US $4.00"},
        {u"<span>Starting bid:</span><span><span>US $0.99</span></span>", u"US $0.99"},
        {u"<b>Starting bid:</b> <span><span>US $0.98</span> [ <a>0 bids</a> ]</span>", u"US $0.98"},
        {u"<b>Starting bid:</b> <span>US $5.00</span><p>Enter your maximum bid</p>", u"US $5.00"},
        {u"<b>Price:</b><span>US $19.95</span>", u"US $19.95"},
        {u"<td class=\"lbl\"> Price:</td><td><B>US $25.00</B> <span>Buy It Now</span></td>", u"US $25.00"},
        {u"<span itemprop=\"price\">US $6.50</span>", u"US $6.50"},
        {u"<b class=\"g-hdn\">Discounted price</b><span>US $12.74</span>", u"US $12.74"},
        {u"<span>Winning bid:</span><span><span>US $41.00</span></span>", u"US $41.00"},
        {u"<b>Winning bid:</b> <span><span>US $42.00</span> [ <a>12 bids</a> ]</span>", u"US $42.00"},
        {u"<b>Winning bid:</b> <span>US $43.00</span><p>and that was the end of it</p>", u"US $43.00"},
        {u"<span>Sold for:</span> <b>US $8.00</b>", u"US $8.00"},
        {u"<b>Sold for:</b> <span>US $8.50</span>", u"US $8.50"},
        {u"<span class=\"notranslate\" itemprop=\"price\" content=\"5.5\">    US $5.50    </span>", u"US $5.50"},
        {u"<span>Ench\u00E8re en cours\u00A0:</span><b>EUR 3,20</b></span>", u"EUR 3.20"},
        // The Buy It Now price as a text between elements.
        {u"<table><tr><td><b>Buy It Now</b> price: <b>US $99.99</b></td></tr></table>", u"US $99.99"},
        // A first match that is too long or reads as no price gives way.
        {u"<span id=\"prcIsum\" class=\"\">Approximately US $1,234.00</span><span itemprop=\"price\">US $1,234.00</span>",
         u"US $1,234.00"},
        {u"<span id=\"prcIsum\" class=\"\">See price</span><b>Price:</b><span>US $3.00</span>", u"US $3.00"},
        {u"<span id=\"prcIsum\" class=\"\">##1##</span>", u"N/A"},
        {u"<span id=\"prcIsum\" class=\"\">Free</span>", u"N/A"},
        {u"<p>nothing</p>", u"N/A"},
    });
}

TEST(GetItemField, MinimumBidBuyItNowAndShipping)
{
    expectAll("minbid", {
        {u"<a href=\"#\">Place bid</a><div>Enter  US $24.00  or more</div>", u"US $24.00"},
        {u"<a>Place bid</a><label>Enter more than US $3.50</label><p>Bids of US $3.50 or more win.</p>", u"US $3.50"},
        {u"<a>Place bid</a><div>Enter ##1## or more</div>", u""},
        // Line breaks dropped, then runs of three and five spaces halved.
        {u"<a>Place\r\n bid</a><div>Enter   US $9.00     or more</div>", u"US $9.00"},
        {u"<a>Place bid</a><div>Enter an amount well above the current one or more</div>", u""},
        {u"<p>no bidding</p>", u""},
    });
    expectAll("binprice", {
        // Three spaces on the page: only the whitespace-cleaned page matches.
        {u"<span class=\"notranslate\" id=\"prcIsum\" itemprop=\"price\"   style=\"\">US $15.99</span>", u"US $15.99"},
        {u"<span class=\"notranslate\" id=\"prcIsum\" itemprop=\"price\"  style=\"\">US $15.98</span>", u"US $15.98"},
        // The marker's longest piece first turns up where the rest does not follow.
        {u"<i itemprop=\"price\">x</i><span class=\"notranslate\" id=\"prcIsum\" itemprop=\"price\"    style=\"\">US $15.97</span>",
         u"US $15.97"},
        {u"<div>Price:</div><div><span>US $7.00</span></div>", u"US $7.00"},
        {u"<span class=\"notranslate\" id=\"mm-saleDscPrc\">US $12.74</span>", u"US $12.74"},
        {u"<div>Price:</div><div><span>See details</span>", u""},
        {u"<p>auction only</p>", u""},
    });
    expectAll("shipping", {
        {u"<span id=\"fshippingCost\" class=\"x\"><span>$4.50</span></span>", u"$4.50"},
        {u"<span id=\"fshippingCost\"\r\n class=\"x\">\t<span>FREE</span>", u"FREE"},
        {u"<span id=\"fshippingCost\"><span>Calculated at checkout</span>", u"N/A"},
        {u"<span id=\"fshippingCost\"><span></span>", u"N/A"},
        {u"<p>Local pick-up only</p>", u"N/A"},
    });
}

TEST(GetItemField, QuantityTitlePictureAndFeedback)
{
    expectAll("qty", {
        {u"<b>Quantity:</b><span><b>5</b> available</span>", u"5"},
        {u"<span>QUANTITY:</span><span> More than 25 available</span>", u"25"},
        // A seller's note in the condition row is the seller's, whatever it says.
        {u"<span class=\"vi-cond-note\">Quantity: 50 available</span>", u"1"},
        // The entry box and the count in the cell after the label.
        {u"<table><tr><td>Quantity:</td><td><input id=\"qtyTextBox\" value=\"1\"> <span id=\"qtySubTxt\">10 available</span></td></tr></table>",
         u"10"},
        {u"Quantity: Limited available", u"1"},
        {u"<p>single item</p>", u"1"},
    });
    expectAll("title", {
        {u"<h1 class=\"it-ttl\" itemprop=\"name\" id=\"itemTitle\">Lot of 3 <b>NEW</b>  pens</h1>", u"Lot of 3 NEW pens"},
        {u"<h1 class=\"it-ttl\" itemprop=\"name\" \r\n\tid=\"itemTitle\"><span class=\"g-hdn\">Details about  &nbsp;</span>Tom  &amp;  Jerry    DVD </h1>",
         u"Tom & Jerry DVD"},
        {u"<meta property=\"og:title\" content=\"  Fish &amp; Chips \">", u"Fish & Chips"},
        {u"<input type=\"hidden\" name=\"title\" value=\"Hidden title\">", u"Hidden title"},
        {u"<title>not read</title>", u""},
    });
    expectAll("picture", {
        {u"<meta  content=\"eBay\" name=\"twitter:app:name:ipad\" ></meta><meta  content=\"http://i.ebayimg.com/a.JPG\" name=\"twitter:image\" >",
         u"http://i.ebayimg.com/a.JPG"},
        {u"<meta  content=\"eBay\" name=\"twitter:app:name:ipad\" ></meta><meta  content=\"http://pics.ebaystatic.com/spacer.gif\">", u""},
        {u"<img src=\"http://i.ebayimg.com/a.JPG\">", u""},
    });
    expectAll("feedbackpercent", {
        {u"<DIV id=si-fb>99.5%&nbsp;Positive feedback</DIV>", u"99.5"},
        {u"<div id=\"si-fb\">99.5%&nbsp;Positive feedback</div>", u""},
    });
    expectAll("feedbackrating", {
        {u"<a title=\"Feedback Score: 77\">77</a>", u"77"},
        {u"<a title=\"feedback score:  1 234 \">", u"1 234"},
    });
}

TEST(GetItemField, SellerFormsUseTheMemberProfileHost)
{
    HostRoles::reload();
    expectAll("seller", {
        {u"<span class=mbg-nw>OldClocks</span>", u"oldclocks"},
        {u"<span class=\"mbg-nw\">Brass_And_More</span>", u"brass_and_more"},
        {u"<a href=\"http://myworld.ebay.com/Watch-Works/?x=1\">", u"watch-works"},
        {u"<a href=\"https://myworld.ebay.com/watchworks/\">", u""}, // the profile prefix is plain http
        {u"<p>no seller</p>", u""},
    });

    QTemporaryDir dir;
    QFile hosts(dir.path() + QStringLiteral("/hosts"));
    ASSERT_TRUE(hosts.open(QIODevice::WriteOnly));
    hosts.write("member=127.0.0.1:8123\n");
    hosts.close();
    qputenv("TALLOWMERE_HOSTS", hosts.fileName().toUtf8());
    HostRoles::reload();
    EXPECT_EQ(field(u"<a href=\"http://127.0.0.1:8123/Sim_Seller/\">Sim_Seller</a>", "seller"), QStringLiteral("sim_seller"));
    EXPECT_EQ(field(u"<a href=\"http://myworld.ebay.com/watchworks/\">", "seller"), QString());
    qunsetenv("TALLOWMERE_HOSTS");
    HostRoles::reload();
}

// The page's character references are read once: what a seller typed shows
// as typed, markup the seller wrote as text stays text, and a price written
// with a reference is the price, not the reference's number.
TEST(GetItemField, PageReferencesBecomeTheirCharactersOnce)
{
    const QString h1 = QStringLiteral("<h1 class=\"it-ttl\" itemprop=\"name\" id=\"itemTitle\">"
                                      "<span class=\"g-hdn\">Details about  &nbsp;</span>");
    auto title = [&](const QString &html) { return GetItemField(h1 + html + QStringLiteral("</h1>"), "title"); };
    EXPECT_EQ(title("12&quot; vinyl record &amp; sleeve &lt;rare&gt;"), "12\" vinyl record & sleeve <rare>");
    EXPECT_EQ(title("&lt;b&gt;Bold&lt;/b&gt; and <b>real</b> markup"), "<b>Bold</b> and real markup");
    EXPECT_EQ(title("AT&amp;amp;T &amp;lt;not a tag&amp;gt;"), "AT&amp;T &lt;not a tag&gt;");
    EXPECT_EQ(title("O&#39;Neill &#x2019;90s caf&eacute; &euro;5 &#150; &hellip;"), "O'Neill \u2019" "90s caf\u00e9 \u20ac" "5 \u2013 \u2026");
    EXPECT_EQ(title("Tom & Jerry &unknown; &amp no semicolon &#0; &#xD800;"), "Tom & Jerry &unknown; &amp no semicolon &#0; &#xD800;");
    EXPECT_EQ(GetItemField("<meta property=\"og:title\" content=\"Lamp &quot;Deco&quot; &lt;i&gt;\">", "title"),
              "Lamp \"Deco\" <i>");

    expectAll("seller", {{u"<span class=\"mbg-nw\">r&amp;b_records</span>", u"r&b_records"}});
    expectAll("currentbid", {
        {u"<th>Current bid:</th><td><span>&pound;12.50</span></span>", u"\u00a312.50"},
        {u"<th>Current bid:</th><td><span>&#163;12.50</span></span>", u"\u00a312.50"},
    });
    expectAll("shipping", {{u"<span id=\"fshippingCost\"><span>&pound;4.00</span>", u"\u00a34.00"}});
}

// Reading many fields of one page reuses its preparation; a changed page must
// never be answered from the old one.
TEST(GetItemField, ChangedPageTextIsReadAfresh)
{
    QString page = FixturePage("auction_active.html");
    EXPECT_EQ(field(page, "title"), QStringLiteral("Vintage Brass Compass & Case"));
    page.replace(QStringLiteral("Vintage"), QStringLiteral("Antique"));
    EXPECT_EQ(field(page, "title"), QStringLiteral("Antique Brass Compass & Case"));
    page[page.indexOf(QStringLiteral("US $23.50")) + 4] = u'9';
    EXPECT_EQ(field(page, "currentbid"), QStringLiteral("US $93.50"));

    // Text over a buffer the caller owns and changes in place.
    std::u16string buffer = u"<span itemprop=\"price\">US $1.00</span>";
    const QString raw = QString::fromRawData(reinterpret_cast<const QChar *>(buffer.data()), qsizetype(buffer.size()));
    EXPECT_EQ(GetItemField(raw, QStringLiteral("currentbid")), QStringLiteral("US $1.00"));
    buffer[buffer.find(u'1')] = u'7';
    EXPECT_EQ(GetItemField(raw, QStringLiteral("currentbid")), QStringLiteral("US $7.00"));

    // Two pages read in turn.
    const QString ended = FixturePage("auction_ended.html");
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(field(page, "bids"), QStringLiteral("7"));
        EXPECT_EQ(field(ended, "bids"), QStringLiteral("12"));
    }
}

// Events run while a field is read; a timer that reads another page
// meanwhile must not change what the first read sees.
TEST(GetItemField, ReadingAnotherPageFromATimerMeanwhile)
{
    QString tags;
    for (int i = 0; i < 200; ++i)
        tags += QStringLiteral("<i></i>");
    // The first form's text is no count, so the next form is cut out after
    // the tags were stripped (and events had their turn).
    const QString first = QStringLiteral("<td>Bid history:</td><td>") + tags + QStringLiteral("see below</span> <span> [ 7</span>");
    const QString second = QStringLiteral("<p><span> [ 99</span></p>");

    QString readByTimer;
    QTimer::singleShot(0, [&] { readByTimer = GetItemField(second, QStringLiteral("bids")); });
    QThread::msleep(40); // events are let run at most every 15 ms
    EXPECT_EQ(GetItemField(first, QStringLiteral("bids")), QStringLiteral("7"));
    QCoreApplication::processEvents();
    EXPECT_EQ(readByTimer, QStringLiteral("99"));
}

// The reader's fast search must find exactly what the character comparison
// finds, at every start position, in any letter case or exactly.
TEST(PageText, FoldedSearchAgreesWithCharacterSearch)
{
    using basGeneral::PageText::FoldedText;
    const QString alphabet = QString::fromUtf16(u"aAbB<>\" =:/sSkK\u00E9\u00C9\u00B5\u212A\u017F\u00A0\u0130\u0131x");
    QRandomGenerator random(20131206);
    const auto randomText = [&](int length) {
        QString text;
        for (int i = 0; i < length; ++i)
            text.append(alphabet.at(random.bounded(int(alphabet.size()))));
        return text;
    };
    for (int round = 0; round < 400; ++round) {
        const QString hay = randomText(random.bounded(1, 300)); // long enough for the wide search blocks
        const FoldedText folded(hay);
        for (int probe = 0; probe < 6; ++probe) {
            QString needle;
            if (probe % 2 == 0 && hay.size() > 1) {
                // A piece of the text with some letters in the other case.
                const int at = random.bounded(int(hay.size()) - 1);
                needle = hay.mid(at, random.bounded(1, std::min<int>(24, int(hay.size()) - at) + 1));
                for (QChar &c : needle)
                    if (random.bounded(3) == 0)
                        c = c.isUpper() ? c.toLower() : c.toUpper();
            } else {
                needle = randomText(random.bounded(1, 4));
            }
            for (qsizetype from = 0; from <= hay.size(); ++from) {
                for (const auto cs : {Qt::CaseInsensitive, Qt::CaseSensitive}) {
                    ASSERT_EQ(folded.find(needle, from, cs), QStringView(hay).indexOf(needle, from, cs))
                        << "text " << hay.toStdString() << " needle " << needle.toStdString() << " from " << from;
                }
            }
        }
    }
}

TEST(PageText, APreparationReusedForAnotherPageForgetsTheFirst)
{
    using basGeneral::PageText::FoldedText;
    // Longer, then shorter, then longer again: each page reads as its own,
    // and what was found (or missed) in one page says nothing of the next.
    FoldedText t;
    t.assignWithoutChars(u"<B>Price:</B>\r\n US $5.00\tbids", u'\t', u'\r', u'\n', u'\u00C2');
    EXPECT_EQ(t.text(), "<B>Price:</B> US $5.00bids");
    EXPECT_EQ(t.find(u"price:"), 3);
    EXPECT_EQ(t.find(u"quantity"), -1);
    const QString shared = t.text(); // a reader's copy keeps its text
    t.assignWithoutChars(u"Quantity: 3", u'\t', u'\r', u'\n', u'\u00C2');
    EXPECT_EQ(t.text(), "Quantity: 3");
    EXPECT_EQ(t.find(u"QUANTITY"), 0);
    EXPECT_EQ(t.find(u"price:"), -1);
    t.assignWithoutChars(u"x\u00C2 price: quantity", u'\t', u'\r', u'\n', u'\u00C2');
    EXPECT_EQ(t.find(u"quantity"), 9);
    EXPECT_EQ(t.between(u"x ", u":"), u"price");
    EXPECT_EQ(shared, "<B>Price:</B> US $5.00bids");
}
