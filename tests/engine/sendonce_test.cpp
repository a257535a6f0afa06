// The fetch that reaches the server at most once: whole replies in every
// framing, cookies both ways, redirects, and a dropped connection or a
// silent server reported without a second request.
#include "engine/sendonce.h"
#include "platform/network.h"
#include "tests/support/vbtest.h"

#include <gtest/gtest.h>

#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

namespace {

// A server that answers each request with raw bytes; an empty answer closes
// the connection without one, nullopt leaves it silent.
class RawServer
{
public:
    using Answer = std::function<std::optional<QByteArray>(const QByteArray &request)>;

    explicit RawServer(Answer answer) : m_answer(std::move(answer))
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                socket->setParent(&m_server);
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    QByteArray data = socket->property("in").toByteArray() + socket->readAll();
                    socket->setProperty("in", data);
                    if (!data.contains("\r\n\r\n"))
                        return;
                    requests << data;
                    const std::optional<QByteArray> out = m_answer(data);
                    if (!out)
                        return;
                    socket->write(*out);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QString url(const QString &target) const
    {
        return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()) + target;
    }

    QList<QByteArray> requests;

private:
    QTcpServer m_server;
    Answer m_answer;
};

} // namespace

TEST(SendOnce, ReadsLengthChunkedAndClosedBodiesAsPageText)
{
    QList<QByteArray> answers = {
        "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello and more",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nWiki\r\n6;x=1\r\npedia \r\n3\r\n\xe9t\xe9\r\n0\r\n\r\n",
        "HTTP/1.0 404 Not Found\r\n\r\n<p>gone</p>",
    };
    RawServer server([&](const QByteArray &) { return std::optional<QByteArray>(answers.takeFirst()); });
    EXPECT_EQ(SendOnce::Get(server.url(QStringLiteral("/a?x=%20y&z=1")), 5), QStringLiteral("hello"));
    EXPECT_TRUE(server.requests[0].startsWith("GET /a?x=%20y&z=1 HTTP/1.1\r\n"));
    EXPECT_TRUE(server.requests[0].contains("\r\nConnection: close\r\n"));
    EXPECT_EQ(SendOnce::Get(server.url(QStringLiteral("/b")), 5), QStringLiteral("Wikipedia \u00e9t\u00e9"));
    EXPECT_EQ(SendOnce::Get(server.url(QStringLiteral("/c")), 5), QStringLiteral("<p>gone</p>")) << "an error status still has its page";
}

TEST(SendOnce, SharesTheCookieJarAndFollowsRedirects)
{
    RawServer server([](const QByteArray &request) -> std::optional<QByteArray> {
        if (request.startsWith("GET /buy "))
            return QByteArray("HTTP/1.1 302 Found\r\nSet-Cookie: done=1; path=/\r\nLocation: /thanks\r\nContent-Length: 0\r\n\r\n");
        return QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nthanks");
    });
    const QUrl base(server.url(QStringLiteral("/")));
    Network::manager().cookieJar()->setCookiesFromUrl({QNetworkCookie("session", "abc")}, base);
    EXPECT_EQ(SendOnce::Get(server.url(QStringLiteral("/buy")), 5), QStringLiteral("thanks"));
    ASSERT_EQ(server.requests.size(), 2);
    EXPECT_TRUE(server.requests[0].contains("\r\nCookie: session=abc\r\n"));
    EXPECT_TRUE(server.requests[1].startsWith("GET /thanks "));
    EXPECT_TRUE(server.requests[1].contains("done=1"));
}

TEST(SendOnce, ADroppedConnectionOrASilentServerIsAnErrorAfterOneRequest)
{
    RawServer dropping([](const QByteArray &) { return std::optional<QByteArray>(QByteArray()); });
    EXPECT_EQ(VbErrorOf([&] { SendOnce::Get(dropping.url(QStringLiteral("/buy")), 5); }), VbErr::InetCannotConnect);
    EXPECT_EQ(dropping.requests.size(), 1);

    RawServer silent([](const QByteArray &) { return std::optional<QByteArray>(); });
    EXPECT_EQ(VbErrorOf([&] { SendOnce::Get(silent.url(QStringLiteral("/buy")), 1); }), VbErr::InetTimeout);
    EXPECT_EQ(silent.requests.size(), 1);

    EXPECT_EQ(VbErrorOf([] { SendOnce::Get(QStringLiteral("not a url"), 1); }), VbErr::InetRequestFailed);
}
