// The simulator's network path: a connection's handshake and every byte each
// way pay the one-way delay, so the program's requests over it take the
// round trips they would take over a real path; the hosts file names the
// path's ports while it is on.
#include "platform/network.h"
#include "platform/oncefetch.h"
#include "platform/readyconnection.h"
#include "sim/core/simserver.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

namespace {

constexpr int kOneWayMs = 100;

QByteArray hostsText(const Sim::SimServer &server)
{
    QFile file(server.hostsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(NetworkPath, AFreshRequestPaysTheHandshakeAndBothWaysAndTheHostsFileNamesThePath)
{
    Sim::SimServer server;
    Sim::SimServer::Options options;
    options.pathDelayMs = kOneWayMs;
    ASSERT_TRUE(server.start(options)) << qPrintable(server.errorString());
    ASSERT_NE(server.publicHttpPort(), server.httpPort());
    EXPECT_TRUE(hostsText(server).contains(":" + QByteArray::number(server.publicHttpsPort()) + "\n"));

    // TCP's handshake, the request and the answer: four one-way delays, of
    // which the measured round trip is half. A busy machine only adds.
    QElapsedTimer clock;
    clock.start();
    OnceFetch fetch(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(server.publicHttpPort())), 10,
                    OnceFetch::Connection::Own, 1024 * 1024);
    fetch.start();
    ASSERT_TRUE(waitFor([&] { return fetch.isEnded(); }));
    EXPECT_FALSE(fetch.error().has_value());
    EXPECT_TRUE(fetch.body().contains("<html") || fetch.body().contains("<HTML"));
    EXPECT_GE(clock.elapsed(), 4 * kOneWayMs);
    EXPECT_GE(fetch.roundTripMs(), 2 * kOneWayMs - 2);
    EXPECT_LT(fetch.roundTripMs(), 20 * kOneWayMs);

    // Off again: the hosts file names the simulator's own ports.
    ASSERT_TRUE(server.setNetworkPath(0));
    EXPECT_EQ(server.publicHttpPort(), server.httpPort());
    EXPECT_TRUE(hostsText(server).contains(":" + QByteArray::number(server.httpsPort()) + "\n"));
}

TEST(NetworkPath, ARequestOnAConnectionMadeReadyAheadComesAfterAQuietAndOneWithItsHandshakeWithout)
{
    Sim::SimServer server;
    Sim::SimServer::Options options;
    options.pathDelayMs = kOneWayMs;
    ASSERT_TRUE(server.start(options)) << qPrintable(server.errorString());
    qputenv("TALLOWMERE_CA", server.caFile().toLocal8Bit());
    Network::trustConfiguredAuthority();
    const auto secure = [&](const char *item) {
        return QUrl(QStringLiteral("https://127.0.0.1:%1/ws/eBayISAPI.dll?ViewItem&item=%2")
                        .arg(server.publicHttpsPort())
                        .arg(QLatin1String(item)));
    };
    const auto fetched = [&](const QUrl &url, ReadyConnection *ready) {
        OnceFetch fetch(url, 20, OnceFetch::Connection::Own, 1024 * 1024);
        fetch.useConnection(ready);
        fetch.start();
        return waitFor([&] { return fetch.isEnded(); }, 30000) && !fetch.error().has_value();
    };
    const auto loggedFor = [&](const char *item) {
        for (const Sim::LogEntry &e : server.requestLog().since(0))
            if (e.target.endsWith(QLatin1String("item=") + QLatin1String(item)))
                return e;
        return Sim::LogEntry{};
    };

    // Made ready, then left alone a while before the request.
    constexpr int kWaitedMs = 1000;
    ReadyConnection ready{secure("5601")};
    ready.open();
    ASSERT_TRUE(waitFor([&] { return !ready.isOpening(); }));
    ASSERT_TRUE(ready.isReady());
    QTest::qWait(kWaitedMs);
    ASSERT_TRUE(fetched(secure("5601"), &ready));
    ASSERT_TRUE(fetched(secure("5602"), nullptr));

    const Sim::LogEntry ahead = loggedFor("5601");
    const Sim::LogEntry fresh = loggedFor("5602");
    // The server's last handshake bytes reach the client a round trip after
    // it is ready: the quiet is the wait less that, or more on a busy machine.
    EXPECT_GE(ahead.quietBeforeMs, kWaitedMs - 2 * kOneWayMs - 10);
    EXPECT_GE(ahead.connectionAgeMs, kWaitedMs + 5 * kOneWayMs);
    // Written with its handshake's last flight: only the client's own
    // moments between the server's answer and its request.
    EXPECT_GE(fresh.quietBeforeMs, 0);
    EXPECT_LT(fresh.quietBeforeMs, kWaitedMs - 2 * kOneWayMs - 10);
    EXPECT_GE(fresh.connectionAgeMs, 5 * kOneWayMs);
}
