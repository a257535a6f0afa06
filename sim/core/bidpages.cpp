#include "sim/core/bidpages.h"

#include "sim/core/itemstore.h"
#include "sim/core/simhttp.h"

namespace Sim::BidPages {

namespace {

QString page(const QString &title, const QString &body)
{
    return QStringLiteral("<!DOCTYPE html>\r\n<html lang=\"en\">\r\n<head>\r\n"
                          "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\r\n<title>")
        + htmlEscape(title) + QStringLiteral("</title>\r\n</head>\r\n<body>\r\n") + body
        + QStringLiteral("\r\n</body>\r\n</html>\r\n");
}

QString hidden(const QString &name, const QString &value)
{
    return QStringLiteral("<input type=\"hidden\" name=\"") + name + QStringLiteral("\" value=\"") + htmlEscape(value)
        + QStringLiteral("\">\r\n");
}

QString itemLine(const SimItem &item)
{
    // The unfamiliar layout's pages name the item in a plain paragraph.
    if (item.layout.compare(QLatin1String("unfamiliar"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("<p>Item: ") + htmlEscape(item.title) + QStringLiteral(" (") + htmlEscape(item.number)
            + QStringLiteral(")</p>\r\n");
    return QStringLiteral("<p class=\"itm\">") + htmlEscape(item.title) + QStringLiteral(" (Item number: ")
        + htmlEscape(item.number) + QStringLiteral(")</p>\r\n");
}

// The page header's note of the signed-in user, as eBay's pages carry it.
QString userHeader(const QString &user)
{
    if (user.isEmpty())
        return {};
    return QStringLiteral("<script type=\"text/javascript\">var pageUser = {\"userid\":\"") + htmlEscape(user)
        + QStringLiteral("\"};</script>\r\n");
}

QString message(const QString &text)
{
    return QStringLiteral("<div class=\"statusmsg\"><p>") + text + QStringLiteral("</p></div>");
}

} // namespace

QString review(const SimItem &item, const QString &user, const QString &maxBid, const QString &qty, const QString &uiid,
               const QString &stok)
{
    QString body = QStringLiteral("<h1>Review and confirm your bid</h1>\r\n") + itemLine(item);
    body += QStringLiteral("<form name=\"ReviewBid\" method=\"get\" action=\"/ws/eBayISAPI.dll\">\r\n");
    body += hidden(QStringLiteral("MfcISAPICommand"), QStringLiteral("MakeBid"));
    body += hidden(QStringLiteral("uiid"), uiid);
    body += hidden(QStringLiteral("item"), item.number);
    body += hidden(QStringLiteral("maxbid"), maxBid);
    body += hidden(QStringLiteral("quant"), qty);
    body += hidden(QStringLiteral("user"), user);
    body += hidden(QStringLiteral("stok"), stok);
    body += QStringLiteral("<table><tr><td>Current bid:</td><td>") + formatPrice(item.currency, item.price)
        + QStringLiteral("</td></tr>\r\n<tr><td>Your maximum bid:</td><td>") + htmlEscape(item.currency + maxBid)
        + QStringLiteral("</td></tr>\r\n<tr><td>Quantity:</td><td>") + htmlEscape(qty)
        + QStringLiteral("</td></tr></table>\r\n<input type=\"submit\" value=\"Confirm bid\">\r\n</form>");
    return page(QStringLiteral("eBay > Review and Confirm Bid"), body);
}

QString ended(const SimItem &item)
{
    return page(QStringLiteral("eBay > Place a bid"),
                itemLine(item) + QStringLiteral("<table><tr><th>Ended:</th><td>Bidding has ended for this item.</td></tr></table>"));
}

QString signInRequired()
{
    return page(QStringLiteral("Sign in or Register | eBay"),
                QStringLiteral("<p>Please sign in to continue.</p>\r\n"
                               "<form name=\"SignInForm\" method=\"get\" action=\"/ws/eBayISAPI.dll\">"
                               "<input type=\"hidden\" name=\"MfcISAPICommand\" value=\"SignInWelcome\">"
                               "<input type=\"text\" name=\"userid\" value=\"\"><input type=\"password\" name=\"pass\" value=\"\">"
                               "<input type=\"submit\" value=\"Sign in\"></form>"));
}

QString cookiesBlocked()
{
    return page(QStringLiteral("Sign in | eBay"),
                message(QStringLiteral("Your web browser settings are blocking cookies. To sign in, change your browser "
                                       "settings to accept cookies from eBay and try again.")));
}

QString preparationFailure(const QString &row, const QString &number, const QString &user, const SimItem *item)
{
    const QString header = userHeader(user) + (item ? itemLine(*item) : QString());
    if (row == QLatin1String("A2"))
        return page(QStringLiteral("eBay > Place a bid"),
                    header + QStringLiteral("<p class=\"msg\">This listing was ended by the seller because the item is no longer available.</p>"));
    if (row == QLatin1String("A3"))
        return page(QStringLiteral("eBay - Invalid Item"),
                    header + message(QStringLiteral("The item you requested (") + htmlEscape(number) + QStringLiteral(") is invalid.")));
    if (row == QLatin1String("A4"))
        return page(QStringLiteral("eBay > Place a bid"), header + QStringLiteral("<p class=\"msg\">This Buy It Now listing has ended.</p>"));
    if (row == QLatin1String("A5"))
        return page(QStringLiteral("eBay > Place a bid"),
                    header + message(QStringLiteral("Sorry, this item is restricted for export by the U.S. Department of State (DOS) "
                                                    "and cannot be bought from your country.")));
    return unknownReply();
}

QString firstBidder(const SimItem &item, const QString &user)
{
    return page(QStringLiteral("eBay > Bid Confirmation"),
                itemLine(item) + message(QStringLiteral("Congratulations ") + htmlEscape(user)
                                         + QStringLiteral(", you're the first bidder. Current bid: ")
                                         + formatPrice(item.currency, item.price)));
}

QString highestBidder(const SimItem &item, const QString &user)
{
    return page(QStringLiteral("eBay > Bid Confirmation"),
                itemLine(item) + message(QStringLiteral("Congratulations ") + htmlEscape(user)
                                         + QStringLiteral(", you're currently the highest bidder. Current bid: ")
                                         + formatPrice(item.currency, item.price)));
}

QString outbid(const SimItem &item)
{
    return page(QStringLiteral("eBay > Bid Confirmation"),
                itemLine(item) + message(QStringLiteral("You've been outbid. Another bidder placed a higher maximum bid. "
                                                        "Current bid: ")
                                         + formatPrice(item.currency, item.price)));
}

QString tooLow(const SimItem &item)
{
    const QString minimum = formatPrice(item.currency, item.minimumBid(), false);
    return page(QStringLiteral("eBay > Place a bid"),
                itemLine(item) + QStringLiteral("<div class=\"statusmsg\"><b>error</b></div>\r\n<div>Your bid must be at least ")
                    + minimum + QStringLiteral(".</div>\r\n<div class=\"notranslate\">(Enter ") + minimum
                    + QStringLiteral(" or more</div>"));
}

QString confirmationFailure(const QString &row, const SimItem *item)
{
    static const QStringList texts = {
        {},
        {},
        QStringLiteral("Seller not accepting your bid. The seller has set buyer requirements you do not meet."),
        QStringLiteral("This item is available to buyers who have not received 2 or more unpaid item strike(s) in the past 1 month(s)."),
        QStringLiteral("This item is available to buyers who have not received 3 or more unpaid item strike(s) in the past 1 month(s)."),
        QStringLiteral("This item is available to buyers who have not received 2 or more unpaid item strike(s) in the past 12 month(s)."),
        QStringLiteral("This item is only available to buyers who have not purchased 1 or more items from this seller in the past 10 days."),
        QStringLiteral("Registration blocked. Please contact Customer Support."),
        QStringLiteral("Sorry, this item cannot be shipped to your location."),
        QStringLiteral("Your bid price may not meet or exceed the Buy It Now price."),
        QStringLiteral("Confirm your identity"),
        QStringLiteral("eBay has put a temporary block on your site activity."),
        QStringLiteral("Due to eBay's Weapon and Knives policy, it is not possible for you to bid on this item."),
        QStringLiteral("Sorry, you are not allowed to purchase this item."),
    };
    bool ok = false;
    const int n = row.mid(1).toInt(&ok);
    if (!row.startsWith(QLatin1Char('B')) || !ok || n < 2 || n >= texts.size())
        return unknownReply();
    return page(QStringLiteral("eBay > Place a bid"), (item ? itemLine(*item) : QString()) + message(texts.at(n)));
}

QString currencyNotice(const SimItem &item, const QString &uiid, const QString &firedFilteredId, const QString &stok)
{
    return page(QStringLiteral("eBay > Review and Confirm Bid"),
                itemLine(item)
                    + message(QStringLiteral("Importation of currency into your country may be subject to certain restrictions. "
                                             "Please confirm that you want to continue."))
                    + QStringLiteral("\r\n<form name=\"CurrencyForm\" method=\"get\" action=\"/ws/eBayISAPI.dll\">\r\n")
                    + hidden(QStringLiteral("uiid"), uiid) + hidden(QStringLiteral("firedFilteredId"), firedFilteredId)
                    + hidden(QStringLiteral("stok"), stok) + QStringLiteral("<input type=\"submit\" value=\"Continue\">\r\n</form>"));
}

QString unknownReply()
{
    return page(QStringLiteral("eBay > Error"),
                QStringLiteral("<h1>Something went wrong</h1>\r\n<p>We were unable to process your request at this time. "
                               "Please try again later.</p>"));
}

QString sessionExpired()
{
    return page(QStringLiteral("eBay > Place a bid"),
                message(QStringLiteral("Your session has expired. Please go back to the item and place your bid again.")));
}

QString biddingEnded(const SimItem &item)
{
    return page(QStringLiteral("eBay > Place a bid"), itemLine(item) + message(QStringLiteral("Bidding has ended on this item.")));
}

QString wrongPassword()
{
    return page(QStringLiteral("eBay > Place a bid"), message(QStringLiteral("The password is incorrect. Please try again.")));
}

QString purchased(const SimItem &item, const QString &user, double price)
{
    return page(QStringLiteral("eBay > Purchase Confirmation"),
                itemLine(item) + message(QStringLiteral("Congratulations ") + htmlEscape(user)
                                         + QStringLiteral("! You committed to buy this item for ")
                                         + formatPrice(item.currency, price) + QStringLiteral(".")));
}

QString noBuyItNow(const SimItem &item)
{
    return page(QStringLiteral("eBay > Buy It Now"), itemLine(item) + message(QStringLiteral("This item has no Buy It Now price.")));
}

QString buyItNowGone(const SimItem &item)
{
    return page(QStringLiteral("eBay > Buy It Now"),
                itemLine(item) + message(QStringLiteral("Buy It Now is not available for this item. Someone has placed a bid.")));
}

QString quantityNotAvailable(const SimItem &item)
{
    return page(QStringLiteral("eBay > Buy It Now"),
                itemLine(item) + message(QStringLiteral("The quantity you entered is not available. Only ")
                                         + QString::number(item.quantity) + QStringLiteral(" left.")));
}

QString reportForm()
{
    QString body = QStringLiteral("<h1>Send a problem report</h1>\r\n"
                                  "<form name=\"ReportForm\" id=\"ReportForm\" method=\"post\" action=\"/sendreport.asp\">\r\n");
    for (const char *name : {"reporttype", "UserName", "ItemNumber", "build", "Int", "delay"})
        body += hidden(QString::fromLatin1(name), {});
    body += QStringLiteral("<p>Email: <input type=\"text\" name=\"email\" value=\"\"></p>\r\n");
    for (const char *name : {"SignOut", "SignIn", "sendbid", "ConfirmBid", "itempage"})
        body += QStringLiteral("<textarea name=\"") + QString::fromLatin1(name) + QStringLiteral("\"></textarea>\r\n");
    body += QStringLiteral("<input type=\"submit\" value=\"Send\">\r\n</form>");
    return page(QStringLiteral("Problem report"), body);
}

QString reportSent()
{
    return page(QStringLiteral("Problem report"), QStringLiteral("<p>Report sent. Thank you for helping us improve the program.</p>"));
}

} // namespace Sim::BidPages
