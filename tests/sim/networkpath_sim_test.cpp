// The simulator's network path: a connection's handshake and every byte each
// way pay the one-way delay, so the program's requests over it take the
// round trips they would take over a real path; the hosts file names the
// path's ports while it is on.
#include "platform/oncefetch.h"
#include "sim/core/simserver.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>

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
