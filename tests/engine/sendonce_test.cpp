// The fetch that reaches the server at most once: whole replies in every
// framing, cookies both ways, redirects, and a dropped connection or a
// silent server reported without a second request.
#include "engine/sendonce.h"
#include "platform/inet.h"
#include "platform/network.h"
#include "tests/support/keepaliveserver.h"
#include "tests/support/pacedhttp.h"
#include "tests/support/testtext.h"
#include "tests/support/tinyhttp.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>

#include <functional>

namespace {

TinyHttp::Reply raw(const QByteArray &bytes)
{
    TinyHttp::Reply reply;
    reply.raw = bytes;
    return reply;
}

QString url(const TinyHttp &server, const char *target)
{
    return QString::fromLatin1(server.url(target));
}

} // namespace

TEST(SendOnce, ReadsLengthChunkedAndClosedBodiesAsPageText)
{
    QList<QByteArray> answers = {
        "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello and more",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nWiki\r\n6;x=1\r\npedia \r\n3\r\n\xe9t\xe9\r\n0\r\n\r\n",
        "HTTP/1.0 404 Not Found\r\n\r\n<p>gone</p>",
    };
    TinyHttp server([&](const TinyHttp::Request &) { return raw(answers.takeFirst()); });
    EXPECT_EQ(SendOnce::Get(url(server, "/a?x=%20y&z=1"), 5), QStringLiteral("hello"));
    EXPECT_EQ(server.requests()[0].method, "GET");
    EXPECT_EQ(server.requests()[0].target, "/a?x=%20y&z=1");
    EXPECT_EQ(server.requests()[0].headers.value("connection"), "close");
    EXPECT_EQ(SendOnce::Get(url(server, "/b"), 5), QStringLiteral("Wikipedia \u00e9t\u00e9"));
    EXPECT_EQ(SendOnce::Get(url(server, "/c"), 5), QStringLiteral("<p>gone</p>")) << "an error status still has its page";
}

TEST(SendOnce, SharesTheCookieJarAndFollowsRedirects)
{
    TinyHttp server([](const TinyHttp::Request &request) {
        if (request.target == "/buy")
            return raw("HTTP/1.1 302 Found\r\nSet-Cookie: done=1; path=/\r\nLocation: /thanks\r\nContent-Length: 0\r\n\r\n");
        return raw("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nthanks");
    });
    Network::manager().cookieJar()->setCookiesFromUrl({QNetworkCookie("session", "abc")}, QUrl(url(server, "/")));
    EXPECT_EQ(SendOnce::Get(url(server, "/buy"), 5), QStringLiteral("thanks"));
    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests()[0].headers.value("cookie"), "session=abc");
    EXPECT_EQ(server.requests()[1].target, "/thanks");
    EXPECT_TRUE(server.requests()[1].headers.value("cookie").contains("done=1"));
}

TEST(SendOnce, ADroppedConnectionOrASilentServerIsAnErrorAfterOneRequest)
{
    TinyHttp dropping([](const TinyHttp::Request &) {
        TinyHttp::Reply reply;
        reply.drop = true;
        return reply;
    });
    EXPECT_EQ(ErrorNumberOf([&] { SendOnce::Get(url(dropping, "/buy"), 5); }), ErrorNumber::InetCannotConnect);
    EXPECT_EQ(dropping.requests().size(), 1);

    TinyHttp silent([](const TinyHttp::Request &) { return TinyHttp::Reply{200, {}, {}, true, 0}; });
    EXPECT_EQ(ErrorNumberOf([&] { SendOnce::Get(url(silent, "/buy"), 1); }), ErrorNumber::InetTimeout);
    EXPECT_EQ(silent.requests().size(), 1);

    EXPECT_EQ(ErrorNumberOf([] { SendOnce::Get(QStringLiteral("not a url"), 1); }), ErrorNumber::InetRequestFailed);
}

// A lossy link holds part of the head back; a whole answer arrives in the
// end and is read, however long the pause within the time-out.
TEST(SendOnce, AHeadSplitByAPauseIsWaitedForWithinTheTimeOut)
{
    for (const int pauseMs : {1200, 2000}) {
        SCOPED_TRACE(pauseMs);
        PacedHttp server({{0, "HTTP/1.1 200 OK\r\nContent-"}, {pauseMs, "Length: 9\r\n\r\nconfirmed"}},
                         PacedHttp::End::Close);
        EXPECT_EQ(SendOnce::Get(QString::fromLatin1(server.url("/confirm")), 10), QStringLiteral("confirmed"));
        EXPECT_EQ(server.requests(), 1);
    }
}

TEST(SendOnce, AReplyIsBoundedLikeAPage)
{
    TinyHttp server([](const TinyHttp::Request &request) {
        TinyHttp::Reply reply;
        reply.body = QByteArray(Inet::PageReplyBytes + (request.target == "/over" ? 1 : 0), 'p');
        return reply;
    });
    EXPECT_EQ(SendOnce::Get(url(server, "/whole"), 30).size(), Inet::PageReplyBytes);
    EXPECT_EQ(ErrorNumberOf([&] { SendOnce::Get(url(server, "/over"), 30); }), ErrorNumber::InetRequestFailed);
}

// A bid's request asks for a connection of its own. A server that answers
// keep-alive all the same does not get that connection into the pool: it is
// closed after the answer, and the next page comes on a new one.
TEST(SendOnce, ItsConnectionIsClosedAfterTheAnswerEvenWhenTheServerWouldKeepIt)
{
    KeepAliveServer server;
    EXPECT_EQ(SendOnce::Get(server.url("/confirm"), 5), QStringLiteral("page /confirm"));
    EXPECT_TRUE(waitFor([&] { return server.closedByClient == 1; }, 30000)) << "the bid's connection was left open";

    Inet page;
    EXPECT_EQ(page.OpenURL(server.url("/item")), QStringLiteral("page /item"));
    EXPECT_EQ(server.connections, 2) << "the page came on the bid's connection";
    EXPECT_EQ(server.targets, (QList<QByteArray>{"/confirm", "/item"}));
}
