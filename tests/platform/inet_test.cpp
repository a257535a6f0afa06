#include "platform/inet.h"

#include "tests/support/tinyhttp.h"
#include "tests/support/procstatus.h"
#include "tests/support/testtext.h"
#include "tests/support/underasan.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
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

namespace {

// "/hang" never answers, "/slow" answers "late" after 300 ms.
TinyHttp::Reply hangingOrSlowPages(const TinyHttp::Request &r)
{
    TinyHttp::Reply reply;
    reply.hang = r.target == "/hang";
    reply.delayMs = r.target == "/slow" ? 300 : 0;
    reply.body = "late";
    return reply;
}

} // namespace

TEST(Inet, TimeOutBusyAndCancelAreErrors)
{
    TinyHttp server(hangingOrSlowPages);
    Inet inet;
    inet.RequestTimeout = 1;
    QElapsedTimer waited;
    waited.start();
    EXPECT_EQ(ErrorNumberOf([&] { inet.OpenURL(server.url("/hang")); }), ErrorNumber::InetTimeout);
    EXPECT_GE(waited.elapsed(), 1000) << "a time-out never cuts the wait short";
    EXPECT_FALSE(inet.StillExecuting());

    // While one request waits, timers run: a second call on the same control
    // is refused, and Cancel ends the first.
    int nested = 0;
    bool busyDuring = false;
    QTimer::singleShot(50, [&] {
        busyDuring = inet.StillExecuting();
        nested = ErrorNumberOf([&] { inet.OpenURL(server.url("/slow")); });
        inet.Cancel();
    });
    EXPECT_EQ(ErrorNumberOf([&] { inet.OpenURL(server.url("/slow")); }), ErrorNumber::InetCancelled);
    EXPECT_TRUE(busyDuring);
    EXPECT_EQ(nested, ErrorNumber::InetStillExecuting);

    // Nothing listens here.
    EXPECT_NE(ErrorNumberOf([&] { inet.OpenURL("http://127.0.0.1:1/"); }), 0);
    EXPECT_NE(ErrorNumberOf([&] { inet.OpenURL("not a url"); }), 0);
    // The control works again afterwards.
    EXPECT_EQ(inet.OpenURL(server.url("/slow")), "late");
}

TEST(Inet, BeginSendsWithoutWaitingAndReportsTheEndOnce)
{
    TinyHttp server(hangingOrSlowPages);
    struct End
    {
        int calls = 0;
        QString page;
        int error = -1;
    };
    auto recorder = [](End &end) {
        return [&end](const QString &page, const NumberedError *error) {
            ++end.calls;
            end.page = page;
            end.error = error ? error->number() : 0;
        };
    };

    Inet inet;
    inet.RequestTimeout = 1;
    End answered;
    inet.Begin(server.url("/slow"), recorder(answered));
    // Returned at once; the control is busy until the reply is there.
    EXPECT_EQ(answered.calls, 0);
    EXPECT_TRUE(inet.StillExecuting());
    EXPECT_EQ(ErrorNumberOf([&] { inet.OpenURL(server.url("/slow")); }), ErrorNumber::InetStillExecuting);
    EXPECT_EQ(ErrorNumberOf([&] { inet.Begin(server.url("/slow"), [](const QString &, const NumberedError *) {}); }),
              ErrorNumber::InetStillExecuting);
    ASSERT_TRUE(QTest::qWaitFor([&] { return answered.calls > 0; }, 30000));
    EXPECT_EQ(answered.page, "late");
    EXPECT_EQ(answered.error, 0);
    EXPECT_FALSE(inet.StillExecuting());

    // A request without an answer times out like OpenURL's.
    End hung;
    QElapsedTimer waited;
    waited.start();
    inet.Begin(server.url("/hang"), recorder(hung));
    ASSERT_TRUE(QTest::qWaitFor([&] { return hung.calls > 0; }, 30000));
    EXPECT_GE(waited.elapsed(), 1000) << "a time-out never cuts the wait short";
    EXPECT_EQ(hung.error, ErrorNumber::InetTimeout);
    EXPECT_FALSE(inet.StillExecuting());

    // Cancel ends it at once, inside the call.
    End cancelled;
    inet.Begin(server.url("/hang"), recorder(cancelled));
    inet.Cancel();
    EXPECT_EQ(cancelled.calls, 1);
    EXPECT_EQ(cancelled.error, ErrorNumber::InetCancelled);
    EXPECT_FALSE(inet.StillExecuting());

    // A control that goes first never reports.
    End orphan;
    {
        Inet gone;
        gone.Begin(server.url("/hang"), recorder(orphan));
    }
    QTest::qWait(300);
    EXPECT_EQ(answered.calls + hung.calls + cancelled.calls, 3);
    EXPECT_EQ(orphan.calls, 0);
    EXPECT_EQ(ErrorNumberOf([&] { inet.Begin("not a url", recorder(orphan)); }), ErrorNumber::InetRequestFailed);
    EXPECT_EQ(orphan.calls, 0);
}

TEST(Inet, PagesReadInsideAHandlerAreFreedAsTheyAreRead)
{
    if (kUnderAddressSanitizer)
        GTEST_SKIP() << "AddressSanitizer holds freed memory back";
    // A refresh reads every row's page inside one tick of the main timer:
    // each request, with its page, has to go when it has been read, not when
    // the tick is over.
    constexpr int kPages = 100;
    const QByteArray page(1024 * 1024, 'x');
    TinyHttp server([&page](const TinyHttp::Request &) {
        TinyHttp::Reply reply;
        reply.body = page;
        return reply;
    });
    Inet inet;
    qint64 grownKb = -1;
    int read = 0;
    QEventLoop loop;
    QTimer::singleShot(0, [&] {
        const qint64 before = StatusKb(QCoreApplication::applicationPid(), "VmRSS");
        for (int i = 0; i < kPages; ++i)
            read += inet.OpenURL(server.url("/page")).size() == page.size();
        grownKb = StatusKb(QCoreApplication::applicationPid(), "VmRSS") - before;
        loop.quit();
    });
    loop.exec();
    EXPECT_EQ(read, kPages);
    EXPECT_LT(grownKb, kPages * 1024 / 4) << "the pages read were kept until the handler returned";
}
