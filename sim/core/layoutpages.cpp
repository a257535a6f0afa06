#include "sim/core/layoutpages.h"

#include "sim/core/itemstore.h"
#include "sim/core/pacifictime.h"
#include "sim/core/pages.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace Sim::LayoutPages {

namespace {

enum class Layout { None, EndedTable, EndedDiv, FixedPrice, FixedPriceSale, French, German };

Layout layoutOf(const QString &name)
{
    static const struct
    {
        const char *name;
        Layout layout;
    } kNames[] = {
        {"ended_table", Layout::EndedTable},   {"ended_div", Layout::EndedDiv}, {"fixed_price", Layout::FixedPrice},
        {"fixed_price_sale", Layout::FixedPriceSale}, {"non_us_fr", Layout::French},  {"non_us_de", Layout::German},
    };
    for (const auto &n : kNames)
        if (name.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0)
            return n.layout;
    return Layout::None;
}

const QString kNl = QStringLiteral("\r\n");

// Everything the builders share about one item at one moment.
struct Listing
{
    const SimItem &item;
    const PageContext &ctx;
    bool ended;
    QDateTime end; // on eBay's clock
    QString number, title, seller;

    Listing(const SimItem &i, const PageContext &c)
        : item(i), ctx(c), ended(i.ended(c.now)), end(c.ebay(i.endsAt.isValid() ? i.endsAt : c.now)),
          number(htmlEscape(i.number)), title(htmlEscape(i.title)), seller(htmlEscape(i.seller))
    {
    }

