#include "engine/sendonce.h"

#include "platform/ansi.h"
#include "platform/network.h"
#include "platform/numberederror.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QSslSocket>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace SendOnce {

namespace {

constexpr int kMaxRedirects = 5;

struct Reply
{
    int status = 0;
    QList<QPair<QByteArray, QByteArray>> headers; // names lower-cased
    QByteArray body;

    QByteArray header(const QByteArray &name) const
    {
        for (const auto &h : headers)
            if (h.first == name)
                return h.second;
        return {};
    }
};

// Splits what arrived into status, headers and body; false while the reply
// is not complete. `closed` says the server has closed the connection, which
// ends a body of unstated length.
bool Parse(const QByteArray &data, bool closed, Reply *reply)
{
    const qsizetype headEnd = data.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return false;
    const QList<QByteArray> lines = data.left(headEnd).split('\n');
    const QList<QByteArray> statusLine = lines.value(0).trimmed().split(' ');
    if (statusLine.size() < 2 || !statusLine[0].startsWith("HTTP/"))
        return false;
    reply->status = statusLine[1].toInt();
    reply->headers.clear();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            reply->headers.append({lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed()});
    }
    const QByteArray rest = data.mid(headEnd + 4);

    if (reply->header("transfer-encoding").toLower().contains("chunked")) {
        QByteArray body;
        qsizetype at = 0;
        for (;;) {
            const qsizetype lineEnd = rest.indexOf("\r\n", at);
            if (lineEnd < 0)
                return false;
            bool ok = false;
            const qsizetype size = rest.mid(at, lineEnd - at).split(';').value(0).trimmed().toLongLong(&ok, 16);
            if (!ok)
                return closed;
            if (size == 0) {
                reply->body = body;
                return true;
            }
            if (rest.size() < lineEnd + 2 + size + 2)
                return false;
            body += rest.mid(lineEnd + 2, size);
            at = lineEnd + 2 + size + 2;
        }
    }
    const QByteArray length = reply->header("content-length");
    if (!length.isEmpty()) {
        const qsizetype wanted = length.toLongLong();
        if (rest.size() < wanted)
            return false;
        reply->body = rest.left(wanted);
        return true;
    }
    if (reply->status == 204 || reply->status == 304 || (reply->status >= 100 && reply->status < 200)) {
        reply->body.clear();
        return true;
    }
    reply->body = rest;
    return closed;
}

Reply Fetch(const QUrl &target, int timeoutSeconds)
{
    const bool https = target.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    std::unique_ptr<QTcpSocket> socket(https ? new QSslSocket : new QTcpSocket);
    const int port = target.port(https ? 443 : 80);

    QByteArray path = target.path(QUrl::FullyEncoded).toLatin1();
    if (path.isEmpty())
        path = "/";
    if (target.hasQuery())
        path += '?' + target.query(QUrl::FullyEncoded).toLatin1();
    QByteArray request = "GET " + path + " HTTP/1.1\r\nHost: " + target.host(QUrl::FullyEncoded).toLatin1();
    if (port != (https ? 443 : 80))
        request += ':' + QByteArray::number(port);
    request += "\r\nUser-Agent: Mozilla/4.0 (compatible; Tallowmere)\r\nAccept: */*\r\n";
    QNetworkCookieJar *jar = Network::manager().cookieJar();
    QByteArray cookies;
    for (const QNetworkCookie &c : jar->cookiesForUrl(target))
        cookies += (cookies.isEmpty() ? "" : "; ") + c.toRawForm(QNetworkCookie::NameAndValueOnly);
    if (!cookies.isEmpty())
        request += "Cookie: " + cookies + "\r\n";
    request += "Connection: close\r\n\r\n";

    QByteArray data;
    Reply reply;
    bool complete = false;
    bool closed = false;
    bool timedOut = false;
    QString socketError;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    auto readMore = [&] {
        data += socket->readAll();
        if (Parse(data, closed, &reply)) {
            complete = true;
            loop.quit();
        }
    };
    QObject::connect(socket.get(), &QTcpSocket::readyRead, &loop, readMore);
    QObject::connect(socket.get(), &QTcpSocket::disconnected, &loop, [&] {
        closed = true;
        readMore();
        loop.quit();
    });
    QObject::connect(socket.get(), &QAbstractSocket::errorOccurred, &loop, [&](QAbstractSocket::SocketError e) {
        if (e == QAbstractSocket::RemoteHostClosedError) {
            closed = true;
            readMore();
        } else {
            socketError = socket->errorString();
        }
        loop.quit();
    });
    if (https) {
        auto *ssl = static_cast<QSslSocket *>(socket.get());
        QObject::connect(ssl, &QSslSocket::encrypted, &loop, [&] { socket->write(request); });
        ssl->connectToHostEncrypted(target.host(), quint16(port));
    } else {
        QObject::connect(socket.get(), &QTcpSocket::connected, &loop, [&] { socket->write(request); });
        socket->connectToHost(target.host(), quint16(port));
    }
    timeout.start(std::max(1, timeoutSeconds) * 1000);
    while (!complete && !closed && !timedOut && socketError.isEmpty())
        loop.exec(QEventLoop::AllEvents);
    timeout.stop();
    socket->disconnect();
    socket->abort();

    if (complete)
        return reply;
    if (timedOut)
        throw NumberedError(ErrorNumber::InetTimeout, QStringLiteral("The request timed out"), QStringLiteral("Inet"));
    if (!socketError.isEmpty())
        throw NumberedError(https && socketError.contains(QLatin1String("SSL"), Qt::CaseInsensitive) ? ErrorNumber::InetSslError
                                                                                               : ErrorNumber::InetCannotConnect,
                      QStringLiteral("Cannot connect to server: ") + socketError, QStringLiteral("Inet"));
    throw NumberedError(ErrorNumber::InetCannotConnect, QStringLiteral("Cannot connect to server: the connection was closed before the reply"),
                  QStringLiteral("Inet"));
}

} // namespace

QString Get(const QString &url, int timeoutSeconds)
{
    QUrl target(url, QUrl::TolerantMode);
    for (int hop = 0;; ++hop) {
        if (!target.isValid() || target.host().isEmpty())
            throw NumberedError(ErrorNumber::InetRequestFailed, QStringLiteral("The URL is malformed: ") + url, QStringLiteral("Inet"));
        const Reply reply = Fetch(target, timeoutSeconds);
        QNetworkCookieJar *jar = Network::manager().cookieJar();
        for (const auto &h : reply.headers)
            if (h.first == "set-cookie")
                jar->setCookiesFromUrl(QNetworkCookie::parseCookies(h.second), target);
        const QByteArray location = reply.header("location");
        if (reply.status >= 300 && reply.status < 400 && !location.isEmpty() && hop < kMaxRedirects) {
            target = target.resolved(QUrl(QString::fromLatin1(location), QUrl::TolerantMode));
            continue;
        }
        return Ansi::decode(reply.body);
    }
}

} // namespace SendOnce
