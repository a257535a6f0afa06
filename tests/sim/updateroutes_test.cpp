// The vendor's update information as the tests set it: the chosen reply on
// its own path, the home page beside it, and the way back to the default.
#include "sim/core/simserver.h"
#include "tests/sim/simtestutil.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

using SimTest::fetch;

TEST(SimUpdateInformation, ServesTheChosenReplyBesideTheHomePage)
{
    Sim::SimServer server;
    ASSERT_TRUE(server.start()) << qPrintable(server.errorString());
    QNetworkAccessManager nam;
    const QString info = server.url("/?app=tallow&action=getinf");
    auto setReply = [&](const QByteArray &verb, const QJsonObject &body) {
        return fetch(nam, server.url("/_sim/update"), 5000, {}, verb, QJsonDocument(body).toJson()).status;
    };

    EXPECT_EQ(fetch(nam, info).body, "<version>\r\n0\r\n<notes>\r\n</notes>\r\n<critical>\r\nFalse");
    EXPECT_NE(fetch(nam, server.url("/?app=tallow")).body, fetch(nam, info).body);

    EXPECT_EQ(setReply("POST", {{"reply", "<version>\r\n7\r\n"}}), 200);
    const auto chosen = fetch(nam, info);
    EXPECT_EQ(chosen.body, "<version>\r\n7\r\n");
    EXPECT_EQ(server.requestLog().since(0).last().role, "vendor");

    EXPECT_EQ(setReply("POST", {{"reply", ""}}), 200);
    const auto empty = fetch(nam, info);
    EXPECT_EQ(empty.status, 200);
    EXPECT_TRUE(empty.body.isEmpty());
    EXPECT_EQ(setReply("POST", {{"version", 7}}), 400);

    EXPECT_EQ(setReply("DELETE", {}), 200);
    EXPECT_EQ(server.updateReply(), Sim::SimServer::defaultUpdateReply());
    server.setUpdateReply("x");
    server.reset();
    EXPECT_EQ(server.updateReply(), Sim::SimServer::defaultUpdateReply());
}
