// Hostile peers: every answer no client can take fails well before the
// time-out, a head dripped to hold the request open included, while timers
// keep firing; a slow answer that is not dripped is still read; a peer
// flooding cookies leaves the cookie jar, and the time it takes, bounded.
#include "platform/cookiejar.h"
#include "platform/inet.h"
#include "platform/network.h"
#include "platform/numberederror.h"

#include "tests/support/hostilehttp.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <optional>

namespace {

struct Outcome
{
    std::optional<NumberedError> error;
    qint64 tookMs = 0;
    qint64 longestGapMs = 0; // between two ticks of a 10 ms timer
};

Outcome Fetch(Inet &inet, const QString &url)
{
    Outcome out;
    QElapsedTimer took, sinceTick;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] { out.longestGapMs = std::max(out.longestGapMs, sinceTick.restart()); });
    took.start();
    sinceTick.start();
    ticker.start();
    try {
        inet.OpenURL(url);
    } catch (const NumberedError &e) {
        out.error = e;
    }
    out.tookMs = took.elapsed();
    return out;
}

// Names of the flood's cookies the jar would send to `url`.
QStringList FloodCookies(const QUrl &url)
{
    QStringList names;
    for (const QNetworkCookie &c : Network::manager().cookieJar()->cookiesForUrl(url))
        if (c.name().startsWith("flood"))
            names << QString::fromLatin1(c.name());
    return names;
}

} // namespace

TEST(InetHostilePeers, EveryAnswerNoClientCanTakeFailsLongBeforeTheTimeOut)
{
    for (const HostileHttp::Kind kind : HostileHttp::Failing()) {
        SCOPED_TRACE(HostileHttp::Name(kind).constData());
        HostileHttp server([kind](const QByteArray &) { return kind; });
        Inet inet;
        inet.RequestTimeout = 30;
        const Outcome out = Fetch(inet, QString::fromLatin1(server.url("/item")));
        ASSERT_TRUE(out.error.has_value());
        EXPECT_LT(out.tookMs, 10000) << out.error->description().toStdString();
        EXPECT_LT(out.longestGapMs, 3000);
        EXPECT_FALSE(inet.StillExecuting());
        EXPECT_EQ(server.requests(), 1) << "never sent again";
        if (kind == HostileHttp::Kind::SlowHeaders)
            EXPECT_EQ(out.error->number(), ErrorNumber::InetTimeout) << "a time-out of its own head";
    }
}

// An interim answer, the answer a while later (the page takes time to
// make), its head in two pieces: all read.
TEST(InetHostilePeers, ASlowAnswerAfterAnInterimOneIsStillRead)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        QTcpSocket *socket = server.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            socket->readAll();
            socket->write("HTTP/1.1 100 Continue\r\n\r\n");
            QTimer::singleShot(1500, socket, [socket] { socket->write("HTTP/1.1 200 OK\r\n"); });
            QTimer::singleShot(1700, socket, [socket] {
                socket->write("Content-Length: 4\r\nConnection: close\r\n\r\npage");
                socket->disconnectFromHost();
            });
        });
    });
    Inet inet;
    EXPECT_EQ(inet.OpenURL(QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort())), "page");
}

TEST(InetHostilePeers, ACookieFloodLeavesTheJarBounded)
{
    HostileHttp server([](const QByteArray &) { return HostileHttp::Kind::CookieFlood; });
    const QUrl url(QString::fromLatin1(server.url("/item")));
    Inet inet;
    EXPECT_EQ(inet.OpenURL(url.toString()), "<html><body>An item</body></html>");
    // The first cookies of the reply are taken, the rest of the flood not.
    QStringList kept = FloodCookies(url);
    EXPECT_EQ(kept.size(), CookieJar::kPerDomain);
    EXPECT_TRUE(kept.contains(QStringLiteral("flood1")));
    EXPECT_FALSE(kept.contains(QStringLiteral("flood%1").arg(CookieJar::kPerDomain + 1)));

    for (int i = 0; i < 4; ++i)
        inet.OpenURL(url.toString());
    const QString newest = QStringLiteral("flood%1").arg(server.cookiesSet() + 1);
    inet.OpenURL(url.toString());
    // More replies than a domain keeps: the newest stay, the oldest went.
    kept = FloodCookies(url);
    EXPECT_EQ(kept.size(), CookieJar::kPerDomain);
    EXPECT_TRUE(kept.contains(newest));
    EXPECT_FALSE(kept.contains(QStringLiteral("flood1")));

    for (const QNetworkCookie &c : Network::manager().cookieJar()->cookiesForUrl(url))
        Network::manager().cookieJar()->deleteCookie(c);
}
