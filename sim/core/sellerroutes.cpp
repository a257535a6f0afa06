// Sellers' pages: the feedback an account received as a seller and left for
// others, the leave-feedback form and its post, the My eBay sold list and
// each sale's payment status with the buyer's address. The forms and lists
// answer the signed-in user (the session cookie); without one they show a
// sign-in notice and change nothing.
//
//   GET    /_sim/seller                 {"received": [...], "left": [...], "sales": [...]}
//   POST   /_sim/seller/received        {"seller", "buyer", "item", "daysAgo", "rating", "comment"}
//   POST   /_sim/seller/left            {"from", "to", "item", "daysAgo", "comment"}: rated earlier
//   POST   /_sim/seller/sales           {"seller", "buyer", "item", "title", "transactionId", "address": [lines]}
//   DELETE /_sim/seller                 none of them
#include "sim/core/pacifictime.h"
#include "sim/core/simserver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <algorithm>

namespace Sim {

namespace {

const QString kIsapi = QStringLiteral("/ws/eBayISAPI.dll");

bool sameUser(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString ratingIcon(const PageContext &ctx, const QString &rating)
{
    QString icon = QStringLiteral("iconPos_16x16.gif"), alt = QStringLiteral("Positive");
    if (rating == QLatin1String("neutral")) {
        icon = QStringLiteral("iconNeu_16x16.gif");
        alt = QStringLiteral("Neutral");
    } else if (rating == QLatin1String("negative")) {
        icon = QStringLiteral("iconNeg_16x16.gif");
        alt = QStringLiteral("Negative");
    }
    return QStringLiteral("<td><img src=\"") + ctx.httpBase + QStringLiteral("/aw/pics/icon/") + icon
        + QStringLiteral("\" height=\"16\" width=\"16\" alt=\"") + alt + QStringLiteral(" feedback rating\"></td>");
}

QString feedbackDate(const PageContext &ctx, const QDateTime &when)
{
    return QLocale::c().toString(Pacific::wallClock(ctx.ebay(when)), QStringLiteral("MMM-dd-yy HH:mm"));
}

// One feedback row as eBay laid them out, over two table lines, with the
// tabs and line breaks of its pages.
QString feedbackRow(const PageContext &ctx, const QString &rating, const QString &comment, const QString &role,
                    const QString &member, const QString &item, const QDateTime &when)
{
    return QStringLiteral("<tr>\r\n\t") + ratingIcon(ctx, rating) + QStringLiteral("<td>") + htmlEscape(comment)
        + QStringLiteral("</td>\r\n\t<td>") + role + QStringLiteral(": <a href=\"") + ctx.httpBase
        + QStringLiteral("/ws/eBayISAPI.dll?ViewFeedback2&amp;userid=") + member + QStringLiteral("\">") + member
        + QStringLiteral("</a></td><td nowrap=\"nowrap\">") + feedbackDate(ctx, when)
        + QStringLiteral("</td></tr>\r\n<tr><td></td><td colspan=\"3\">Item (#") + item
        + QStringLiteral(")</td></tr>\r\n");
}

QString page(const QString &title, const QString &body)
{
    return QStringLiteral("<html><head><title>") + title + QStringLiteral("</title></head><body>\r\n") + body
        + QStringLiteral("\r\n</body></html>");
}

QString signInNotice()
{
    return page(QStringLiteral("Sign in"), QStringLiteral("<p>Please sign in to continue.</p>"));
}

template <class T>
QList<T> newestFirst(QList<T> list, int limit)
{
    std::stable_sort(list.begin(), list.end(), [](const T &a, const T &b) { return a.when > b.when; });
    if (limit >= 0 && list.size() > limit)
        list.resize(limit);
    return list;
}

int pageSize(const Request &r, int fallback)
{
    bool ok = false;
    const int n = r.param(QStringLiteral("items")).toInt(&ok);
    return ok && n > 0 ? n : fallback;
}

QJsonObject toJson(const ReceivedFeedback &f)
{
    return {{QStringLiteral("seller"), f.seller}, {QStringLiteral("buyer"), f.buyer}, {QStringLiteral("item"), f.item},
            {QStringLiteral("rating"), f.rating}, {QStringLiteral("comment"), f.comment},
            {QStringLiteral("when"), f.when.toString(Qt::ISODate)}};
}

QJsonObject toJson(const LeftFeedback &f)
{
    return {{QStringLiteral("from"), f.from}, {QStringLiteral("to"), f.to}, {QStringLiteral("item"), f.item},
            {QStringLiteral("transactionId"), f.transactionId}, {QStringLiteral("comment"), f.comment},
            {QStringLiteral("rating"), f.rating}, {QStringLiteral("when"), f.when.toString(Qt::ISODate)}};
}

QJsonObject toJson(const Sale &s)
{
    return {{QStringLiteral("seller"), s.seller}, {QStringLiteral("buyer"), s.buyer}, {QStringLiteral("item"), s.item},
            {QStringLiteral("title"), s.title}, {QStringLiteral("transactionId"), s.transactionId},
            {QStringLiteral("address"), QJsonArray::fromStringList(s.address)}};
}

} // namespace

void SimServer::addSellerRoutes()
{
    // Feedback received as a seller, or left for others, newest first.
    m_routes.add(QStringLiteral("feedback"), kIsapi, QStringLiteral("ViewFeedback2"), Scheme::Any, [this](const Request &r) {
        const QString user = r.param(QStringLiteral("userid"));
        const PageContext ctx = pageContext();
        QString rows;
        if (r.param(QStringLiteral("ftab")) == QLatin1String("FeedbackLeftForOthers")) {
            QList<LeftFeedback> mine;
            for (const LeftFeedback &f : m_seller.left)
                if (sameUser(f.from, user))
                    mine << f;
            for (const LeftFeedback &f : newestFirst(mine, pageSize(r, 25)))
                rows += feedbackRow(ctx, f.rating, f.comment, QStringLiteral("Left for"), f.to, f.item, f.when);
        } else {
            QList<ReceivedFeedback> mine;
            for (const ReceivedFeedback &f : m_seller.received)
                if (sameUser(f.seller, user))
                    mine << f;
            for (const ReceivedFeedback &f : newestFirst(mine, pageSize(r, 25)))
                rows += feedbackRow(ctx, f.rating, f.comment, QStringLiteral("Buyer"), f.buyer, f.item, f.when);
        }
        return Response::html(page(QStringLiteral("Feedback Profile"), QStringLiteral("<h1>Feedback Profile for ")
                                                                            + htmlEscape(user)
                                                                            + QStringLiteral("</h1>\r\n<table>\r\n") + rows
                                                                            + QStringLiteral("</table>")));
    });

    // The leave-feedback form ("LeaveFeedback2&lookup_id=buyer") and its post
    // ("MfcISAPICommand=LeaveFeedback2...&submit_save=Post").
    m_routes.add(QStringLiteral("feedback"), kIsapi, QStringLiteral("LeaveFeedback2"), Scheme::Any, [this](const Request &r) {
        const QString seller = sessionUser(r);
        if (seller.isEmpty())
            return Response::html(signInNotice());
        if (r.hasParam(QStringLiteral("submit_save"))) {
            LeftFeedback f;
            f.from = seller;
            f.to = r.param(QStringLiteral("toUserName0"));
            f.item = r.param(QStringLiteral("itemId0"));
            f.transactionId = r.param(QStringLiteral("transactionId0"));
            f.comment = r.param(QStringLiteral("comment0"));
            f.rating = r.param(QStringLiteral("overallRatingId0"));
            f.when = now();
            m_seller.left << f;
            return Response::html(page(QStringLiteral("Feedback Left"),
                                       QStringLiteral("<p>Your feedback has been left for ") + htmlEscape(f.to)
                                           + QStringLiteral(".</p>")));
        }
        const QString buyer = r.param(QStringLiteral("lookup_id"));
        QString fields;
        int n = 0;
        for (const ReceivedFeedback &f : m_seller.received) {
            if (!sameUser(f.seller, seller) || !sameUser(f.buyer, buyer))
                continue;
            const QString i = QString::number(n++);
            fields += QStringLiteral("<input type=\"hidden\" name=\"itemId") + i + QStringLiteral("\" value=\"") + f.item
                + QStringLiteral("\"><input type=\"hidden\" name=\"transactionId") + i + QStringLiteral("\" value=\"T")
                + f.item + QStringLiteral("\">\r\n");
        }
        return Response::html(page(QStringLiteral("Leave Feedback"),
                                   QStringLiteral("<form name=\"LeaveFeedback\" method=\"get\">\r\n") + fields
                                       + QStringLiteral("</form>")));
    });

    // My eBay: the items the signed-in seller sold.
    m_routes.add(QStringLiteral("myebay"), kIsapi, QStringLiteral("MyEbayBeta"), Scheme::Any, [this](const Request &r) {
        const QString seller = sessionUser(r);
        if (seller.isEmpty())
            return Response::html(signInNotice());
        const PageContext ctx = pageContext();
        QString rows;
        for (const Sale &s : m_seller.sales) {
            if (!sameUser(s.seller, seller))
                continue;
            rows += QStringLiteral("<tr><td><input type=\"checkbox\" name=\"LineID\" value=\"") + s.item
                + QStringLiteral("\"></td><td>") + htmlEscape(s.title) + QStringLiteral(" (#") + s.item
                + QStringLiteral(")</td><td>") + htmlEscape(s.buyer) + QStringLiteral("</td><td><a href=\"") + ctx.httpBase
                + QStringLiteral("/ws/eBayISAPI.dll?ViewPaymentStatus&amp;transId=") + s.transactionId
                + QStringLiteral("&amp;itemId=") + s.item + QStringLiteral("\">View payment status</a></td></tr>\r\n");
        }
        return Response::html(page(QStringLiteral("My eBay: Sold"), QStringLiteral("<h1>Sold</h1>\r\n<table>\r\n") + rows
                                                                        + QStringLiteral("</table>")));
    });

    // A sale's payment status with the buyer's shipping address.
    m_routes.add(QStringLiteral("payments"), kIsapi, QStringLiteral("ViewPaymentStatus"), Scheme::Any, [this](const Request &r) {
        const QString seller = sessionUser(r);
        if (seller.isEmpty())
            return Response::html(signInNotice());
        const QString transaction = r.param(QStringLiteral("transId"));
        for (const Sale &s : m_seller.sales) {
            if (!sameUser(s.seller, seller) || s.transactionId != transaction)
                continue;
            QString body = QStringLiteral("<h1>Payment status</h1>\r\n");
            if (!s.address.isEmpty()) {
                body += QStringLiteral("<h2>Shipping details</h2><div id=\"addrrow\">");
                QStringList lines;
                for (const QString &line : s.address)
                    lines << htmlEscape(line);
                body += lines.join(QStringLiteral("</div><div id=\"addrrow\">")) + QStringLiteral("</div>\r\n");
            }
            body += QStringLiteral("<h2>Order details</h2><p>") + htmlEscape(s.title) + QStringLiteral("</p>");
            return Response::html(page(QStringLiteral("Payment status"), body));
        }
        return Response::html(page(QStringLiteral("Payment status"), QStringLiteral("<p>No such transaction.</p>")));
    });
}

Response SimServer::sellerControl(const Request &request, const QStringList &parts, const QJsonObject &body)
{
    const QString what = parts.value(1);
    if (request.method == QLatin1String("DELETE") && what.isEmpty()) {
        m_seller.clear();
    } else if (request.method == QLatin1String("POST")) {
        const QDateTime at = now().addSecs(-qint64(body.value(QLatin1String("daysAgo")).toDouble(0) * 86400));
        if (what == QLatin1String("received")) {
            ReceivedFeedback f;
            f.seller = body.value(QLatin1String("seller")).toString();
            f.buyer = body.value(QLatin1String("buyer")).toString();
            f.item = body.value(QLatin1String("item")).toString();
            f.rating = body.value(QLatin1String("rating")).toString(f.rating);
            f.comment = body.value(QLatin1String("comment")).toString(f.comment);
            f.when = at;
            m_seller.received << f;
        } else if (what == QLatin1String("left")) {
            LeftFeedback f;
            f.from = body.value(QLatin1String("from")).toString();
            f.to = body.value(QLatin1String("to")).toString();
            f.item = body.value(QLatin1String("item")).toString();
            f.comment = body.value(QLatin1String("comment")).toString();
            f.when = at;
            m_seller.left << f;
        } else if (what == QLatin1String("sales")) {
            Sale s;
            s.seller = body.value(QLatin1String("seller")).toString();
            s.buyer = body.value(QLatin1String("buyer")).toString();
            s.item = body.value(QLatin1String("item")).toString();
            s.title = body.value(QLatin1String("title")).toString();
            s.transactionId = body.value(QLatin1String("transactionId")).toString(QStringLiteral("T") + s.item);
            for (const QJsonValue &line : body.value(QLatin1String("address")).toArray())
                s.address << line.toString();
            m_seller.sales << s;
        } else {
            return Response::jsonError(QStringLiteral("unknown control path ") + request.path, 404);
        }
    } else if (request.method != QLatin1String("GET") || !what.isEmpty()) {
        return Response::jsonError(QStringLiteral("method not allowed"), 405);
    }
    QJsonArray received, left, sales;
    for (const ReceivedFeedback &f : m_seller.received)
        received.append(toJson(f));
    for (const LeftFeedback &f : m_seller.left)
        left.append(toJson(f));
    for (const Sale &s : m_seller.sales)
        sales.append(toJson(s));
    return Response::json(QJsonDocument(QJsonObject{
        {QStringLiteral("received"), received}, {QStringLiteral("left"), left}, {QStringLiteral("sales"), sales}}));
}

} // namespace Sim
