// The transfer control keeps a connection open between requests to one
// server, and still sends each request at most once: a reset of a kept
// connection fails that request, a connection the server closed while idle
// is not used again.
#include "platform/inet.h"

#include "tests/support/keepaliveserver.h"
#include "tests/support/testtext.h"

#include <gtest/gtest.h>

#include <QTest>

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
