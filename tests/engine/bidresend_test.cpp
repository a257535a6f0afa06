// Whether a bid request that got no whole answer goes to eBay again, over
// every way such a request fails, on a fresh connection and on one opened
// ahead of its moment: only one whose connection failed before the request
// was written, and only while the auction runs.
#include "engine/bidresend.h"
#include "engine/sendonce.h"
#include "tests/support/closedport.h"
#include "tests/support/pacedhttp.h"
#include "platform/readyconnection.h"
#include "tests/support/testtext.h"
#include "tests/support/tinyhttp.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

namespace {

using Piece = PacedHttp::Piece;
using End = PacedHttp::End;

struct Failure
{
    const char *name;
    bool cannotHaveReachedEbay;
    // A server failing that way (none for a refused connection).
    std::function<std::unique_ptr<PacedHttp>()> server;
};

const QByteArray kHead = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n";

const Failure kFailures[] = {
    {"refused before the request was written", true, [] { return nullptr; }},
    {"written, then reset", false, [] { return std::make_unique<PacedHttp>(QList<Piece>{}, End::Reset); }},
    {"head split past the time-out", false,
     [] { return std::make_unique<PacedHttp>(QList<Piece>{{0, "HTTP/1.1 200 OK\r\n"}, {4000, kHead.mid(17)}}, End::Close); }},
    {"hang", false, [] { return std::make_unique<PacedHttp>(QList<Piece>{}, End::Open); }},
    {"body cut", false, [] { return std::make_unique<PacedHttp>(QList<Piece>{{0, kHead + "only part"}}, End::Close); }},
};

// The verdict on a request that got no whole answer: the rule's, and that
// it holds what the connection tells.
void expectResentOnlyWhenItCannotHaveReachedEbay(bool written, bool cannotHaveReachedEbay)
{
    EXPECT_EQ(written, !cannotHaveReachedEbay);
    for (const bool over : {false, true})
        EXPECT_EQ(BidResend::MaySendAgain(written, over), cannotHaveReachedEbay && !over) << "over " << over;
}

struct ReadyFailure
{
    const char *name;
    bool cannotHaveReachedEbay;
    std::function<std::unique_ptr<PacedHttp>()> server;
    bool closedWhileWaiting = false; // by the server, before the request
};

std::unique_ptr<PacedHttp> closingIdleThenRefusing()
{
    // The opened connection is dropped while it waits; the fresh one opened
    // at the moment is refused by a reset before any answer.
    auto server = std::make_unique<PacedHttp>(QList<Piece>{}, End::Reset);
    server->closeFirstConnections(1);
    return server;
}

const ReadyFailure kReadyFailures[] = {
    {"refused, and so is the fresh connection", true, [] { return nullptr; }},
    {"closed before the write, then the fresh one reset", false, closingIdleThenRefusing, true},
    {"reset during the write", false, [] { return std::make_unique<PacedHttp>(QList<Piece>{}, End::Reset); }},
    {"closed after the write without a reply", false, [] { return std::make_unique<PacedHttp>(QList<Piece>{}, End::Close); }},
    {"silent", false, [] { return std::make_unique<PacedHttp>(QList<Piece>{}, End::Open); }},
};

} // namespace

TEST(BidResend, OnlyARequestThatCannotHaveReachedEbayGoesAgainAndNeverAfterTheEnd)
{
    for (const Failure &failure : kFailures) {
        SCOPED_TRACE(failure.name);
        const std::unique_ptr<PacedHttp> server = failure.server();
        const QString url = server ? QString::fromLatin1(server->url("/confirm"))
                                   : QStringLiteral("http://127.0.0.1:%1/confirm").arg(ClosedLoopbackPort());
        bool written = true;
        EXPECT_NE(ErrorNumberOf([&] { SendOnce::Get(url, 2, &written); }), 0);
        if (server)
            EXPECT_EQ(server->requests(), 1);
        expectResentOnlyWhenItCannotHaveReachedEbay(written, failure.cannotHaveReachedEbay);
    }

    // The same on the connection opened ahead of the moment: a connection
    // that failed or closed before the request went is replaced by a fresh
    // one at once, and the request goes out on one connection only.
    for (const ReadyFailure &failure : kReadyFailures) {
        SCOPED_TRACE(failure.name);
        const std::unique_ptr<PacedHttp> server = failure.server();
        const QString url = server ? QString::fromLatin1(server->url("/confirm"))
                                   : QStringLiteral("http://127.0.0.1:%1/confirm").arg(ClosedLoopbackPort());
        ReadyConnection ready{QUrl(url)};
        ready.open();
        ASSERT_TRUE(waitFor([&] { return !ready.isOpening() && (!failure.closedWhileWaiting || !ready.isReady()); }));
        SendOnce::Sent sent;
        sent.requestWritten = true;
        EXPECT_NE(ErrorNumberOf([&] { SendOnce::Get(url, 2, sent, &ready); }), 0);
        if (server)
            EXPECT_EQ(server->requests(), 1);
        expectResentOnlyWhenItCannotHaveReachedEbay(sent.requestWritten, failure.cannotHaveReachedEbay);
    }
}

TEST(BidResend, ABidIsWrittenOnlyBeforeItsAuctionsEndAskedAtTheMomentOfWriting)
{
    TinyHttp server([](const TinyHttp::Request &) {
        TinyHttp::Reply reply;
        reply.raw = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
        return reply;
    });
    const QString url = QString::fromLatin1(server.url("/confirm"));
    for (const std::optional<qint64> secondsLeft : {std::optional<qint64>(), std::optional<qint64>(-3600),
                                                    std::optional<qint64>(-1), std::optional<qint64>(0),
                                                    std::optional<qint64>(1), std::optional<qint64>(25)}) {
        SCOPED_TRACE(secondsLeft ? std::to_string(*secondsLeft) : std::string("unknown"));
        const bool running = !secondsLeft || *secondsLeft > 0;
        EXPECT_EQ(BidResend::MayWriteBid(secondsLeft), running);
        const qsizetype before = server.requests().size();
        int asked = 0;
        SendOnce::Sent sent;
        sent.requestWritten = !running;
        const int error = ErrorNumberOf([&] {
            SendOnce::Get(url, 5, sent, nullptr, [&] {
                ++asked;
                return BidResend::MayWriteBid(secondsLeft);
            });
        });
        const bool written = sent.requestWritten;
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(written, running);
        EXPECT_EQ(server.requests().size() - before, running ? 1 : 0);
        EXPECT_EQ(error, running ? 0 : ErrorNumber::InetCancelled);
        // Not written, and over: it is not sent again either.
        EXPECT_EQ(BidResend::MaySendAgain(written, !running), false);
    }
}
