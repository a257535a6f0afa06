// The seller's relisting pages: the sign-in page, the similar-item page (with
// the catalog page in front of it when asked), the create, review and
// confirmation pages. A confirmation counts one relist and names a new item
// number; the similar-item and later pages want a signed-in session.
//
//   GET    /_sim/selling   {"relists": n, "lastNewItem": text, "catalog": bool, "failStep": text}
//   POST   /_sim/selling   {"catalog": bool, "failStep": text}; failStep makes that step's page
//                          one the robot does not recognise ("" for none)
//   DELETE /_sim/selling   back to no relists, no catalog, no failing step
#include "sim/core/simserver.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace Sim {

namespace {

const QString kIsapi = QStringLiteral("/ws/eBayISAPI.dll");
const QString kIsapi2 = QStringLiteral("/ws2/eBayISAPI.dll");

QString sellPage(const QString &title, const QString &body)
{
    return QStringLiteral("<!DOCTYPE html>\r\n<html><head><title>") + title
        + QStringLiteral("</title></head>\r\n<body>\r\n") + body + QStringLiteral("\r\n</body></html>\r\n");
}

QString unrecognised()
{
    return sellPage(QStringLiteral("eBay"), QStringLiteral("<p>We are unable to process your request right now.</p>"));
}

} // namespace

void SimServer::addSellingRoutes()
{
    // eBay's sign-in page, for every window that signs in through its
    // browser (the sign-out has its own route on "/ws2/").
    m_routes.add(QStringLiteral("signin"), kIsapi, QStringLiteral("SignIn"), Scheme::Any, [this](const Request &) {
        if (m_selling.failStep == QLatin1String("signin"))
            return Response::html(unrecognised());
        return Response::html(Pages::signInPage());
    });

    const auto signedIn = [this](const Request &r) { return !sessionUser(r).isEmpty(); };
    const auto mustSignIn = [] {
        return Response::html(sellPage(QStringLiteral("Sign in | eBay"), QStringLiteral("<p>Please sign in first.</p>")));
    };

    m_routes.add(QStringLiteral("relist"), kIsapi2, QStringLiteral("SellSimilarItem"), Scheme::Any,
                 [this, signedIn, mustSignIn](const Request &r) {
        if (!signedIn(r))
            return mustSignIn();
        const QString item = r.param(QStringLiteral("item"));
        if (m_selling.catalog && r.param(QStringLiteral("nocatalog")).isEmpty())
            return Response::html(sellPage(
                QStringLiteral("Sell your item"),
                QStringLiteral("<p>Find your product in our catalog.</p><a href=\"/ws2/eBayISAPI.dll?SellSimilarItem&amp;item=")
                    + item + QStringLiteral("&amp;nocatalog=1\">Continue listing without using our catalog</a>")));
        if (m_selling.failStep == QLatin1String("similar"))
            return Response::html(unrecognised());
        const QString create = m_selling.failStep == QLatin1String("create") ? QStringLiteral("Listing form")
                                                                             : QStringLiteral("Create your listing");
        return Response::html(sellPage(
            QStringLiteral("Sell your item"),
            QStringLiteral("<h1>") + create + QStringLiteral("</h1><p>Relisting a similar item.</p><a id=\"aidZ1_btnLbl\" href=\"")
                + kIsapi2 + QStringLiteral("?SellReview&amp;item=") + item + QStringLiteral("\">Continue</a>")));
    });

    m_routes.add(QStringLiteral("relist"), kIsapi2, QStringLiteral("SellReview"), Scheme::Any,
                 [this, signedIn, mustSignIn](const Request &r) {
        if (!signedIn(r))
            return mustSignIn();
        const QString heading = m_selling.failStep == QLatin1String("review") ? QStringLiteral("Check your listing")
                                                                            : QStringLiteral("Review your listing");
        return Response::html(sellPage(
            QStringLiteral("Review your listing"),
            QStringLiteral("<h1>") + heading + QStringLiteral("</h1><input type=\"checkbox\" id=\"aidZ18\"> Agree "
                                                               "<a id=\"aidZ126\" href=\"")
                + kIsapi2 + QStringLiteral("?SellConfirm&amp;item=") + r.param(QStringLiteral("item"))
                + QStringLiteral("\">List your item</a>")));
    });

    m_routes.add(QStringLiteral("relist"), kIsapi2, QStringLiteral("SellConfirm"), Scheme::Any,
                 [this, signedIn, mustSignIn](const Request &r) {
        if (!signedIn(r))
            return mustSignIn();
        if (m_selling.failStep == QLatin1String("confirm"))
            return Response::html(unrecognised());
        ++m_selling.relists;
        m_selling.lastNewItem = QString::number(m_selling.nextItemNumber++);
        return Response::html(sellPage(
            QStringLiteral("Your item has been listed"),
            QStringLiteral("<p>Congratulations! Your item has been listed.</p><a href=\"")
                + pageContext().httpBase + kIsapi + QStringLiteral("?ViewItem&amp;item=") + m_selling.lastNewItem
                + QStringLiteral("&amp;ssPageName=sell\">View your listing</a>")));
    });
}

Response SimServer::sellingControl(const Request &request, const QJsonObject &body)
{
    if (request.method == QLatin1String("DELETE")) {
        m_selling.reset();
    } else if (request.method != QLatin1String("GET")) {
        if (body.contains(QLatin1String("catalog")))
            m_selling.catalog = body.value(QLatin1String("catalog")).toBool();
        if (body.contains(QLatin1String("failStep")))
            m_selling.failStep = body.value(QLatin1String("failStep")).toString();
    }
    return Response::json(QJsonDocument(QJsonObject{{QStringLiteral("relists"), m_selling.relists},
                                                    {QStringLiteral("lastNewItem"), m_selling.lastNewItem},
                                                    {QStringLiteral("catalog"), m_selling.catalog},
                                                    {QStringLiteral("failStep"), m_selling.failStep}}));
}

} // namespace Sim
