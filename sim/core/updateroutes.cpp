// The vendor's update information, "/?app=tallow&action=getinf": a plain-text
// body of tag lines that the tests choose; and the release archive that such
// a reply may name for download. Both are served over HTTPS on the vendor's
// secure host only. Releases are signed with the simulator's test key
// (sim/testkey), which only the updater built for tests trusts.
//
//   GET    /_sim/update                 {"reply": text, "release": path, "sha256": hex}
//   POST   /_sim/update                 {"reply": text, "archive": base64}, both optional;
//                                       a "reply" of "" answers with an empty body
//   DELETE /_sim/update                 back to the default reply, no archive
#include "sim/core/simserver.h"
#include "updater/releasesignature.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>

namespace Sim {

QString SimServer::defaultUpdateReply()
{
    // Revision 0: no release newer than any running program.
    return QStringLiteral("<version>\r\n0\r\n<notes>\r\n</notes>\r\n<critical>\r\nFalse");
}

QString SimServer::releaseSha256() const
{
    return QString::fromLatin1(QCryptographicHash::hash(m_releaseArchive, QCryptographicHash::Sha256).toHex());
}

QString SimServer::releaseInfoLines(int version) const
{
    const QByteArray sha = releaseSha256().toLatin1();
    const QByteArray statement = ReleaseSignature::Statement(version, m_releaseArchive.size(), sha);
    const QByteArray key = QByteArray::fromBase64(QByteArrayLiteral(SIM_RELEASE_TEST_KEY_DER));
    return QStringLiteral("<version>\r\n%1\r\n<download>\r\n%2\r\n<size>\r\n%3\r\n<sha256>\r\n%4\r\n<signature>\r\n%5")
        .arg(version)
        .arg(releasePath())
        .arg(m_releaseArchive.size())
        .arg(QString::fromLatin1(sha), QString::fromLatin1(ReleaseSignature::Sign(statement, key).toBase64()));
}

QByteArray SimServer::releasePublicKey()
{
    return QByteArray::fromBase64(QByteArrayLiteral(SIM_RELEASE_TEST_PUBKEY_DER));
}

void SimServer::addUpdateRoutes()
{
    Route route;
    route.role = QStringLiteral("vendorsecure");
    route.scheme = Scheme::Https;
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

    m_routes.add(QStringLiteral("vendorsecure"), releasePath(), QString(), Scheme::Https, [this](const Request &) {
        if (m_releaseArchive.isEmpty())
            return Response::html(QStringLiteral("<html><body>Not found</body></html>"), 404);
        Response response;
        response.contentType = "application/x-tar";
        response.body = m_releaseArchive;
        return response;
    });
}

Response SimServer::updateControl(const Request &request, const QJsonObject &body)
{
    const QString &method = request.method;
    if (method == QLatin1String("DELETE")) {
        m_updateReply = defaultUpdateReply();
        m_releaseArchive.clear();
    } else if (method != QLatin1String("GET")) {
        const QJsonValue reply = body.value(QLatin1String("reply"));
        const QJsonValue archive = body.value(QLatin1String("archive"));
        if ((!reply.isUndefined() && !reply.isString()) || (!archive.isUndefined() && !archive.isString())
            || (reply.isUndefined() && archive.isUndefined()))
            return Response::jsonError(QStringLiteral("\"reply\" (text) or \"archive\" (base64) is required"));
        if (reply.isString())
            m_updateReply = reply.toString();
        if (archive.isString())
            m_releaseArchive = QByteArray::fromBase64(archive.toString().toLatin1());
    }
    return Response::json(QJsonDocument(QJsonObject{{QStringLiteral("reply"), m_updateReply},
                                                    {QStringLiteral("release"), releasePath()},
                                                    {QStringLiteral("sha256"), releaseSha256()}}));
}

} // namespace Sim
