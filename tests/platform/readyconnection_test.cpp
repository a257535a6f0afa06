// A connection opened ahead of a request carries that one request, is handed
// out once and only to its own server, and one the server closed while it
// waited is replaced by a fresh connection, the request still sent once.
#include "platform/oncefetch.h"
#include "platform/readyconnection.h"

#include "tests/support/keepaliveserver.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QThread>

namespace {

// The page, or "error" when the fetch failed.
QByteArray fetchOn(const QString &url, ReadyConnection *ready)
{
    OnceFetch fetch(QUrl(url), 5, OnceFetch::Connection::Own, 1024 * 1024);
    fetch.useConnection(ready);
    fetch.start();
    if (!waitFor([&] { return fetch.isEnded(); }))
        return "never ended";
    return fetch.error() ? QByteArray("error") : fetch.body();
}

} // namespace

TEST(ReadyConnection, CarriesOneRequestToItsOwnServerOnly)
{
    KeepAliveServer server;
    ReadyConnection ready{QUrl(server.url("/"))};
    ready.open();
    ASSERT_TRUE(waitFor([&] { return ready.isReady(); }));
    EXPECT_GE(ready.roundTripMs(), 0);
    EXPECT_EQ(server.connections, 1);

    EXPECT_EQ(fetchOn(server.url("/bid"), &ready), "page /bid");
    EXPECT_EQ(server.connections, 1) << "the request went on the connection opened ahead";
    // Handed out once: the next request opens its own.
    EXPECT_EQ(fetchOn(server.url("/next"), &ready), "page /next");
    EXPECT_EQ(server.connections, 2);

    // Never to another server: it is closed instead.
    KeepAliveServer another;
    ReadyConnection other{QUrl(another.url("/"))};
    other.open();
    ASSERT_TRUE(waitFor([&] { return other.isReady(); }));
    EXPECT_EQ(other.take(QUrl(QStringLiteral("http://127.0.0.2:1/"))), nullptr);
    EXPECT_FALSE(other.isReady());
    EXPECT_TRUE(waitFor([&] { return another.closedByClient == 1; }));
}

TEST(ReadyConnection, OneTheServerClosedWhileWaitingGivesWayToAFreshOneAndTheRequestGoesOnce)
{
    KeepAliveServer server;
    ReadyConnection ready{QUrl(server.url("/"))};
    int settled = 0;
    QObject::connect(&ready, &ReadyConnection::settled, [&] { ++settled; });
    ready.open();
    ASSERT_TRUE(waitFor([&] { return ready.isReady(); }));
    EXPECT_EQ(settled, 1);

    server.closeIdle();
    ASSERT_TRUE(waitFor([&] { return !ready.isReady(); }));
    EXPECT_EQ(settled, 2) << "the close is told, so a new one can be opened at once";

    EXPECT_EQ(fetchOn(server.url("/bid"), &ready), "page /bid");
    EXPECT_EQ(server.connections, 2);
    EXPECT_EQ(server.targets, QList<QByteArray>{"/bid"});
}

TEST(ReadyConnection, OneClosedBeforeTheEventLoopSawItIsNotHandedOut)
{
    KeepAliveServer server;
    ReadyConnection ready{QUrl(server.url("/"))};
    ready.open();
    ASSERT_TRUE(waitFor([&] { return ready.isReady(); }));
    server.closeIdle();
    // The close has reached this end, unseen by the event loop; taking the
    // connection now must not hand it out to carry a bid.
    QThread::msleep(100);
    EXPECT_EQ(ready.take(QUrl(server.url("/bid"))), nullptr);
    EXPECT_FALSE(ready.isReady());
}
