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

QString listing(const SimItem &item, const PageContext &ctx)
{
    const bool ended = item.ended(ctx.now);
    // An item without an end time counts as ended just now.
    const QDateTime endOnEbayClock = ctx.ebay(item.endsAt.isValid() ? item.endsAt : ctx.now);
    const QString title = htmlEscape(item.title);
    const QString number = htmlEscape(item.number);
    const QString picture = item.picture.isEmpty() ? ctx.httpBase + QStringLiteral("/aw/pics/spacer.gif") : item.picture;

    QString p = head(item.title + QStringLiteral(" | eBay"));
    p += QStringLiteral("<meta  content=\"eBay\" name=\"twitter:app:name:ipad\" ></meta><meta  content=\"") + picture
        + QStringLiteral("\" name=\"twitter:image\" ></meta>\r\n");
    p += QStringLiteral("</head>\r\n<body>\r\n<div id=\"CenterPanel\">\r\n");
    p += QStringLiteral("<h1 class=\"it-ttl\" itemprop=\"name\" id=\"itemTitle\"><span class=\"g-hdn\">Details about  &nbsp;</span>")
        + title + QStringLiteral("</h1>\r\n");
    p += QStringLiteral("<div id=\"vi_main_img_fs\"><img id=\"icImg\" src=\"") + picture + QStringLiteral("\" alt=\"\"></div>\r\n");
    p += QStringLiteral("<table class=\"vi-is1\" id=\"vi-is1\">\r\n");
    p += row(QStringLiteral("Item number:"), number);

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
    return page.isEmpty() ? listing(item, ctx) : page;
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
                                     "<form name=\"SignInForm\" method=\"get\" action=\"/ws/eBayISAPI.dll\">"
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

QString home(const PageContext &ctx)
{
    return simplePage(QStringLiteral("Electronics, Cars, Fashion, Collectibles & More | eBay"),
                      QStringLiteral("<h1>eBay</h1><p>Simulated site, ") + Pacific::longText(ctx.ebay(ctx.now))
                          + QStringLiteral("</p>"));
}

QString notFound(const QString &target)
{
    return simplePage(QStringLiteral("404 Not Found"),
                      QStringLiteral("<h1>Not Found</h1><p>") + htmlEscape(target) + QStringLiteral("</p>"));
}

} // namespace Sim::Pages
