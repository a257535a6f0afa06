#include "sim/core/pages.h"

#include "sim/core/itemstore.h"
#include "sim/core/layoutpages.h"
#include "sim/core/pacifictime.h"
#include "sim/core/simhttp.h"

namespace Sim::Pages {

namespace {

QString head(const QString &title)
{
    return QStringLiteral("<!DOCTYPE html>\r\n<html lang=\"en\">\r\n<head>\r\n"
                          "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\r\n"
                          "<title>")
        + htmlEscape(title) + QStringLiteral("</title>\r\n");
}

QString simplePage(const QString &title, const QString &body)
{
    return head(title) + QStringLiteral("</head>\r\n<body>\r\n") + body + QStringLiteral("\r\n</body>\r\n</html>\r\n");
}

QString row(const QString &label, const QString &cell)
{
    return QStringLiteral("<tr><th class=\"vi-is1-lblp\">") + label + QStringLiteral("</th><td>") + cell
        + QStringLiteral("</td></tr>\r\n");
}

QString viewItemLink(const PageContext &ctx, const QString &number, const QString &extra = {})
{
    return ctx.httpBase + QStringLiteral("/ws/eBayISAPI.dll?ViewItem&amp;item=") + number + extra;
}

// The "unfamiliar" layout: the default listing as another site prints it,
// the title in a heading of another class and the condition note in a span
// of another class beside the condition.
bool unfamiliar(const SimItem &item)
{
    return item.layout.compare(QLatin1String("unfamiliar"), Qt::CaseInsensitive) == 0;
}

QString listing(const SimItem &item, const PageContext &ctx)
{
    const bool ended = item.ended(ctx.now);
    const bool other = unfamiliar(item);
    // An item without an end time counts as ended just now.
    const QDateTime endOnEbayClock = ctx.ebay(item.endsAt.isValid() ? item.endsAt : ctx.now);
    const QString title = htmlEscape(item.title);
    const QString number = htmlEscape(item.number);
    const QString picture = item.picture.isEmpty() ? ctx.httpBase + QStringLiteral("/aw/pics/spacer.gif") : htmlEscape(item.picture);

    QString p = head(item.title + QStringLiteral(" | eBay"));
    p += QStringLiteral("<meta  content=\"eBay\" name=\"twitter:app:name:ipad\" ></meta><meta  content=\"") + picture
        + QStringLiteral("\" name=\"twitter:image\" ></meta>\r\n");
    if (other)
        p += QStringLiteral("<meta property=\"og:title\" content=\"") + title + QStringLiteral("\">\r\n");
    p += QStringLiteral("</head>\r\n<body>\r\n");
    if (!item.greeted.isEmpty()) {
        const QString member = htmlEscape(item.greeted);
        p += QStringLiteral("<div id=\"gh-ug\">Hi <a href=\"/usr/") + member + QStringLiteral("\">") + member
            + QStringLiteral("</a>!</div>\r\n");
    }
    p += QStringLiteral("<div id=\"CenterPanel\">\r\n");
    if (other)
        p += QStringLiteral("<h1 class=\"vi-title\">") + title + QStringLiteral("</h1>\r\n");
    else
        p += QStringLiteral("<h1 class=\"it-ttl\" itemprop=\"name\" id=\"itemTitle\"><span class=\"g-hdn\">Details about  &nbsp;</span>")
            + title + QStringLiteral("</h1>\r\n");
    p += QStringLiteral("<div id=\"vi_main_img_fs\"><img id=\"icImg\" src=\"") + picture + QStringLiteral("\" alt=\"\"></div>\r\n");
    p += QStringLiteral("<div class=\"iti-lbl u-flR iti-num\" id=\"\">Item number:</div><div class=\"u-flL iti-val\">") + number
        + QStringLiteral("</div>\r\n");
    p += QStringLiteral("<table class=\"vi-is1\" id=\"vi-is1\">\r\n");
    p += row(QStringLiteral("Item number:"), number);

    if (!item.conditionNote.isEmpty() && other)
        p += row(QStringLiteral("Item condition:"), QStringLiteral("Used<span class=\"vi-cond-addl-info\">Seller notes: &ldquo;")
                                                       + htmlEscape(item.conditionNote) + QStringLiteral("&rdquo;</span>"));
    else if (!item.conditionNote.isEmpty())
        p += row(QStringLiteral("Item condition:"), QStringLiteral("<div class=\"u-flL condText\" id=\"vi-itm-cond\">Used</div>")
                                                       + QStringLiteral("<span class=\"vi-cond-note\">") + sellerNotes(item)
                                                       + QStringLiteral("</span>"));

    if (ended) {
        p += QStringLiteral("<tr><td colspan=\"2\"><span class=\"msgTextAlign\">Bidding has ended for this item</span></td></tr>\r\n");
        p += row(QStringLiteral("Ended:"), QStringLiteral("<span class=\"vi-is1-dt\"><span>") + Pacific::shortDate(endOnEbayClock)
                                               + QStringLiteral("</span><span>") + Pacific::shortTime(endOnEbayClock)
                                               + QStringLiteral("</span></span>"));
        if (!item.winner.isEmpty()) {
            const QString w = htmlEscape(item.winner);
            p += row(QStringLiteral("Winning bidder:"), QStringLiteral("<a href=\"/usr/") + w + QStringLiteral("\">") + w + QStringLiteral("</a>"));
        }
    } else {
        p += row(QStringLiteral("Time left:"),
                 QStringLiteral("<span class=\"vi-is1-dt\"><span>") + timeLeftText(item.secondsLeft(ctx.now))
                     + QStringLiteral("</span> (<span>") + Pacific::shortDate(endOnEbayClock) + QStringLiteral("</span><span>")
                     + Pacific::shortTime(endOnEbayClock) + QStringLiteral("</span>)</span>"));
    }

    p += row(QStringLiteral("Bid history:"),
             QStringLiteral("<span class=\"vi-is1-s6\"><a href=\"/ws/eBayISAPI.dll?ViewBids&amp;item=") + number
                 + QStringLiteral("\" rel=\"nofollow\"><span id=\"v4-21\">") + QString::number(item.bids)
                 + QStringLiteral("</span> bid") + (item.bids == 1 ? QString() : QStringLiteral("s")) + QStringLiteral("</a></span>"));

    const QString priceLabel = ended ? QStringLiteral("Winning bid:")
        : item.bids == 0            ? QStringLiteral("Starting bid:")
                                    : QStringLiteral("Current bid:");
    p += row(priceLabel, QStringLiteral("<span id=\"v4-27\" itemprop=\"price\" class=\"vi-is1-prcp-eu\">")
                             + formatPrice(item.currency, item.price) + QStringLiteral("</span>"));

    if (!ended && item.buyItNow > 0)
        p += row(QStringLiteral("Buy It Now price:"),
                 QStringLiteral("<span class=\"notranslate\" id=\"prcIsum\" itemprop=\"price\"    style=\"\">")
                     + formatPrice(item.currency, item.buyItNow) + QStringLiteral("</span>"));

    p += row(QStringLiteral("Quantity:"), QStringLiteral("<span id=\"qtySubTxt\">") + QString::number(item.quantity)
                                              + QStringLiteral(" available</span>"));
    p += row(QStringLiteral("Shipping:"), QStringLiteral("<span id=\"fshippingCost\" class=\"notranslate sh-cst\"><span>")
                                              + htmlEscape(item.shipping) + QStringLiteral("</span></span> Standard Shipping"));
    p += QStringLiteral("</table>\r\n");
    p += sellerDetails(item);

    if (!ended) {
        p += QStringLiteral("<div class=\"vi-bid\"><a id=\"bidBtn_btn\" class=\"btn btn-prim\" href=\"/ws/eBayISAPI.dll?MakeBid&amp;item=")
            + number + QStringLiteral("\" rel=\"nofollow\">Place bid</a>")
            + QStringLiteral("<div class=\"notranslate\" id=\"w1-19-_mtb\">(Enter ") + formatPrice(item.currency, item.minimumBid(), false)
            + QStringLiteral(" or more)</div></div>\r\n");
    }

    const QString seller = htmlEscape(item.seller);
    p += QStringLiteral("<div class=\"si-cnt\"><h2>Seller information</h2><a href=\"/usr/") + seller
        + QStringLiteral("\"><span class=mbg-nw>") + seller + QStringLiteral("</span></a> <span class=\"mbg-l\">(")
        + QStringLiteral("<a href=\"/ws/eBayISAPI.dll?ViewFeedback&amp;userid=") + seller + QStringLiteral("\" title=\"Feedback score: ")
        + QString::number(item.feedbackScore) + QStringLiteral("\">") + QString::number(item.feedbackScore)
        + QStringLiteral("</a>)</span>\r\n<div id=si-fb>") + QString::number(item.feedbackPercent)
        + QStringLiteral("%&nbsp;Positive feedback</div></div>\r\n");

    p += QStringLiteral("<div id=\"desc_div\"><p>Item description for ") + title + QStringLiteral(".</p></div>\r\n");
    p += QStringLiteral("</div>\r\n</body>\r\n</html>\r\n");
    return p;
}

QString movedNotice(const SimItem &item, const PageContext &ctx)
{
    return simplePage(QStringLiteral("eBay"),
                      QStringLiteral("<div class=\"msg\"><p>This item is not available for purchase on eBay United States.</p>\r\n"
                                     "<p><a href=\"")
                          + viewItemLink(ctx, htmlEscape(item.number), QStringLiteral("&amp;orig=1"))
                          + QStringLiteral("\">View the original listing</a></p></div>"));
}

} // namespace

QString sellerNotes(const SimItem &item)
{
    if (item.conditionNote.isEmpty())
        return {};
    return QStringLiteral("Seller notes: ") + htmlEscape(QLatin1Char('"') + item.conditionNote + QLatin1Char('"'));
}

QString sellerDetails(const SimItem &item)
{
    QString out;
    if (!item.subtitle.isEmpty())
        out += QStringLiteral("<h2 id=\"subTitle\" class=\"it-sttl\">") + htmlEscape(item.subtitle) + QStringLiteral("</h2>\r\n");
    const auto row = [&out](const char *label, const QString &value) {
        out += QStringLiteral("<div class=\"u-cb\">\r\n\t<div class=\"u-flL lable\">") + QLatin1String(label)
            + QStringLiteral("</div>\r\n\t<div class=\"u-flL\">") + value + QStringLiteral("</div>\r\n</div>\r\n");
    };
    if (!item.location.isEmpty())
        row("Item location:", QStringLiteral("<span itemprop=\"availableAtOrFrom\">") + htmlEscape(item.location)
                                  + QStringLiteral("</span>"));
    if (!item.returns.isEmpty())
        row("Returns:", QStringLiteral("<span id=\"vi-ret-accrd-txt\">") + htmlEscape(item.returns) + QStringLiteral("</span>"));
    if (!item.specificName.isEmpty() || !item.specificValue.isEmpty())
        out += QStringLiteral("<div class=\"itemAttr\"><div class=\"section\"><table><tr><td class=\"attrLabels\">")
            + htmlEscape(item.specificName) + QStringLiteral("</td><td><span>") + htmlEscape(item.specificValue)
            + QStringLiteral("</span></td></tr></table></div></div>\r\n");
    return out;
}

QString timeLeftText(qint64 seconds)
{
    if (seconds <= 0)
        return QStringLiteral("0s");
    const qint64 days = seconds / 86400;
    const qint64 hours = seconds % 86400 / 3600;
    const qint64 minutes = seconds % 3600 / 60;
    const qint64 secs = seconds % 60;
    auto two = [](qint64 n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    if (days > 0)
        return QString::number(days) + QStringLiteral("d ") + two(hours) + QLatin1Char('h');
    if (hours > 0)
        return QString::number(hours) + QStringLiteral("h ") + two(minutes) + QLatin1Char('m');
    return QString::number(minutes) + QStringLiteral("m ") + two(secs) + QLatin1Char('s');
}

QString item(const SimItem &item, const PageContext &ctx, bool original)
{
    if (item.layout.compare(QLatin1String("moved"), Qt::CaseInsensitive) == 0 && !original)
        return movedNotice(item, ctx);
    const QString page = LayoutPages::item(item, ctx);
    return LayoutPages::withRowMarkup(page.isEmpty() ? listing(item, ctx) : page, LayoutPages::rowMarkupOf(item.rowMarkup));
}

QString removedItem(const QString &number)
{
    return simplePage(QStringLiteral("eBay - Invalid Item"),
                      QStringLiteral("<div class=\"msg\"><p class=\"sm-md\">This listing (") + htmlEscape(number)
                          + QStringLiteral(") has been removed, or this item is not available.</p>\r\n"
                                           "<p>Please check that you've entered the correct item number.</p></div>"));
}

QString officialTime(const PageContext &ctx)
{
    return simplePage(QStringLiteral("eBay Official Time"),
                      QStringLiteral("<h1>eBay Official Time</h1>\r\n<p>The official eBay Time is now:</p><p><b>")
                          + Pacific::longText(ctx.ebay(ctx.now))
                          + QStringLiteral("</b></p>\r\n<p>eBay's servers keep one clock for every auction.</p>"));
}

QString feedbackProfile(const QString &user, int score, double percent)
{
    const QString who = htmlEscape(user);
    return simplePage(QStringLiteral("eBay Feedback Profile for ") + user,
                      QStringLiteral("<div id=\"memberBadgeId\"><span class=\"mbg-id\">") + who
                          + QStringLiteral("</span><span class=\"mbg-l\"> ( <a href=\"/ws/eBayISAPI.dll?ViewFeedback&amp;userid=") + who
                          + QStringLiteral("\">") + QString::number(score) + QStringLiteral("</a> )</span></div>\r\n"
                                                                                  "<div class=\"fbsSmallYukon\">Positive Feedback (last 12 months): ")
                          + QString::number(percent) + QStringLiteral("%</div>"));
}

QString signInPage()
{
    return QStringLiteral(
        "<html><head><title>Sign in or Register | eBay</title></head><body>\r\n"
        "<h1>Sign in</h1>\r\n"
        "<form id=\"SignInForm\" name=\"SignInForm\" method=\"get\" action=\"/ws/eBayISAPI.dll\">"
        "<input type=\"hidden\" name=\"MfcISAPICommand\" value=\"SignInWelcome\">"
        "<p>User ID <input type=\"text\" name=\"userid\" value=\"\"></p>"
        "<p>Password <input type=\"password\" name=\"pass\" value=\"\"></p>"
        "<input type=\"submit\" name=\"sgnBt\" value=\"Sign in\"></form>\r\n</body></html>");
}

QString signInAccepted(const QString &user)
{
    return simplePage(QStringLiteral("My eBay: Summary"),
                      QStringLiteral("<div id=\"gh-uid\"><p>Hi, <b>") + htmlEscape(user)
                          + QStringLiteral("</b>!</p><p>Welcome back. You are signed in.</p></div>"));
}

QString signInRejected(const QString &user)
{
    return simplePage(QStringLiteral("Sign in or Register | eBay"),
                      QStringLiteral("<div id=\"errf\"><p>Your user ID or password is incorrect.</p></div>\r\n"
                                     "<form id=\"SignInForm\" name=\"SignInForm\" method=\"get\" action=\"/ws/eBayISAPI.dll\">"
                                     "<input type=\"hidden\" name=\"MfcISAPICommand\" value=\"SignInWelcome\">"
                                     "<input type=\"text\" name=\"userid\" value=\"")
                          + htmlEscape(user)
                          + QStringLiteral("\"><input type=\"password\" name=\"pass\" value=\"\"><input type=\"submit\" value=\"Sign in\"></form>"));
}

QString signOut()
{
    return simplePage(QStringLiteral("Sign out | eBay"),
                      QStringLiteral("<p>You've signed out. See you again soon!</p>"));
}

namespace {

// The search box of the home and the search page; eBay's own search address.
QString searchBox(const QString &words)
{
    return QStringLiteral("<form name=\"SearchForm\" action=\"/sch/i.html\" method=\"get\">"
                          "<input type=\"text\" name=\"_nkw\" size=\"40\" value=\"")
        + htmlEscape(words)
        + QStringLiteral("\" placeholder=\"Search for anything, or an item number\"> "
                         "<input type=\"submit\" value=\"Search\"></form>\r\n");
}

// One row per item, linked to its page: number, title, price, bids, time left.
QString itemTable(const PageContext &ctx, const QList<const SimItem *> &items)
{
    QString t = QStringLiteral("<table class=\"items\" border=\"1\" cellpadding=\"4\" cellspacing=\"0\">\r\n"
                               "<tr><th>Item number</th><th>Title</th><th>Price</th><th>Bids</th><th>Time left</th></tr>\r\n");
    for (const SimItem *item : items) {
        const QString number = htmlEscape(item->number);
        QString left;
        if (item->ended(ctx.now))
            left = item->winner.isEmpty() ? QStringLiteral("Ended") : QStringLiteral("Ended, won by ") + htmlEscape(item->winner);
        else
            left = timeLeftText(item->secondsLeft(ctx.now));
        QString price = formatPrice(item->currency, item->price);
        if (!item->ended(ctx.now) && item->buyItNow > 0)
            price += QStringLiteral(" (Buy It Now ") + formatPrice(item->currency, item->buyItNow) + QLatin1Char(')');
        t += QStringLiteral("<tr><td>") + number + QStringLiteral("</td><td><a href=\"")
            + viewItemLink(ctx, number) + QStringLiteral("\">") + htmlEscape(item->title) + QStringLiteral("</a></td><td>")
            + price + QStringLiteral("</td><td>") + QString::number(item->bids) + QStringLiteral("</td><td>") + left
            + QStringLiteral("</td></tr>\r\n");
    }
    return t + QStringLiteral("</table>\r\n");
}

} // namespace

QString home(const PageContext &ctx, const QList<const SimItem *> &items)
{
    QString body = QStringLiteral("<h1>eBay</h1>\r\n<p>The simulated site of tallowmere-sim. eBay time: ")
        + Pacific::longText(ctx.ebay(ctx.now)) + QStringLiteral("</p>\r\n") + searchBox(QString());
    if (items.isEmpty()) {
        body += QStringLiteral("<p>No items are listed.</p>");
        return simplePage(QStringLiteral("Electronics, Cars, Fashion, Collectibles & More | eBay"), body);
    }
    body += QStringLiteral("<h2>Items for sale, ending soonest first</h2>\r\n") + itemTable(ctx, items)
        + QStringLiteral("<p>Each title leads to the item's page, the page Tallowmere reads to follow an auction; "
                         "an auction is known by its item number.</p>");
    return simplePage(QStringLiteral("Electronics, Cars, Fashion, Collectibles & More | eBay"), body);
}

QString searchResults(const PageContext &ctx, const QString &words, const QList<const SimItem *> &found)
{
    QString body = QStringLiteral("<h1><a href=\"/\">eBay</a></h1>\r\n") + searchBox(words);
    const QString what = words.trimmed().isEmpty() ? QStringLiteral("all items") : htmlEscape(words.trimmed());
    body += QStringLiteral("<p class=\"rcnt\">") + QString::number(found.size())
        + (found.size() == 1 ? QStringLiteral(" result for ") : QStringLiteral(" results for ")) + what
        + QStringLiteral("</p>\r\n");
    if (!found.isEmpty())
        body += itemTable(ctx, found);
    return simplePage((words.trimmed().isEmpty() ? QStringLiteral("All items") : words.trimmed()) + QStringLiteral(" | eBay"),
                      body);
}

bool matchesSearch(const SimItem &item, const QString &words)
{
    const QStringList wanted = words.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &word : wanted) {
        if (!item.title.contains(word, Qt::CaseInsensitive) && item.number != word
            && item.seller.compare(word, Qt::CaseInsensitive) != 0)
            return false;
    }
    return true;
}

QString notFound(const QString &target)
{
    return simplePage(QStringLiteral("404 Not Found"),
                      QStringLiteral("<h1>Not Found</h1><p>") + htmlEscape(target) + QStringLiteral("</p>"));
}

QString passwordOverHttpRefused()
{
    return simplePage(QStringLiteral("403 Forbidden"),
                      QStringLiteral("<h1>Secure connection required</h1><p>A password is only accepted over https. "
                                     "The request was not carried out.</p>"));
}

} // namespace Sim::Pages
