// Replies past their size limit: a page that never ends, in each framing a
// server may choose, fails as a transfer error as soon as it passes the
// limit, while timers keep their pace; a caller that needs more asks for it.
#include "platform/inet.h"
#include "platform/numberederror.h"

#include "tests/support/tinyhttp.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <optional>

namespace {

// Answers every request with `head` and then filler without end, as fast as
// the client reads (only what the socket passed on is made again).
class EndlessServer final : public QObject
{
public:
    EndlessServer(QByteArray head, bool chunked) : m_head(std::move(head))
    {
        QByteArray filler;
        while (filler.size() < 64 * 1024)
            filler += "<td>more</td>";
        m_piece = chunked ? QByteArray::number(filler.size(), 16) + "\r\n" + filler + "\r\n" : filler;
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    socket->readAll();
                    if (socket->property("answered").toBool())
                        return;
                    socket->setProperty("answered", true);
                    socket->write(m_head);
                    topUp(socket);
                });
                connect(socket, &QTcpSocket::bytesWritten, socket, [this, socket] { topUp(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/item").arg(m_server.serverPort()); }

private:
    void topUp(QTcpSocket *socket)
    {
        while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 4 * m_piece.size())
            socket->write(m_piece);
    }

    QTcpServer m_server;
    QByteArray m_head;
    QByteArray m_piece;
};

struct Outcome
{
    std::optional<NumberedError> error;
    qint64 tookMs = 0;
    qint64 longestGapMs = 0; // between two ticks of a 10 ms timer
};

Outcome Fetch(Inet &inet, const QString &url, qsizetype limit = Inet::PageReplyBytes)
{
    Outcome out;
    QElapsedTimer took, sinceTick;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        out.longestGapMs = std::max(out.longestGapMs, sinceTick.restart());
    });
    took.start();
    sinceTick.start();
    ticker.start();
    try {
        inet.OpenURL(url, limit);
    } catch (const NumberedError &e) {
        out.error = e;
    }
    out.tookMs = took.elapsed();
    return out;
}

} // namespace

TEST(InetReplyLimit, AnEndlessPageFailsAtItsLimitWhileTimersKeepTheirPace)
{
    const struct
    {
        const char *name;
        QByteArray head;
        bool chunked;
    } kinds[] = {
        {"no stated length", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n<html>", false},
        {"a huge stated length", "HTTP/1.1 200 OK\r\nContent-Length: 1099511627776\r\n\r\n<html>", false},
        {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", true},
    };
    for (const auto &kind : kinds) {
        SCOPED_TRACE(kind.name);
        EndlessServer server(kind.head, kind.chunked);
        Inet inet;
        inet.RequestTimeout = 30;
        const Outcome out = Fetch(inet, server.url());
        ASSERT_TRUE(out.error.has_value());
        EXPECT_EQ(out.error->number(), ErrorNumber::InetRequestFailed);
        EXPECT_TRUE(out.error->description().contains(QLatin1String("larger than"))) << out.error->description().toStdString();
        EXPECT_LT(out.tookMs, 10000) << "failed at the limit, not at the time-out";
        EXPECT_LT(out.longestGapMs, 1000);
        EXPECT_FALSE(inet.StillExecuting());
    }
}

TEST(InetReplyLimit, APageUpToItsLimitIsWholeAndACallerMayAskForMore)
{
    const QByteArray big(6 * 1024 * 1024, 'x');
    TinyHttp server([&](const TinyHttp::Request &r) {
        TinyHttp::Reply reply;
        reply.body = r.target == "/big" ? big : QByteArray(Inet::PageReplyBytes, 'p');
        return reply;
    });
    Inet inet;
    EXPECT_EQ(inet.OpenURL(server.url("/page")).size(), Inet::PageReplyBytes);
    const Outcome refused = Fetch(inet, server.url("/big"));
    ASSERT_TRUE(refused.error.has_value());
    EXPECT_EQ(refused.error->number(), ErrorNumber::InetRequestFailed);
    EXPECT_EQ(inet.OpenURL(server.url("/big"), 16 * 1024 * 1024).size(), big.size());
}