    QString price(double amount) const { return htmlEscape(formatPrice(item.currency, amount)); }
    double fixedPrice() const { return purchasePrice(item); }
    QString viewBids() const { return QStringLiteral("/ws/eBayISAPI.dll?ViewBids&amp;item=") + number; }
    QString feedbackLink() const
    {
        return QStringLiteral("<a href=\"/ws/eBayISAPI.dll?ViewFeedback2&amp;userid=") + seller
            + QStringLiteral("\" title=\"feedback score: ") + QString::number(item.feedbackScore) + QStringLiteral("\">")
            + QString::number(item.feedbackScore) + QStringLiteral("</a>");
    }
    // The seller's member-profile link. The hosts file gives the member role
    // the simulator's plain-http address, as it does every role.
    QString memberProfile() const { return ctx.httpBase + QLatin1Char('/') + seller + QLatin1Char('/'); }
    // "Starting bid:" until someone bids, then "Current bid:" or, once ended, "Winning bid:".
    QString priceLabel() const
    {
        if (item.bids == 0)
            return QStringLiteral("Starting bid:");
        return ended ? QStringLiteral("Winning bid:") : QStringLiteral("Current bid:");
    }
    QString bidCount(const char *one, const char *many) const
    {
        return QString::number(item.bids) + QLatin1Char(' ') + QLatin1String(item.bids == 1 ? one : many);
    }
};

QString head(const char *lang, const char *charset, const QString &title)
{
    return QStringLiteral("<!DOCTYPE html>\r\n<html lang=\"") + QLatin1String(lang)
        + QStringLiteral("\">\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=")
        + QLatin1String(charset) + QStringLiteral("\">\r\n<title>") + title + QStringLiteral("</title>\r\n");
}

QString script(const Listing &l, int site, const char *type)
{
    return QStringLiteral("<script type=\"text/javascript\">var $vi = {itemId:\"") + l.number + QStringLiteral("\", site:")
        + QString::number(site) + QStringLiteral(", listingType:\"") + QLatin1String(type) + QStringLiteral("\"")
        + (l.ended ? QStringLiteral(", ended:true") : QString()) + QStringLiteral("};</script>\r\n");
}

// The picture in the twitter meta pair; a spacer when the item has none.
QString pictureMeta(const Listing &l)
{
    const QString picture = l.item.picture.isEmpty() ? l.ctx.httpBase + QStringLiteral("/aw/pics/spacer.gif")
                                                     : htmlEscape(l.item.picture);
    return QStringLiteral("<meta  content=\"eBay\" name=\"twitter:app:name:ipad\" ></meta><meta  content=\"") + picture
        + QStringLiteral("\" name=\"twitter:image\" ></meta>\r\n");
}

QString heading(const Listing &l)
{
    return QStringLiteral("<h1 class=\"it-ttl\" itemprop=\"name\" id=\"itemTitle\"><span class=\"g-hdn\">Details about  &nbsp;</span>")
        + l.title + QStringLiteral("</h1>\r\n");
}

// A labelled row of the division layout.
QString divRow(const QString &label, const QString &value, const QString &valueClass = QStringLiteral("u-flL"))
{
    return QStringLiteral("<div class=\"u-cb\">\r\n\t<div class=\"u-flL lable\">") + label + QStringLiteral("</div>\r\n\t<div class=\"")
        + valueClass + QStringLiteral("\">") + value + QStringLiteral("</div>\r\n</div>\r\n");
}

// A labelled row of the table layout.
QString tableRow(const QString &label, const QString &cell)
{
    return QStringLiteral("<tr>\r\n\t<th class=\"vi-is1-lbl\">") + label + QStringLiteral("</th>\r\n\t") + cell
        + QStringLiteral("\r\n</tr>\r\n");
}

// The condition row with the seller's note, where the item has one. eBay
// prints the note as plain text above its own rows.
QString conditionValue(const Listing &l)
{
    return QStringLiteral("<div class=\"u-flL condText\" id=\"vi-itm-cond\">Used</div> <span class=\"vi-cond-note\">")
        + Pages::sellerNotes(l.item) + QStringLiteral("</span>");
}

QString conditionDivRow(const Listing &l, const QString &label = QStringLiteral("Item condition:"))
{
    return l.item.conditionNote.isEmpty() ? QString() : divRow(label, conditionValue(l));
}

QString conditionTableRow(const Listing &l, const QString &label = QStringLiteral("Item condition:"))
{
    return l.item.conditionNote.isEmpty() ? QString()
                                          : tableRow(label, QStringLiteral("<td>") + conditionValue(l) + QStringLiteral("</td>"));
}

QString shippingSpan(const Listing &l, const char *cssClass)
{
    return QStringLiteral("<span id=\"fshippingCost\" class=\"") + QLatin1String(cssClass) + QStringLiteral("\"><span>")
        + htmlEscape(l.item.shipping) + QStringLiteral("</span></span>");
}

QString winnerLink(const Listing &l)
{
    const QString w = htmlEscape(l.item.winner);
    return QStringLiteral("<a href=\"/usr/") + w + QStringLiteral("\">") + w + QStringLiteral("</a>");
}

// The end in the two spans of the division layout, "Dec 06, 2013" or,
// day first, "06 Dec, 2013".
QString endSpans(const Listing &l, bool dayFirst)
{
    const QDate d = Pacific::wallClock(l.end).date();
    const QString date = QLocale::c().toString(d, dayFirst ? QStringLiteral("dd MMM, yyyy") : QStringLiteral("MMM dd, yyyy"));
    return QStringLiteral("<span class=\"timeMs\" timems=\"") + QString::number(l.end.toMSecsSinceEpoch())
        + QStringLiteral("\"><span>") + date + QStringLiteral("</span><span>") + Pacific::shortTime(l.end)
        + QStringLiteral("</span></span>");
}

// Month first while the listing runs ("Ends:"), in the ended form after,
// with the buyer as the default listing names the winner.
QString fixedPriceEnd(const Listing &l)
{
    if (l.ended)
        return QStringLiteral("<div class=\"vi-is1-ended\"><span class=\"msgTextAlign\">This listing has ended.</span></div>\r\n")
            + divRow(QStringLiteral("Ended:"), endSpans(l, false))
            + (l.item.winner.isEmpty() ? QString() : divRow(QStringLiteral("Winning bidder:"), winnerLink(l)));
    return divRow(QStringLiteral("Ends:"), QStringLiteral("<span class=\"vi-VR-enddate-sec \">") + Pacific::shortDate(l.end)
                                              + QLatin1Char(' ') + Pacific::shortTime(l.end) + QStringLiteral("</span>"));
}

QString quantityText(int quantity)
{
    return quantity > 10 ? QStringLiteral("More than 10 available") : QString::number(quantity) + QStringLiteral(" available");
}

QString tail()
{
    return QStringLiteral("</body>\r\n</html>\r\n");
}

// ---------------------------------------------------------------------------

QString endedTable(const Listing &l)
{
    const QDateTime wall = Pacific::wallClock(l.end);
    QString p = QStringLiteral("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html>\r\n<head>\r\n"
                               "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\r\n<title>eBay: ")
        + l.title + QStringLiteral(" (item ") + l.number + QStringLiteral(" end time ")
        + QLocale::c().toString(wall, QStringLiteral("MMM-dd-yy HH:mm:ss ")) + Pacific::zoneName(l.end)
        + QStringLiteral(")</title>\r\n");
    p += pictureMeta(l);
    p += QStringLiteral("<meta property=\"og:title\" content=\"") + l.title + QStringLiteral("\">\r\n");
    p += QStringLiteral("<script type=\"text/javascript\">var pageName=\"ViewItem_Ended\";</script>\r\n</head>\r\n<body>\r\n");
    p += QStringLiteral("<div class=\"msgPad\"><span class=\"statusLeftContent\"><span class=\"msgTextAlign\">"
                        "Bidding has ended on this item.</span></span></div>\r\n");
    p += QStringLiteral("<table class=\"vi-is1-solid\" cellpadding=\"0\" cellspacing=\"0\">\r\n");
    p += conditionTableRow(l);
    p += tableRow(l.priceLabel(), QStringLiteral("<td class=\"vi-is1-prcp\"><span class=\"vi-is1-prcp\"><span id=\"v4-31\">")
                                      + l.price(l.item.price) + QStringLiteral("</span></span></td>"));
    p += tableRow(QStringLiteral("Ended:"), QStringLiteral("<td class=\"vi-is1-dt\"><span class=\"vi-is1-dt\"><span>")
                                                + Pacific::shortDate(l.end) + QStringLiteral("</span><span class=\"vi-is1-dt-tm\">")
                                                + Pacific::shortTime(l.end) + QStringLiteral("</span></span></td>"));
    p += tableRow(QStringLiteral("Bid history:"), QStringLiteral("<td><span class=\"vi-is1-bids\"><a href=\"") + l.viewBids()
                                                      + QStringLiteral("\">") + QString::number(l.item.bids)
                                                      + QStringLiteral("</a></span> bid")
                                                      + (l.item.bids == 1 ? QString() : QStringLiteral("s")) + QStringLiteral("</td>"));
    if (!l.item.winner.isEmpty())
        p += tableRow(QStringLiteral("Winning bidder:"), QStringLiteral("<td>") + winnerLink(l) + QStringLiteral("</td>"));
    p += tableRow(QStringLiteral("Shipping:"), QStringLiteral("<td>") + shippingSpan(l, "vi-is1-sh") + QStringLiteral(" Economy Shipping</td>"));
    p += QStringLiteral("</table>\r\n") + Pages::sellerDetails(l.item);
    p += QStringLiteral("<table class=\"s-content\" cellpadding=\"0\" cellspacing=\"0\">\r\n"
                        "<tr><td class=\"s-title\">Meet the seller</td></tr>\r\n<tr><td>Seller: <a href=\"")
        + l.memberProfile() + QStringLiteral("\"><span class=mbg-nw>") + l.seller + QStringLiteral("</span></a>\r\n(")
        + l.feedbackLink() + QStringLiteral(")</td></tr>\r\n<tr><td><div id=si-fb>") + QString::number(l.item.feedbackPercent)
        + QStringLiteral("%&nbsp;Positive feedback</div></td></tr>\r\n</table>\r\n");
    p += QStringLiteral("<div class=\"desc\">Item description for ") + l.title + QStringLiteral(".</div>\r\n");
    return p + tail();
}

// Every host role shares the simulator's address, so a picture the
// simulator serves would be the first link to the member-profile host and
// read as the seller. The layouts with the seller only in that link write
// the picture's meta pair after the seller panel.
QString endedDiv(const Listing &l)
{
    QString p = head("en", "windows-1252", l.title + QStringLiteral(" | eBay"));
    p += QStringLiteral("<meta property=\"og:title\" content=\"") + l.title + QStringLiteral("\">\r\n");
    p += script(l, 3, "Chinese");
    p += QStringLiteral("</head>\r\n<body class=\"sz940\">\r\n<div id=\"CenterPanelInternal\">\r\n");
    p += QStringLiteral("<div class=\"vi-is1-ended\"><span class=\"msgTextAlign\">This listing has ended.</span></div>\r\n");
    p += heading(l);
    p += conditionDivRow(l);
    p += divRow(QStringLiteral("Ended:"), endSpans(l, true));
    p += divRow(l.priceLabel(),
                QStringLiteral("<span class=\"notranslate vi-VR-cvipPrice\">") + l.price(l.item.price)
                    + QStringLiteral("</span>\r\n\t<span class=\"vi-is1-s6\"><span> [ <a href=\"") + l.viewBids()
                    + QStringLiteral("\">") + l.bidCount("bid", "bids") + QStringLiteral("</a> ]</span></span>"),
                QStringLiteral("u-flL w29 vi-price"));
    // This layout prints the postage row above the winner entry.
    p += divRow(QStringLiteral("Postage:"), shippingSpan(l, "notranslate sh-cst") + QStringLiteral(" Royal Mail 2nd Class"),
                QStringLiteral("u-flL sh-col"));
    if (!l.item.winner.isEmpty())
        p += divRow(QStringLiteral("Winning bidder:"), winnerLink(l));
    p += Pages::sellerDetails(l.item);
    p += QStringLiteral("</div>\r\n<div id=\"RightSummaryPanel\" class=\"si-cnt\">\r\n\t<div class=\"mbg vi-VR-margBtm3\">\r\n\t\t<a href=\"")
        + l.memberProfile() + QStringLiteral("?_trksid=p2047675.l2559\" title=\"Member ID: ") + l.seller + QStringLiteral("\">")
        + l.seller + QStringLiteral("</a>\r\n\t\t<span class=\"mbg-l\"> (") + l.feedbackLink()
        + QStringLiteral(")</span>\r\n\t</div>\r\n</div>\r\n");
    p += pictureMeta(l);
    return p + tail();
}

QString fixedPrice(const Listing &l)
{
    QString p = head("en", "windows-1252", l.title + QStringLiteral(" | eBay"));
    p += pictureMeta(l);
    p += QStringLiteral("<meta property=\"og:title\" content=\"") + l.title + QStringLiteral("\">\r\n");
    p += script(l, 0, "FixedPriceItem");
    p += QStringLiteral("</head>\r\n<body class=\"sz980\">\r\n<div id=\"CenterPanelInternal\">\r\n");
    p += heading(l);
    p += conditionDivRow(l);
    p += fixedPriceEnd(l);
    p += divRow(QStringLiteral("<label for=\"qtyTextBox\">Quantity:</label>"),
                QStringLiteral("<input id=\"qtyTextBox\" class=\"qtyInput\" type=\"text\" name=\"quantity\" value=\"1\" size=\"4\">\r\n"
                               "\t<span id=\"qtySubTxt\"><span>\r\n\t\t")
                    + quantityText(l.item.quantity) + QStringLiteral("\r\n\t</span></span>"));
    p += QStringLiteral("<div class=\"u-cb\">\r\n\t<div class=\"u-flL lable\">Price:</div>\r\n"
                        "\t<div class=\"u-flL w29 vi-price\"><span class=\"notranslate\" id=\"prcIsum\" itemprop=\"price\"  style=\"\">")
        + l.price(l.fixedPrice()) + QStringLiteral("</span></div>\r\n");
    if (!l.ended)
        p += QStringLiteral("\t<a href=\"#\" id=\"binBtn_btn\" class=\"btn btn-prim vi-VR-btnWdth-XL\" role=\"button\">Buy It Now</a>\r\n");
    p += QStringLiteral("</div>\r\n");
    p += divRow(QStringLiteral("Shipping:"), shippingSpan(l, "notranslate sh-fr-cst") + QStringLiteral(" Economy Shipping"),
                QStringLiteral("u-flL sh-col"));
    p += Pages::sellerDetails(l.item);
    p += QStringLiteral("</div>\r\n<div id=\"RightSummaryPanel\" class=\"si-cnt\">\r\n\t<div class=\"mbg vi-VR-margBtm3\">\r\n"
                        "\t\t<a href=\"/usr/")
        + l.seller + QStringLiteral("?_trksid=p2047675.l2559\"><span class=\"mbg-nw\">") + l.seller
        + QStringLiteral("</span></a>\r\n\t\t<span class=\"mbg-l\"> (") + l.feedbackLink()
        + QStringLiteral(")</span>\r\n\t</div>\r\n\t<div id=si-fb>") + QString::number(l.item.feedbackPercent)
        + QStringLiteral("%&nbsp;Positive feedback</div>\r\n</div>\r\n");
    return p + tail();
}

QString fixedPriceSale(const Listing &l)
{
    const double sale = l.fixedPrice();
    const double was = std::round(sale / 0.85 * 100.0) / 100.0;
    QString p = head("en", "windows-1252", l.title + QStringLiteral(" | eBay"));
    p += script(l, 0, "FixedPriceItem");
    p += QStringLiteral("</head>\r\n<body class=\"sz980\">\r\n"
                        "<form name=\"vi_main_form\" method=\"post\" action=\"/ws/eBayISAPI.dll\">\r\n"
                        "<input type=\"hidden\" name=\"item\" value=\"")
        + l.number + QStringLiteral("\">\r\n<input type=\"hidden\" name=\"title\" value=\"") + l.title
        + QStringLiteral("\">\r\n</form>\r\n<div id=\"CenterPanelInternal\">\r\n");
    p += conditionDivRow(l);
    p += fixedPriceEnd(l);
    p += divRow(QStringLiteral("Quantity:"),
                QStringLiteral("<input id=\"qtyTextBox\" type=\"text\" name=\"quantity\" value=\"1\" size=\"4\"> <span id=\"qtySubTxt\"><span>")
                    + quantityText(l.item.quantity) + QStringLiteral("</span></span>"));
    p += QStringLiteral("<div class=\"u-cb vi-VR-prcTmt-hide\">\r\n\t<div class=\"u-flL lable\">Was:</div>\r\n"
                        "\t<div class=\"u-flL\"><span class=\"notranslate vi-originalPrice\">")
        + l.price(was) + QStringLiteral("</span></div>\r\n</div>\r\n");
    p += divRow(QStringLiteral("Sale:"),
                QStringLiteral("<b class=\"g-hdn\">Discounted price</b><span class=\"notranslate\" id=\"mm-saleDscPrc\">")
                    + l.price(sale) + QStringLiteral("</span>"),
                QStringLiteral("u-flL w29 vi-price"));
    p += divRow(QStringLiteral("You save:"), QStringLiteral("<span class=\"notranslate vi-VR-prcSave\">")
                                                 + l.price(was - sale)
                                                 + QStringLiteral(" (15% off)</span>"));
    p += divRow(QStringLiteral("Shipping:"), shippingSpan(l, "notranslate sh-cst") + QStringLiteral(" Standard Shipping"),
                QStringLiteral("u-flL sh-col"));
    p += Pages::sellerDetails(l.item);
    p += QStringLiteral("</div>\r\n<div id=\"RightSummaryPanel\" class=\"si-cnt\">\r\n\t<div class=\"mbg vi-VR-margBtm3\">\r\n\t\t<a href=\"")
        + l.memberProfile() + QStringLiteral("?_trksid=p2047675.l2559\">") + l.seller
        + QStringLiteral("</a>\r\n\t</div>\r\n</div>\r\n");
    p += pictureMeta(l); // after the seller, see endedDiv
    return p + tail();
}

// ---------------------------------------------------------------------------
// The French and German sites.

// "EUR 212,50": the currency, a decimal comma, no grouping.
QString commaPrice(const Listing &l, double amount)
{
    QString number = formatPrice(QString(), amount, false);
    number.replace(QLatin1Char('.'), QLatin1Char(','));
    return htmlEscape(l.item.currency) + number;
}

// The time left with the site's units: "1j 04h" on the French site,
// "1T 04Std." on the German one.
QString localTimeLeft(const Listing &l, const QString (&units)[4])
{
    QString english = Pages::timeLeftText(l.item.secondsLeft(l.ctx.now));
    static const QLatin1Char kEnglish[] = {QLatin1Char('d'), QLatin1Char('h'), QLatin1Char('m'), QLatin1Char('s')};
    QString out;
    for (const QChar c : english) {
        const auto *unit = std::find(std::begin(kEnglish), std::end(kEnglish), c);
        out += unit == std::end(kEnglish) ? QString(c) : units[unit - std::begin(kEnglish)];
    }
    return out;
}

QString french(const Listing &l)
{
    static const QString kUnits[4] = {QStringLiteral("j"), QStringLiteral("h"), QStringLiteral("m"), QStringLiteral("s")};
    static const char16_t *const kMonths[] = {u"janv.", u"févr.", u"mars", u"avr.", u"mai", u"juin",
                                              u"juil.", u"août", u"sept.", u"oct.", u"nov.", u"déc."};
    const QDateTime wall = Pacific::wallClock(l.end);
    const QString endDate = QStringLiteral("%1 %2 %3 %4")
                                .arg(wall.date().day(), 2, 10, QLatin1Char('0'))
                                .arg(QString::fromUtf16(kMonths[wall.date().month() - 1]))
                                .arg(wall.date().year())
                                .arg(Pacific::shortTime(l.end));
    QString percent = QString::number(l.item.feedbackPercent);
    percent.replace(QLatin1Char('.'), QLatin1Char(','));

    QString p = head("fr", "utf-8", l.title + QStringLiteral(" | eBay"));
    p += QStringLiteral("<meta property=\"og:title\" content=\"") + l.title + QStringLiteral("\">\r\n");
    p += script(l, 71, "Chinese");
    p += QStringLiteral("</head>\r\n<body class=\"sz980\">\r\n<div id=\"CenterPanelInternal\">\r\n");
    p += conditionDivRow(l, QStringLiteral("\u00C9tat :"));
    p += divRow(QStringLiteral("Temps restant :"), QStringLiteral("<span id=\"vi-cdown_timeLeft\">") + localTimeLeft(l, kUnits)
                                                       + QStringLiteral("</span> <span class=\"vi-tm-left\">(") + endDate
                                                       + QStringLiteral(")</span>"));
    // "Enchère en cours" and a no-break space before the colon.
    p += divRow(QStringLiteral("<span class=\"vi-is1-lbl\">Ench\u00E8re en cours\u00A0:</span>"),
                QStringLiteral("<span class=\"vi-is1-prcp\"><b>") + commaPrice(l, l.item.price)
                    + QStringLiteral("</b></span> <span class=\"vi-is1-s6\">[&nbsp;<span id=\"qty-test\">")
                    + QString::number(l.item.bids) + QStringLiteral("</span>&nbsp;")
                    + (l.item.bids == 1 ? QStringLiteral("ench\u00E8re") : QStringLiteral("ench\u00E8res"))
                    + QStringLiteral("&nbsp;]</span>"),
                QStringLiteral("u-flL w29 vi-price"));
    p += divRow(QStringLiteral("Livraison :"), shippingSpan(l, "notranslate sh-cst") + QStringLiteral(" Colissimo"),
                QStringLiteral("u-flL sh-col"));
    p += Pages::sellerDetails(l.item);
    p += QStringLiteral("</div>\r\n<div id=\"RightSummaryPanel\" class=\"si-cnt\">\r\n\t<div class=\"mbg vi-VR-margBtm3\"><a href=\"/usr/")
        + l.seller + QStringLiteral("\"><span class=\"mbg-nw\">") + l.seller + QStringLiteral("</span></a>\r\n\t<span class=\"mbg-l\"> (")
        + l.feedbackLink() + QStringLiteral(")</span></div>\r\n\t<div id=si-fb>") + percent
        + QStringLiteral("%&nbsp;d\u2019\u00E9valuations positives</div>\r\n</div>\r\n");
    return p + tail();
}

QString german(const Listing &l)
{
    static const QString kUnits[4] = {QStringLiteral("T"), QStringLiteral("Std."), QStringLiteral("Min."), QStringLiteral("Sek.")};
    QString p = head("de", "windows-1252", l.title + QStringLiteral(" | eBay"));
    p += pictureMeta(l);
    p += script(l, 77, "Chinese");
    p += QStringLiteral("</head>\r\n<body class=\"sz980\">\r\n<div id=\"CenterPanelInternal\">\r\n");
    p += heading(l);
    p += QStringLiteral("<table class=\"vi-is1-tbll\" cellpadding=\"0\" cellspacing=\"0\">\r\n");
    p += conditionTableRow(l, QStringLiteral("Artikelzustand:"));
    p += tableRow(QStringLiteral("Restzeit:"), QStringLiteral("<td><span class=\"vi-is1-dt\"><span id=\"v4-28\"><b>")
                                                   + localTimeLeft(l, kUnits) + QStringLiteral("</b></span></span></td>"));
    p += tableRow(QStringLiteral("Aktuelles Gebot:"),
                  QStringLiteral("<td><span id=\"v4-27\" itemprop=\"price\" class=\"vi-is1-prcp-eu\">") + commaPrice(l, l.item.price)
                      + QStringLiteral("</span><span class=\"vi-is1-s6\"><span> [ <a href=\"") + l.viewBids() + QStringLiteral("\">")
                      + l.bidCount("Gebot", "Gebote") + QStringLiteral("</a> ]</span></span></td>"));
    p += tableRow(QStringLiteral("Versand:"), QStringLiteral("<td>") + shippingSpan(l, "vi-is1-sh") + QStringLiteral(" DHL Paket</td>"));
    p += QStringLiteral("</table>\r\n") + Pages::sellerDetails(l.item);
    p += QStringLiteral("<div id=\"RightSummaryPanel\" class=\"si-cnt\">\r\n\t<a href=\"/usr/") + l.seller
        + QStringLiteral("\"><span class=mbg-nw>") + l.seller + QStringLiteral("</span></a>\r\n\t<span class=\"mbg-l\"> (")
        + l.feedbackLink() + QStringLiteral(")</span>\r\n</div>\r\n</div>\r\n");
    return p + tail();
}

// Windows-1252 bytes 0x80 to 0x9F; 0 where the byte has no letter (it then
// stands for the same code point).
constexpr char16_t kHighBytes[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
};

} // namespace

