// Reading an answer off a connection: where it ends, whether the connection
// may carry the next request, and when what arrived is a page cut off.
#include "platform/httpreply.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

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

namespace {

const QByteArray kChunkedHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";

// Feeds `data` in pieces cut at `cuts`; the progress after each piece.
QList<Progress> FeedInPieces(HttpReplyReader &reader, const QByteArray &data, const QList<qsizetype> &cuts)
{
    QList<Progress> seen;
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        seen << reader.feed(QByteArrayView(data).sliced(from, cut - from));
        from = cut;
    }
    seen << reader.feed(QByteArrayView(data).sliced(from));
    return seen;
}

Progress FeedOnce(const QByteArray &data, qsizetype limit = HttpReplyReader::kNoLimit)
{
    HttpReplyReader reader(limit);
    return reader.feed(data);
}

} // namespace

TEST(HttpReplyReader, AChunkedBodyComesOutWholeWhereverTheReadsSplitIt)
{
    // Extensions after a size, sizes in either letter case with leading
    // zeros and blanks before the extension, and two trailer lines.
    const QByteArray answer = kChunkedHead
        + "4;name=\"v;x\";flag\r\nWiki\r\n0A \t;x\r\npedia in  \r\n00b\r\nchunks.....\r\n"
          "0;last\r\nX-Checksum: 1\r\nX-Other: 2\r\n\r\n";
    const QByteArray body = "Wikipedia in  chunks.....";

    // Every single cut, so a size line, a chunk, its CR LF and the trailers
    // are each split across two reads somewhere.
    for (qsizetype cut = 1; cut < answer.size(); ++cut) {
        SCOPED_TRACE(cut);
        HttpReplyReader reader;
        const QList<Progress> seen = FeedInPieces(reader, answer, {cut});
        EXPECT_EQ(seen[0], Progress::Incomplete);
        ASSERT_EQ(seen[1], Progress::Complete);
        EXPECT_EQ(reader.reply().body, body);
        EXPECT_TRUE(reader.reply().keepAlive);
    }
    // One byte at a time.
    HttpReplyReader reader;
    for (qsizetype i = 0; i + 1 < answer.size(); ++i)
        ASSERT_EQ(reader.feed(QByteArrayView(answer).sliced(i, 1)), Progress::Incomplete) << i;
    ASSERT_EQ(reader.feed(QByteArrayView(answer).last(1)), Progress::Complete);
    EXPECT_EQ(reader.reply().body, body);

    // A close after the last chunk but before the end of the trailers is a
    // page cut off.
    HttpReplyReader cut;
    cut.feed(kChunkedHead + "4\r\nWiki\r\n0\r\nX-Checksum: 1\r\n");
    EXPECT_EQ(cut.closed(), Progress::Broken);
}

TEST(HttpReplyReader, AGarbledChunkFramingIsBroken)
{
    for (const char *size : {"", " ", "-5", "+5", "0x5", "5 5", "g", "1000000000000000", "ffffffffffffffffff"}) {
        SCOPED_TRACE(size);
        EXPECT_EQ(FeedOnce(kChunkedHead + size + "\r\nhello\r\n0\r\n\r\n"), Progress::Broken);
    }
    EXPECT_EQ(FeedOnce(kChunkedHead + "5\nhello\r\n0\r\n\r\n"), Progress::Broken) << "a size line without CR";
    EXPECT_EQ(FeedOnce(kChunkedHead + "3\r\nhello\r\n0\r\n\r\n"), Progress::Broken) << "a chunk longer than its size";
    EXPECT_EQ(FeedOnce(kChunkedHead + "5\r\nhello\n0\r\n\r\n"), Progress::Broken) << "no CR LF after the chunk";
    // A size line that never ends is refused before it grows.
    HttpReplyReader endless;
    endless.feed(kChunkedHead + "5;");
    const QByteArray extension(1024, 'x');
    Progress p = Progress::Incomplete;
    for (int i = 0; i < 10 && p == Progress::Incomplete; ++i)
        p = endless.feed(extension);
    EXPECT_EQ(p, Progress::Broken);
    // Once broken, it stays so.
    EXPECT_EQ(endless.feed("\r\nhello\r\n0\r\n\r\n"), Progress::Broken);
}

