// The vendor's update information, "/?app=tallow&action=getinf": a plain-text
// body of tag lines that the tests choose.
//
//   GET    /_sim/update                 {"reply": text}
//   POST   /_sim/update                 {"reply": text}; "" answers with an empty body
//   DELETE /_sim/update                 back to the default reply
#include "sim/core/simserver.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace Sim {

QString SimServer::defaultUpdateReply()
{
    // Revision 0: no release newer than any running program.
    return QStringLiteral("<version>\r\n0\r\n<notes>\r\n</notes>\r\n<critical>\r\nFalse");
}

void SimServer::addUpdateRoutes()
{
    Route route;
    route.role = QStringLiteral("vendor");
    route.path = QStringLiteral("/");
    route.when = [](const Request &r) {
        return r.param(QStringLiteral("app")) == QLatin1String("tallow")
            && r.param(QStringLiteral("action")) == QLatin1String("getinf");
    };
    route.handler = [this](const Request &) {
        Response response;
        response.contentType = "text/plain; charset=windows-1252";
        response.body = m_updateReply.toLatin1();
        return response;
    };
    m_routes.add(route);
}

Response SimServer::updateControl(const Request &request, const QJsonObject &body)
{
    const QString &method = request.method;
    if (method == QLatin1String("DELETE")) {
        m_updateReply = defaultUpdateReply();
    } else if (method != QLatin1String("GET")) {
        const QJsonValue reply = body.value(QLatin1String("reply"));
        if (!reply.isString())
            return Response::jsonError(QStringLiteral("\"reply\" (text) is required"));
        m_updateReply = reply.toString();
    }
    return Response::json(QJsonDocument(QJsonObject{{QStringLiteral("reply"), m_updateReply}}));
}

} // namespace Sim