QString item(const SimItem &item, const PageContext &ctx)
{
    const Layout layout = layoutOf(item.layout);
    if (layout == Layout::None)
        return {};
    const Listing l(item, ctx);
    switch (layout) {
    case Layout::EndedTable:
        return l.ended ? endedTable(l) : QString();
    case Layout::EndedDiv:
        return l.ended ? endedDiv(l) : QString();
    case Layout::FixedPrice:
        return fixedPrice(l);
    case Layout::FixedPriceSale:
        return fixedPriceSale(l);
    case Layout::French:
        return french(l);
    case Layout::German:
        return german(l);
    case Layout::None:
        break;
    }
    return {};
}

Response reply(const QString &layout, const QString &page)
{
    Response r;
    if (layoutOf(layout) == Layout::French) {
        r.contentType = "text/html; charset=utf-8";
        r.body = page.toUtf8();
    } else {
        r.body = windows1252(page);
    }
    return r;
}

QByteArray windows1252(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out += char(u);
            continue;
        }
        char byte = '?';
        for (int i = 0; i < 32; ++i) {
            if (kHighBytes[i] == u || (kHighBytes[i] == 0 && u == 0x80 + i)) {
                byte = char(0x80 + i);
                break;
            }
        }
        out += byte;
    }
    return out;
}

