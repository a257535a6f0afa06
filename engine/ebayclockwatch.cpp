#include "engine/ebayclockwatch.h"

#include "engine/ebaytimepage.h"

#include <QPointer>
#include <QTimer>

#include <limits>

namespace EbayClockWatch {

namespace {

constexpr qint64 kLastMinutesS = 180;
constexpr qint64 kLastMinuteS = 60;
// Between readings once the offset is narrow: a move of eBay's clock in the
// last minute is seen within this.
constexpr qint64 kLastMinuteEveryMs = 3000;
constexpr qint64 kLastMinutesEveryMs = 20000;
// Narrow enough: this much beyond the quickest reading's own round trip,
// which no aiming gets below.
constexpr qint64 kNarrowBeyondTripMs = 10;
// A reading is aimed no sooner than this from now, so its timer can keep it.
constexpr qint64 kAimAheadMs = 30;
constexpr int kTimeoutSeconds = 5;

QPointer<QObject> g_owner;
QPointer<QTimer> g_aimed; // the reading waiting for its moment
std::optional<qint64> g_nearestS;
qint64 g_askedMs = std::numeric_limits<qint64>::min() / 2;
bool g_answered = true;

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

void ask()
{
    g_askedMs = EbayFineClock::SteadyNowMs();
    g_answered = false;
    if (!g_owner)
        return;
    EbayTimePage::ReadWithoutWaiting(g_owner, kTimeoutSeconds, [](bool) {
        g_answered = true;
        // Not narrow yet: the next change of the second is read at once.
        Keep(g_owner, g_nearestS);
    });
}

} // namespace

qint64 AimedAskMs(const EbayFineClock::Offset &known, qint64 nowMs, qint64 roundTripMs)
{
    // eBay's second changes where the monotonic clock plus the offset is a
    // whole second; the middle of the interval is the best guess of it.
    const qint64 offset = known.lowMs + known.widthMs() / 2;
    const qint64 halfTrip = roundTripMs / 2;
    const qint64 earliest = nowMs + kAimAheadMs + halfTrip;
    const qint64 change = (floorDiv(earliest + offset - 1, 1000) + 1) * 1000 - offset;
    return change - halfTrip;
}

void Keep(QObject *owner, std::optional<qint64> nearestSnipeSeconds)
{
    g_owner = owner;
    g_nearestS = nearestSnipeSeconds;
    if (!owner || !nearestSnipeSeconds || *nearestSnipeSeconds > kLastMinutesS || *nearestSnipeSeconds < 0 || g_aimed)
        return;
    const qint64 now = EbayFineClock::SteadyNowMs();
    if (!g_answered && now - g_askedMs < kTimeoutSeconds * 1000)
        return;
    const auto known = EbayFineClock::Known();
    const qint64 trip = EbayFineClock::QuickestRoundTripMs().value_or(0);
    const bool narrow = known && known->widthMs() <= trip + kNarrowBeyondTripMs;
    const qint64 every = !narrow ? 0 : *nearestSnipeSeconds <= kLastMinuteS ? kLastMinuteEveryMs : kLastMinutesEveryMs;
    if (now - g_askedMs < every)
        return;
    const qint64 askAt = known ? AimedAskMs(*known, now, trip) : now;
    auto *timer = new QTimer(owner);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [timer] {
        timer->deleteLater();
        g_aimed = nullptr;
        ask();
    });
    g_aimed = timer;
    timer->start(int(std::max<qint64>(0, askAt - now)));
}

} // namespace EbayClockWatch
