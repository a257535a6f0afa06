// The My eBay watching list: one page of up to 200 items for the signed-in
// user, and the control path that chooses each user's watched items:
//
//   GET    /_sim/watching               {"user": [items], ...}
//   POST   /_sim/watching               {"user", "items": [numbers]}: that user's list
//   DELETE /_sim/watching               every list empty
#include "sim/core/simserver.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace Sim {

namespace {

constexpr int kItemsPerPage = 200;

QString watchingPage(const QString &user, const QStringList &numbers, const ItemStore &items, const QString &itemBase)
{
    QString rows;
    for (const QString &number : numbers.mid(0, kItemsPerPage)) {
        const SimItem *item = items.find(number);
        const QString title = htmlEscape(item ? item->title : QStringLiteral("Item ") + number);
        const QString link = itemBase + QStringLiteral("/itm/") + htmlEscape(number);
        // A picture link and a title link per row, as the real list has.
        rows += QStringLiteral("<tr><td><input type=\"checkbox\" name=\"LineID\" value=\"%1\"></td>"
                               "<td><a href=\"%2?pt=LH_DefaultDomain_0&amp;hash=item\"><img src=\"/pics/%1.gif\" "
                               "alt=\"\"></a></td><td><a href=\"%2?pt=LH_DefaultDomain_0\">%3</a></td></tr>\n")
                    .arg(htmlEscape(number), link, title);
    }
    // A link with a title path before the number: not an item of the list.
    const QString related = itemBase + QStringLiteral("/itm/Related-Item-You-May-Like/1100000000001?hash=related");
    return QStringLiteral("<html><head><title>My eBay: Watching</title></head><body>"
                          "<div id=\"gh-uid\">Hi, <b>%1</b>!</div><h2>Watching (%2)</h2>"
                          "<table id=\"watching\">\n%3</table><p>You may also like: <a href=\"%4\">a related item</a></p>"
                          "</body></html>")
        .arg(htmlEscape(user))
        .arg(numbers.size())
        .arg(rows, related);
}

QString signInRequiredPage()
{
    return QStringLiteral("<html><head><title>Sign in</title></head><body><p>Please sign in to see your watching "
                          "list.</p></body></html>");
}

} // namespace

void SimServer::setWatching(const QString &user, const QStringList &items)
{
    m_watching.insert(user.toLower(), items);
}

QStringList SimServer::watching(const QString &user) const
{
    return m_watching.value(user.toLower());
}

void SimServer::addWatchingRoutes()
{
    Route route;
    route.role = QStringLiteral("myebay");
    route.path = QStringLiteral("/ws/eBayISAPI.dll");
    route.command = QStringLiteral("MyEbayBeta");
    route.when = [](const Request &r) {
        return r.param(QStringLiteral("CurrentPage")).compare(QLatin1String("MyeBayNextWatching"), Qt::CaseInsensitive) == 0;
    };
    route.handler = [this](const Request &r) {
        const QString user = sessionUser(r);
        if (user.isEmpty())
            return Response::html(signInRequiredPage());
        return Response::html(watchingPage(user, watching(user), m_items, pageContext().httpBase));
    };
    m_routes.add(route);
}

Response SimServer::watchingControl(const Request &request, const QJsonObject &body)
{
    if (request.method == QLatin1String("DELETE")) {
        m_watching.clear();
    } else if (request.method != QLatin1String("GET")) {
        const QString user = body.value(QLatin1String("user")).toString();
        if (user.isEmpty() || !body.value(QLatin1String("items")).isArray())
            return Response::jsonError(QStringLiteral("\"user\" and \"items\" (list of numbers) are required"));
        QStringList items;
        for (const QJsonValue &v : body.value(QLatin1String("items")).toArray())
            items << (v.isString() ? v.toString() : QString::number(v.toDouble(), 'f', 0));
        setWatching(user, items);
    }
    QJsonObject lists;
    for (auto it = m_watching.cbegin(); it != m_watching.cend(); ++it)
        lists.insert(it.key(), QJsonArray::fromStringList(it.value()));
    return Response::json(QJsonDocument(lists));
}

} // namespace Sim
