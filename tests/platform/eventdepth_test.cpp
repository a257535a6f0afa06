#include "platform/eventdepth.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace {

// Calls `probe` from a handler `depth` waits deep inside the application's
// event loop: each wait is a handler that lets events run, by a nested
// event loop or by processEvents, as the program's page fetches and slices do.
void atDepth(int depth, bool nestedLoops, const std::function<void()> &probe)
{
    std::function<void(int)> enter = [&](int left) {
        if (left == 0) {
            probe();
            return;
        }
        bool done = false;
        QTimer::singleShot(0, [&] {
            enter(left - 1);
            done = true;
        });
        if (nestedLoops) {
            QEventLoop loop;
            QTimer::singleShot(0, &loop, [&] {
                if (done)
                    loop.quit();
            });
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
                if (done)
                    loop.quit();
            });
            poll.start(1);
            loop.exec();
        } else {
            while (!done)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    };
    QTimer::singleShot(0, [&] {
        enter(depth);
        QCoreApplication::exit(0);
    });
    QCoreApplication::exec();
}

} // namespace

TEST(EventDepth, OnlyAHandlerWithNothingWaitingBelowItIsAtTheBase)
{
    for (const bool nestedLoops : {false, true})
        for (int depth = 0; depth <= 3; ++depth) {
            SCOPED_TRACE((nestedLoops ? "event loops " : "processEvents ") + std::to_string(depth));
            bool atBase = false;
            bool allowingOneOwn = false;
            atDepth(depth, nestedLoops, [&] {
                atBase = EventDepth::AtTheBase();
                allowingOneOwn = EventDepth::AtTheBase(1);
            });
            EXPECT_EQ(atBase, depth == 0);
            // A handler the caller's own event passes through hides no wait.
            if (depth == 0)
                EXPECT_TRUE(allowingOneOwn);
            // But it never makes a real wait below look like the base.
            if (depth >= 2)
                EXPECT_FALSE(allowingOneOwn);
        }
}