TEST(HttpReplyReader, ABodyPastItsLimitFailsAsSoonAsItPassesIt)
{
    const qsizetype limit = 1000;
    const QByteArray exact(limit, 'a');
    // Up to the limit every framing is taken.
    EXPECT_EQ(FeedOnce("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + exact, limit), Progress::Complete);
    HttpReplyReader toClose(limit);
    EXPECT_EQ(toClose.feed("HTTP/1.1 200 OK\r\n\r\n" + exact), Progress::Incomplete);
    EXPECT_EQ(toClose.closed(), Progress::Complete);
    EXPECT_EQ(toClose.reply().body.size(), limit);
    EXPECT_EQ(FeedOnce(kChunkedHead + "1f4\r\n" + exact.left(500) + "\r\n1f4\r\n" + exact.left(500) + "\r\n0\r\n\r\n", limit),
              Progress::Complete);

    // A stated length past the limit is refused from the head alone; so is a
    // chunk that says it is too big.
    EXPECT_EQ(FeedOnce("HTTP/1.1 200 OK\r\nContent-Length: 1001\r\n\r\n", limit), Progress::TooLarge);
    EXPECT_EQ(FeedOnce("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999\r\n\r\n", limit), Progress::TooLarge);
    EXPECT_EQ(FeedOnce(kChunkedHead + "3e9\r\n", limit), Progress::TooLarge);

    // A body of unstated length, or chunks that add up past it, fail at the
    // byte that passes it, and what was read is let go.
    HttpReplyReader endless(limit);
    EXPECT_EQ(endless.feed("HTTP/1.1 200 OK\r\n\r\n" + exact), Progress::Incomplete);
    EXPECT_EQ(endless.feed("b"), Progress::TooLarge);
    EXPECT_TRUE(endless.reply().body.isEmpty());
    EXPECT_EQ(endless.closed(), Progress::TooLarge);
    HttpReplyReader chunks(limit);
    QByteArray many = kChunkedHead;
    for (int i = 0; i < 11; ++i)
        many += "64\r\n" + QByteArray(100, 'c') + "\r\n";
    EXPECT_EQ(chunks.feed(many), Progress::TooLarge);
    EXPECT_TRUE(chunks.reply().body.isEmpty());

    // Heads and trailers have their own bound, whatever the body's.
    HttpReplyReader head;
    head.feed("HTTP/1.1 200 OK\r\n");
    const QByteArray header = "X-Filler: " + QByteArray(1000, 'h') + "\r\n";
    Progress p = Progress::Incomplete;
    for (int i = 0; i < 100 && p == Progress::Incomplete; ++i)
        p = head.feed(header);
    EXPECT_EQ(p, Progress::TooLarge);
    HttpReplyReader trailers;
    trailers.feed(kChunkedHead + "0\r\n");
    p = Progress::Incomplete;
    for (int i = 0; i < 100 && p == Progress::Incomplete; ++i)
        p = trailers.feed(header);
    EXPECT_EQ(p, Progress::TooLarge);
    // Interim answers share the head's bound: without end, they fail as a
    // head without end does, while a few before the answer are skipped.
    HttpReplyReader interim;
    p = Progress::Incomplete;
    for (int i = 0; i < 10000 && p == Progress::Incomplete; ++i)
        p = interim.feed("HTTP/1.1 100 Continue\r\n\r\n");
    EXPECT_EQ(p, Progress::TooLarge);
    HttpReplyReader someInterim;
    for (int i = 0; i < 100; ++i)
        someInterim.feed("HTTP/1.1 102 Processing\r\n\r\n");
    EXPECT_EQ(someInterim.feed("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"), Progress::Complete);
    EXPECT_EQ(someInterim.reply().body, "ok");
}

// Every byte is looked at once: a long chunked body in small chunks, read
// in many small pieces, takes about as long as copying it.
TEST(HttpReplyReader, ALongChunkedBodyIsReadInLinearTime)
{
    const QByteArray chunk = "400\r\n" + QByteArray(1024, 'z') + "\r\n";
    QByteArray piece;
    for (int i = 0; i < 64; ++i)
        piece += chunk;
    HttpReplyReader reader;
    reader.feed(kChunkedHead);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 512; ++i) // 32 MB in 32 768 chunks
        ASSERT_EQ(reader.feed(piece), Progress::Incomplete);
    ASSERT_EQ(reader.feed("0\r\n\r\n"), Progress::Complete);
    EXPECT_EQ(reader.reply().body.size(), 32 * 1024 * 1024);
    EXPECT_LT(timer.elapsed(), 15000); // seconds at most; piece by piece copying would take minutes
}
