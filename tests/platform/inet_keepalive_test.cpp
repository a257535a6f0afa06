// The transfer control keeps a connection open between requests to one
// server, and still sends each request at most once: a reset of a kept
// connection fails that request, a connection the server closed while idle
// is not used again.
#include "platform/inet.h"

#include "tests/support/testtext.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <sys/socket.h>

namespace {

// Answers each request on the connection it came on and keeps the
// connection open; the request numbered `resetAt` (1-based) is answered with
// a reset instead.
class KeepAliveServer final : public QObject
{
public:
    KeepAliveServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                ++connections;
                socket->setParent(this);
                m_open << socket;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            }
        });
    }
    QString url(const char *path) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(QLatin1String(path)); }
    // Closes every open connection in the orderly way, as an idle time-out does.
    void closeIdle()
    {
        for (QTcpSocket *s : std::as_const(m_open))
            if (s)
                s->disconnectFromHost();
    }

    int connections = 0;
    QList<QByteArray> targets;
    int resetAt = 0;

private:
    void serve(QTcpSocket *socket)
    {
        QByteArray data = socket->property("pending").toByteArray() + socket->readAll();
        for (qsizetype end; (end = data.indexOf("\r\n\r\n")) >= 0; data = data.mid(end + 4)) {
            targets << data.left(data.indexOf("\r\n")).split(' ').value(1);
            if (targets.size() == resetAt) {
                const linger now{1, 0};
                ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
                socket->abort();
                return;
            }
            const QByteArray body = "page " + targets.last();
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        }
        socket->setProperty("pending", data);
    }

    QTcpServer m_server;
    QList<QPointer<QTcpSocket>> m_open;
};

} // namespace

TEST(InetKeptConnection, ReusedForARunOfPagesAndNeverSendsAResetRequestAgain)
{
    KeepAliveServer server;
    Inet a, b;
    EXPECT_EQ(a.OpenURL(server.url("/1")), "page /1");
    EXPECT_EQ(b.OpenURL(server.url("/2")), "page /2");
    EXPECT_EQ(a.OpenURL(server.url("/3")), "page /3");
    EXPECT_EQ(server.connections, 1) << "one connection carries the run";

    // The server resets the kept connection instead of answering: that one
    // request fails, and reached the server once.
    server.resetAt = 4;
    EXPECT_EQ(ErrorNumberOf([&] { a.OpenURL(server.url("/4")); }), ErrorNumber::InetCannotConnect);
    QTest::qWait(100);
    EXPECT_EQ(server.targets.count("/4"), 1);
    EXPECT_EQ(server.targets.size(), 4);

    // The next request goes on a new connection and is answered.
    EXPECT_EQ(a.OpenURL(server.url("/5")), "page /5");
    EXPECT_EQ(server.connections, 2);
}

TEST(InetKeptConnection, AConnectionTheServerClosedWhileIdleIsNotUsedAgain)
{
    KeepAliveServer server;
    Inet inet;
    EXPECT_EQ(inet.OpenURL(server.url("/1")), "page /1");
    // Closed just before the next request, before this side has heard of it.
    server.closeIdle();
    EXPECT_EQ(inet.OpenURL(server.url("/2")), "page /2");
    EXPECT_EQ(server.connections, 2);
    EXPECT_EQ(server.targets, (QList<QByteArray>{"/1", "/2"}));
}
