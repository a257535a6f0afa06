// Reading an answer off a connection: where it ends, whether the connection
// may carry the next request, and when what arrived is a page cut off.
#include "platform/httpreply.h"

#include <gtest/gtest.h>

using Progress = HttpReply::Progress;

TEST(HttpReply, FindsTheEndOfEveryFramingAndWhenTheConnectionMayBeKept)
{
    HttpReply r;
    const QByteArray length = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello";
    EXPECT_EQ(HttpReply::Parse(length.left(length.size() - 1), false, &r), Progress::Incomplete);
    ASSERT_EQ(HttpReply::Parse(length, false, &r), Progress::Complete);
    EXPECT_EQ(r.body, "hello");
    EXPECT_TRUE(r.keepAlive);

    const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nWiki\r\n6;x=1\r\npedia \r\n0\r\nX-T: 1\r\n\r\n";
    EXPECT_EQ(HttpReply::Parse(chunked.left(chunked.size() - 2), false, &r), Progress::Incomplete) << "trailers not yet ended";
    ASSERT_EQ(HttpReply::Parse(chunked, false, &r), Progress::Complete);
    EXPECT_EQ(r.body, "Wikipedia ");
    EXPECT_TRUE(r.keepAlive);

    // An interim answer is skipped; a body without a stated end runs to the close.
    const QByteArray toClose = "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 404 Not Found\r\n\r\n<p>gone</p>";
    EXPECT_EQ(HttpReply::Parse(toClose, false, &r), Progress::Incomplete);
    ASSERT_EQ(HttpReply::Parse(toClose, true, &r), Progress::Complete);
    EXPECT_EQ(r.status, 404);
    EXPECT_EQ(r.body, "<p>gone</p>");
    EXPECT_FALSE(r.keepAlive);

    // Not kept: asked to close, an HTTP/1.0 answer, or bytes nobody asked for.
    ASSERT_EQ(HttpReply::Parse("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 0\r\n\r\n", false, &r), Progress::Complete);
    EXPECT_FALSE(r.keepAlive);
    ASSERT_EQ(HttpReply::Parse("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok", false, &r), Progress::Complete);
    EXPECT_FALSE(r.keepAlive);
    ASSERT_EQ(HttpReply::Parse("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokHTTP/1.1", false, &r), Progress::Complete);
    EXPECT_EQ(r.body, "ok");
    EXPECT_FALSE(r.keepAlive);
}

TEST(HttpReply, AnAnswerCutOffOrGarbledIsBrokenNeverAShortPage)
{
    HttpReply r;
    EXPECT_EQ(HttpReply::Parse("", true, &r), Progress::Broken) << "closed before any answer";
    EXPECT_EQ(HttpReply::Parse("HTTP/1.1 200 OK\r\nContent-Len", true, &r), Progress::Broken);
    EXPECT_EQ(HttpReply::Parse("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhalf", true, &r), Progress::Broken);
    EXPECT_EQ(HttpReply::Parse("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nWi", true, &r), Progress::Broken);
    EXPECT_EQ(HttpReply::Parse("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false, &r), Progress::Broken);
    EXPECT_EQ(HttpReply::Parse("SSH-2.0-x\r\n\r\n", false, &r), Progress::Broken);
    EXPECT_EQ(HttpReply::Parse("HTTP/1.1 200 OK\r\nContent-Length: -3\r\n\r\n", false, &r), Progress::Broken);
}
