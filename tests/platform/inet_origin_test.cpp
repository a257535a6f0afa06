// A control kept to its origin: a redirect within the server is followed,
// one to another server or port is an error and the other server is never asked.
#include "platform/inet.h"
#include "platform/numberederror.h"

#include "tests/support/tinyhttp.h"
#include "tests/support/testtext.h"

#include <gtest/gtest.h>

TEST(Inet, KeptToItsOriginItRefusesARedirectElsewhere)
{
    TinyHttp elsewhere([](const TinyHttp::Request &) { return TinyHttp::Reply{200, "offer from elsewhere"}; });
    TinyHttp origin([&](const TinyHttp::Request &r) {
        TinyHttp::Reply reply;
        if (r.target == "/away") {
            reply.status = 302;
            reply.headers << std::pair<QByteArray, QByteArray>("Location", elsewhere.url("/info"));
        } else if (r.target == "/move") {
            reply.status = 302;
            reply.headers << std::pair<QByteArray, QByteArray>("Location", "/info");
        } else {
            reply.body = "offer";
        }
        return reply;
    });
    Inet inet;
    inet.KeepToOrigin = true;
    EXPECT_EQ(inet.OpenURL(origin.url("/move")), "offer");
    EXPECT_EQ(ErrorNumberOf([&] { inet.OpenURL(origin.url("/away")); }), ErrorNumber::InetRequestFailed);
    EXPECT_FALSE(inet.StillExecuting());
    EXPECT_TRUE(elsewhere.requests().isEmpty());

    // Without it, the redirect is followed as before.
    inet.KeepToOrigin = false;
    EXPECT_EQ(inet.OpenURL(origin.url("/away")), "offer from elsewhere");
}