namespace {

const struct
{
    const char *name;
    RowMarkup markup;
} kRowMarkups[] = {
    {"linebreak", RowMarkup::LineBreak}, {"comment", RowMarkup::Comment}, {"nbsp", RowMarkup::NoBreakSpace},
    {"wrapper", RowMarkup::Wrapper},     {"case", RowMarkup::LetterCase}, {"all", RowMarkup::All},
    {"onecell", RowMarkup::OneCell},
};

// The label in `markup`; `index` picks the wrapper element.
QString markedLabel(const QString &label, RowMarkup markup, qsizetype index)
{
    static const char *const kWrappers[] = {"b", "span", "font", "strong"};
    const auto withNbsp = [](QString text) { return text.replace(QLatin1Char(' '), QLatin1String("&nbsp;")) + QStringLiteral("&nbsp;"); };
    switch (markup) {
    case RowMarkup::LineBreak:
        return label + QStringLiteral("<br>");
    case RowMarkup::Comment:
        return QStringLiteral("<!-- label -->") + label;
    case RowMarkup::NoBreakSpace:
        return withNbsp(label);
    case RowMarkup::Wrapper: {
        const QLatin1String wrapper(kWrappers[index % std::size(kWrappers)]);
        return QStringLiteral("<%1>%2</%1>").arg(wrapper, label);
    }
    case RowMarkup::LetterCase:
        return label.toUpper();
    case RowMarkup::All:
        return QStringLiteral("<strong><!-- label --><font>") + withNbsp(label.toUpper()) + QStringLiteral("</font></strong><br>");
    case RowMarkup::Plain:
    case RowMarkup::OneCell:
        break;
    }
    return label;
}

QString oneCellTimeLeft(QString page)
{
    static const QRegularExpression tableRow(QStringLiteral("<th[^>]*>Time left:</th>\\s*<td[^>]*>(.*?)</td>"),
                                             QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression divisionRow(
        QStringLiteral("<div class=\"u-flL lable\">Time left:</div>\\s*<div class=\"u-flL\">(.*?)</div>"),
        QRegularExpression::DotMatchesEverythingOption);
    page.replace(tableRow, QStringLiteral("<td colspan=\"2\">Time left: <span>\\1</span></td>"));
    page.replace(divisionRow, QStringLiteral("<div class=\"u-flL\">Time left: <span>\\1</span></div>"));
    return page;
}

} // namespace

RowMarkup rowMarkupOf(const QString &name)
{
    for (const auto &m : kRowMarkups)
        if (name.compare(QLatin1String(m.name), Qt::CaseInsensitive) == 0)
            return m.markup;
    return RowMarkup::Plain;
}

QStringList rowMarkupNames()
{
    QStringList names;
    for (const auto &m : kRowMarkups)
        names << QLatin1String(m.name);
    return names;
}

QStringList rowLabels()
{
    return {QStringLiteral("Time left:"),   QStringLiteral("Ended:"),       QStringLiteral("Winning bidder:"),
            QStringLiteral("Current bid:"), QStringLiteral("Starting bid:"), QStringLiteral("Winning bid:"),
            QStringLiteral("Price:"),       QStringLiteral("Buy It Now price:"), QStringLiteral("Sold for:"),
            QStringLiteral("Bid history:"), QStringLiteral("Quantity:"),    QStringLiteral("Place bid"),
            QStringLiteral("Discounted price"), QString::fromUtf16(u"Ench\u00E8re en cours\u00A0:")};
}

QString withRowMarkup(const QString &page, RowMarkup markup)
{
    if (markup == RowMarkup::Plain)
        return page;
    if (markup == RowMarkup::OneCell)
        return oneCellTimeLeft(page);
    static const QRegularExpression labelled = [] {
        QStringList alternatives;
        for (const QString &label : rowLabels())
            alternatives << QRegularExpression::escape(label);
        return QRegularExpression(QStringLiteral(">(") + alternatives.join(QLatin1Char('|'))
                                  + QStringLiteral(")(</([A-Za-z0-9]+)>)"));
    }();
    QString out;
    qsizetype from = 0;
    qsizetype index = 0;
    for (auto it = labelled.globalMatch(page); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(page).sliced(from, m.capturedStart(1) - from);
        out += markedLabel(m.captured(1), markup, index++);
        out += m.captured(2);
        if (markup == RowMarkup::Comment || markup == RowMarkup::All)
            out += QStringLiteral("<!-- row -->");
        from = m.capturedEnd(2);
    }
    out += QStringView(page).sliced(from);
    return out;
}

bool fixedPrice(const SimItem &item)
{
    const Layout layout = layoutOf(item.layout);
    return layout == Layout::FixedPrice || layout == Layout::FixedPriceSale;
}

double purchasePrice(const SimItem &item)
{
    if (item.buyItNow > 0)
        return item.buyItNow;
    return fixedPrice(item) ? item.price : 0;
}

} // namespace Sim::LayoutPages
