#include "platform/ticktimer.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QEventLoop>

#include <algorithm>
#include <iostream>

namespace {

constexpr qint64 kSecond = 1'700'000'000'000; // the start of some second of the clock
constexpr qint64 kLate = TickTimer::kAlignedLateMs;

} // namespace

TEST(TickTimerAligned, TheNextTickComesJustAfterTheStartOfTheNextSecond)
{
    // On time, late by most of a second, or a little early: the next tick is
    // the one just after the start of the second after the tick's own.
    EXPECT_EQ(TickTimer::AlignedDelay(kSecond + kLate, 1000), 1000);
    EXPECT_EQ(TickTimer::AlignedDelay(kSecond + 700, 1000), 300 + kLate);
    EXPECT_EQ(TickTimer::AlignedDelay(kSecond - 2, 1000), 1000 + kLate + 2);
    // A slower timer keeps the same phase.
    EXPECT_EQ(TickTimer::AlignedDelay(kSecond + 250, 5000), 4750 + kLate);
}

// The live timer: every tick falls early in its second, none is skipped and
// none comes twice in one second. The bound is loose so a busy machine does
// not fail it; the phases are printed.
TEST(TickTimerAligned, LiveTicksFallAtTheStartOfEachSecond)
{
    TickTimer timer(1000, false);
    timer.setAlignedToClock(true);
    QList<qint64> ticks;
    QEventLoop loop;
    QObject::connect(&timer, &TickTimer::Timer, &loop, [&] {
        ticks << QDateTime::currentMSecsSinceEpoch();
        if (ticks.size() == 4)
            loop.quit();
    });
    timer.setEnabled(true);
    loop.exec();
    timer.setEnabled(false);
    std::cout << "tick phases (ms):";
    for (qint64 t : ticks)
        std::cout << ' ' << t % 1000;
    std::cout << std::endl;
    for (int i = 0; i < ticks.size(); ++i) {
        EXPECT_LT(ticks[i] % 1000, 250) << "tick " << i;
        if (i > 0)
            EXPECT_EQ(ticks[i] / 1000, ticks[i - 1] / 1000 + 1) << "tick " << i;
    }
}
