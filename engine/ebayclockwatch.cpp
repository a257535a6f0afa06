#include "engine/ebayclockwatch.h"

#include "engine/ebaytimepage.h"
#include "engine/frmbid.h"

#include <QPointer>
#include <QTimer>

#include <limits>
#include <memory>

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
// Readings at one change of the second while the offset is wide beyond
// kCombAboveMs and several round trips: they cut its interval into this many
// and one parts (each part keeps a round trip of its own, so a narrow one is
// halved by one reading at a time).
constexpr int kWideComb = 4;
// A narrow one is cut in three: with the reading beyond its high end, an odd
// number of readings at each change, so a page stale every second reading
// cannot fall on the same ones each time.
constexpr int kNarrowComb = 2;
constexpr qint64 kCombAboveMs = 100;
// Readings farther beyond the high end, each this many times farther.
constexpr qint64 kBeyondSteps = 4;
// A reading is aimed no sooner than this from now, so its timer can keep it.
constexpr qint64 kAimAheadMs = 30;
constexpr int kTimeoutSeconds = 5;

QPointer<QObject> g_owner;
std::optional<qint64> g_nearestS;
qint64 g_askedMs = std::numeric_limits<qint64>::min() / 2;
int g_waiting = 0; // readings aimed or asked and not answered yet
qint64 g_waitUntilMs = 0; // readings not answered by then never will be

void answered()
{
    g_waiting = std::max(0, g_waiting - 1);
}

void ask()
{
    g_askedMs = EbayFineClock::SteadyNowMs();
    if (!g_owner) {
        answered();
        return;
    }
    EbayTimePage::ReadWithoutWaiting(g_owner, kTimeoutSeconds, [](bool moved) {
        answered();
        if (moved)
            frmBid::EbaysClockMoved();
        // Not narrow yet: the next change of the second is read at once.
        if (g_waiting == 0)
            Keep(g_owner, g_nearestS);
    });
}

void askAt(QObject *owner, qint64 delayMs)
{
    ++g_waiting;
    g_waitUntilMs = std::max(g_waitUntilMs, EbayFineClock::SteadyNowMs() + delayMs + (kTimeoutSeconds + 1) * 1000);
    auto *timer = new QTimer(owner);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    const auto asked = std::make_shared<bool>(false);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, asked] {
        *asked = true;
        timer->deleteLater();
        ask();
    });
    // A timer that goes with its owner never asks: its reading is not waited for.
    QObject::connect(timer, &QObject::destroyed, [asked] {
        if (!*asked)
            answered();
    });
    timer->start(int(std::max<qint64>(0, delayMs)));
}

} // namespace

qint64 AimedAskMs(const EbayFineClock::Offset &known, qint64 nowMs, qint64 roundTripMs, int part, int parts)
{
    // eBay's second changes where the monotonic clock plus the offset is a
    // whole second; the offset is guessed at a point of its interval.
    const qint64 offset = known.lowMs + known.widthMs() * part / parts;
    const qint64 halfTrip = roundTripMs / 2;
    // The first change that lies far enough ahead whatever the offset: one
    // change for the whole comb.
    const qint64 second = EbayFineClock::FloorDiv(nowMs + kAimAheadMs + halfTrip + known.highMs - 1, 1000) + 1;
    return second * 1000 - offset - halfTrip;
}

qint64 AskForOffsetMs(qint64 offsetMs, qint64 nowMs, qint64 roundTripMs)
{
    const qint64 halfTrip = roundTripMs / 2;
    // The first change of the second it can still be aimed at.
    const qint64 second = EbayFineClock::FloorDiv(nowMs + kAimAheadMs + halfTrip + offsetMs - 1, 1000) + 1;
    return second * 1000 - offsetMs - halfTrip;
}

EbayFineClock::Offset AimedAt(const EbayFineClock::Agreement &agreement)
{
    return agreement.disagreeing > 0 ? agreement.offset : agreement.narrowest;
}

std::vector<qint64> CombAskMs(const EbayFineClock::Agreement &agreement, qint64 nowMs, qint64 roundTripMs)
{
    const EbayFineClock::Offset known = AimedAt(agreement);
    const bool wide = known.widthMs() > kCombAboveMs + (kWideComb + 1) * roundTripMs;
    const int parts = (wide ? kWideComb : kNarrowComb) + 1;
    std::vector<qint64> asks;
    for (int part = 1; part < parts; ++part)
        asks.push_back(AimedAskMs(known, nowMs, roundTripMs, part, parts));
    const qint64 beyond = known.highMs + roundTripMs / 2;
    asks.push_back(AskForOffsetMs(beyond + EbayFineClock::kBeyondHighMs, nowMs, roundTripMs));
    // Once stale pages are seen, readings ever farther beyond, up to where no
    // stale page could have cut it: stale cuts that held the interval below
    // eBay's clock are shown up at once, not a few milliseconds a change.
    if (agreement.disagreeing > 0) {
        const qint64 farthest = agreement.narrowest.highMs + EbayFineClock::kStaleLimitMs;
        for (qint64 stepMs = EbayFineClock::kBeyondHighMs * kBeyondSteps; beyond + stepMs < farthest; stepMs *= kBeyondSteps)
            asks.push_back(AskForOffsetMs(beyond + stepMs, nowMs, roundTripMs));
        // An odd number in all, as the comb and the one beyond make.
        if (asks.size() % 2 == 0)
            asks.push_back(AskForOffsetMs(beyond + EbayFineClock::kBeyondHighMs, nowMs, roundTripMs));
    }
    return asks;
}

std::optional<qint64> ReadEveryMs(std::optional<qint64> nearestSnipeSeconds, bool narrow)
{
    if (!nearestSnipeSeconds || *nearestSnipeSeconds > kLastMinutesS || *nearestSnipeSeconds < 0)
        return std::nullopt;
    if (!narrow)
        return 0;
    return *nearestSnipeSeconds <= kLastMinuteS ? kLastMinuteEveryMs : kLastMinutesEveryMs;
}

void Keep(QObject *owner, std::optional<qint64> nearestSnipeSeconds)
{
    g_owner = owner;
    g_nearestS = nearestSnipeSeconds;
    if (!owner || !ReadEveryMs(nearestSnipeSeconds, false))
        return;
    const qint64 now = EbayFineClock::SteadyNowMs();
    // Readings that never answer are given up after their time-out.
    if (g_waiting > 0 && now < g_waitUntilMs)
        return;
    g_waiting = 0;
    const auto agreement = EbayFineClock::CurrentAgreement();
    // Aimed where the readings that agree leave eBay's clock; readings set
    // aside as stale keep no interval wide enough to read each second.
    const auto known = agreement ? std::optional(agreement->narrowest) : std::nullopt;
    const qint64 trip = EbayFineClock::QuickestRoundTripMs().value_or(0);
    const bool narrow = known && known->widthMs() <= trip + kNarrowBeyondTripMs;
    if (now - g_askedMs < *ReadEveryMs(nearestSnipeSeconds, narrow))
        return;
    if (!known) {
        askAt(owner, 0);
        return;
    }
    for (const qint64 askMs : CombAskMs(*agreement, now, trip))
        askAt(owner, askMs - now);
}

} // namespace EbayClockWatch
