// The simulator's path misbehaving as servers behind caches and load
// balancers do, met by the program's fetches: a stale time page, a handshake
// never answered, a connection closed at its hello and one closed idle.
#include "engine/ebaytimepage.h"
#include "platform/network.h"
#include "platform/oncefetch.h"
#include "platform/readyconnection.h"
#include "sim/core/simserver.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>


namespace {

class PathMisbehaviour : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start()) << qPrintable(server.errorString());
        // The program trusts the simulator's authority from its first TLS on.
        qputenv("TALLOWMERE_CA", server.caFile().toLocal8Bit());
        Network::trustConfiguredAuthority();
    }

    QUrl secure(const char *path) const
    {
        return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(server.publicHttpsPort()).arg(QLatin1String(path)));
    }

    struct Fetched
    {
        bool ok = false;
        bool written = false;
        QByteArray body;
    };
    Fetched fetch(const QUrl &url, ReadyConnection *ready = nullptr)
    {
        OnceFetch f(url, 20, OnceFetch::Connection::Own, 1024 * 1024);
        f.useConnection(ready);
        f.start();
        if (!waitFor([&] { return f.isEnded(); }, 30000))
            return {};
        return {!f.error().has_value(), f.requestWritten(), f.body()};
    }

    int requestsFor(const QString &target)
    {
        int n = 0;
        for (const Sim::LogEntry &e : server.requestLog().since(0))
            n += e.target.contains(target) ? 1 : 0;
        return n;
    }

    Sim::SimServer server;
};

} // namespace

TEST_F(PathMisbehaviour, EveryNthReadingOfTheTimePageIsStale)
{
    ASSERT_TRUE(server.setPathMisbehaviour({}, 2, 60'000));
    ASSERT_NE(server.publicHttpPort(), server.httpPort()) << "the path is in front with no delay";
    const QUrl page(QStringLiteral("http://127.0.0.1:%1/ws/eBayISAPI.dll?EbayTime").arg(server.publicHttpPort()));
    QList<QDateTime> shown;
    for (int i = 0; i < 4; ++i) {
        const Fetched f = fetch(page);
        ASSERT_TRUE(f.ok);
        const auto reading = EbayTimePage::ReadingOn(QString::fromLatin1(f.body));
        ASSERT_TRUE(reading.has_value());
        shown << *reading;
    }
    EXPECT_NEAR(double(shown[2].secsTo(shown[0])), 0.0, 5.0);
    EXPECT_NEAR(double(shown[1].secsTo(shown[0])), 60.0, 5.0) << "the 2nd reading a minute behind";
    EXPECT_NEAR(double(shown[3].secsTo(shown[2])), 60.0, 5.0);
}

TEST_F(PathMisbehaviour, ARequestDueWhileItsConnectionStallsGoesOnAFreshOneOnce)
{
    ASSERT_TRUE(server.setPathMisbehaviour({.stallHandshakes = 1}, 0, 0));
    ReadyConnection ready{secure("/")};
    ready.open();
    // Its hello never answered: it stays in its handshakes for good.
    ASSERT_FALSE(waitFor([&] { return !ready.isOpening(); }, 300));
    const Fetched f = fetch(secure("/ws/eBayISAPI.dll?ViewItem&item=5501"), &ready);
    EXPECT_TRUE(f.ok) << "not held by the stalled connection";
    EXPECT_EQ(requestsFor(QStringLiteral("item=5501")), 1);
    EXPECT_TRUE(ready.isOpening()) << "the stalled one was not taken";
}

TEST_F(PathMisbehaviour, AConnectionClosedAtItsHelloCarriedNothingAndTheNextOneGoesThrough)
{
    ASSERT_TRUE(server.setPathMisbehaviour({.closeAtHello = 1}, 0, 0));
    const Fetched first = fetch(secure("/ws/eBayISAPI.dll?ViewItem&item=5502"));
    EXPECT_FALSE(first.ok);
    EXPECT_FALSE(first.written) << "closed before the request: nothing can have reached the server";
    EXPECT_EQ(requestsFor(QStringLiteral("item=5502")), 0);
    EXPECT_TRUE(fetch(secure("/ws/eBayISAPI.dll?ViewItem&item=5502")).ok);
    EXPECT_EQ(requestsFor(QStringLiteral("item=5502")), 1);
}

TEST_F(PathMisbehaviour, AReadyConnectionClosedIdleTellsHowLongTheHostKeptIt)
{
    ASSERT_TRUE(server.setPathMisbehaviour({.closeIdleMs = 300}, 0, 0));
    ReadyConnection ready{secure("/")};
    int settled = 0;
    QObject::connect(&ready, &ReadyConnection::settled, [&] { ++settled; });
    ready.open();
    ASSERT_TRUE(waitFor([&] { return settled == 1; }));
    ASSERT_TRUE(ready.isReady());
    EXPECT_EQ(ready.closedIdleAfterMs(), -1);
    ASSERT_TRUE(waitFor([&] { return settled == 2; }));
    EXPECT_FALSE(ready.isReady());
    // Idle from the end of its handshakes: at least most of the 300 ms.
    EXPECT_GE(ready.closedIdleAfterMs(), 200);
    EXPECT_LT(ready.closedIdleAfterMs(), 30000);
}
