#include "platform/inet.h"

#include "tests/support/tinyhttp.h"
#include "tests/support/vbtest.h"

#include <gtest/gtest.h>

#include <QTimer>

TEST(Inet, FetchesDecodesFollowsRedirectsAndSharesCookies)
{
    TinyHttp server([](const TinyHttp::Request &r) {
        TinyHttp::Reply reply;
        if (r.target == "/move") {
            reply.status = 302;
            reply.headers << std::pair<QByteArray, QByteArray>("Location", "/page");
        } else if (r.target == "/login") {
            reply.headers << std::pair<QByteArray, QByteArray>("Set-Cookie", "s=42; Path=/");
            reply.body = "ok";
        } else if (r.target == "/whoami") {
            reply.body = r.headers.value("cookie");
        } else if (r.target == "/missing") {
            reply.status = 404;
            reply.body = "not here";
        } else {
            reply.body = QByteArray("price \x80 12.50", 13);
        }
        return reply;
    });
    Inet a, b;
    EXPECT_EQ(a.OpenURL(server.url("/move")), QString::fromUtf8("price € 12.50"));
    EXPECT_FALSE(a.StillExecuting());
    // An error page is still a page.
    EXPECT_EQ(a.OpenURL(server.url("/missing")), "not here");
    // A cookie set through one control is sent by another.
    a.OpenURL(server.url("/login"));
    EXPECT_EQ(b.OpenURL(server.url("/whoami")), "s=42");
}

TEST(Inet, TimeOutBusyAndCancelAreErrors)
{
    TinyHttp server([](const TinyHttp::Request &r) {
        TinyHttp::Reply reply;
        reply.hang = r.target == "/hang";
        reply.delayMs = r.target == "/slow" ? 300 : 0;
        reply.body = "late";
        return reply;
    });
    Inet inet;
    inet.RequestTimeout = 1;
    EXPECT_EQ(VbErrorOf([&] { inet.OpenURL(server.url("/hang")); }), VbErr::InetTimeout);
    EXPECT_FALSE(inet.StillExecuting());

    // While one request waits, timers run: a second call on the same control
    // is refused, and Cancel ends the first.
    int nested = 0;
    bool busyDuring = false;
    QTimer::singleShot(50, [&] {
        busyDuring = inet.StillExecuting();
        nested = VbErrorOf([&] { inet.OpenURL(server.url("/slow")); });
        inet.Cancel();
    });
    EXPECT_EQ(VbErrorOf([&] { inet.OpenURL(server.url("/slow")); }), VbErr::InetCancelled);
    EXPECT_TRUE(busyDuring);
    EXPECT_EQ(nested, VbErr::InetStillExecuting);

    // Nothing listens here.
    EXPECT_NE(VbErrorOf([&] { inet.OpenURL("http://127.0.0.1:1/"); }), 0);
    EXPECT_NE(VbErrorOf([&] { inet.OpenURL("not a url"); }), 0);
    // The control works again afterwards.
    EXPECT_EQ(inet.OpenURL(server.url("/slow")), "late");
}
