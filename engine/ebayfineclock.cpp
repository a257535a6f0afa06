#include "engine/ebayfineclock.h"

#include "engine/ebayclock.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>

namespace EbayFineClock {

namespace {

// Two quartz clocks drift apart by well under 100 parts per million: 1 ms
// of uncertainty more for every 10 s since the interval was last narrowed.
constexpr qint64 kDriftDivisor = 10000;

std::optional<Offset> g_known;
qint64 g_knownAtMs = 0;
std::optional<qint64> g_moveMs;
std::optional<qint64> g_quickestMs;
qint64 g_movedAtMs = 0;

Offset widened(const Offset &offset, qint64 sinceMs)
{
    const qint64 drift = std::abs(sinceMs) / kDriftDivisor + 1;
    return {offset.lowMs - drift, offset.highMs + drift};
}

qint64 middle(const Offset &offset)
{
    return offset.lowMs + offset.widthMs() / 2;
}

// This computer's clock reading now, as ms since the epoch of that reading.
qint64 wallReadingMs()
{
    const QDateTime now = EbayClock::ComputerNow();
    return EbayClock::Reading(now).toMSecsSinceEpoch();
}

} // namespace

qint64 SteadyNowMs()
{
    // What a test moves ahead is time passing, for both clocks alike.
    const qint64 aheadMs = EbayClock::ComputerClockAheadSeconds() * 1000;
#ifdef CLOCK_BOOTTIME
    // Runs on while the computer sleeps, as eBay's clock does.
    timespec now{};
    if (clock_gettime(CLOCK_BOOTTIME, &now) == 0)
        return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000 + aheadMs;
#endif
    const auto steady = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(steady).count() + aheadMs;
}

Offset Allowed(const Reading &reading)
{
    const qint64 sent = std::min(reading.sentMs, reading.arrivedMs);
    const qint64 arrived = std::max(reading.sentMs, reading.arrivedMs);
    // The monotonic readings are cut to whole milliseconds: the arrival may
    // have been up to 1 ms later than it says.
    return {reading.shownMs - arrived - 1, reading.shownMs + 1000 - sent};
}

std::optional<Offset> Narrowed(const Offset &known, const Offset &reading)
{
    const Offset both{std::max(known.lowMs, reading.lowMs), std::min(known.highMs, reading.highMs)};
    if (both.widthMs() <= 0)
        return std::nullopt;
    return both;
}

std::optional<qint64> Record(const Reading &reading)
{
    const Offset allowed = Allowed(reading);
    const qint64 at = std::max(reading.sentMs, reading.arrivedMs);
    const qint64 roundTrip = std::abs(reading.arrivedMs - reading.sentMs);
    g_quickestMs = std::min(g_quickestMs.value_or(roundTrip), roundTrip);
    std::optional<qint64> moved;
    if (g_known) {
        const Offset known = widened(*g_known, at - g_knownAtMs);
        if (const auto both = Narrowed(known, allowed)) {
            g_known = both;
            g_knownAtMs = at;
            return std::nullopt;
        }
        moved = middle(allowed) - middle(known);
        g_moveMs = moved;
        g_movedAtMs = at;
    }
    g_known = allowed;
    g_knownAtMs = at;
    return moved;
}

std::optional<Offset> Known()
{
    if (!g_known)
        return std::nullopt;
    return widened(*g_known, SteadyNowMs() - g_knownAtMs);
}

void Forget()
{
    g_known.reset();
    g_moveMs.reset();
    g_quickestMs.reset();
}

std::optional<qint64> RecentMoveSeconds(qint64 withinS)
{
    if (!g_moveMs || SteadyNowMs() - g_movedAtMs > withinS * 1000)
        return std::nullopt;
    const qint64 ms = *g_moveMs;
    return (ms + (ms < 0 ? -500 : 500)) / 1000;
}

std::optional<qint64> QuickestRoundTripMs()
{
    return g_quickestMs;
}

QDateTime LatestEbayNow()
{
    const auto known = Known();
    if (!known)
        return EbayClock::EbayNow();
    const qint64 ms = SteadyNowMs() + known->highMs - 1;
    return QDateTime::fromMSecsSinceEpoch(ms - ms % 1000, Qt::UTC);
}

qint64 LatestOffsetMs(const Offset &known, qint64 oneWayMs)
{
    return std::max(middle(known), known.highMs - 1 - std::max<qint64>(0, oneWayMs));
}

qint64 MsecsUntil(const QDateTime &ebayMoment, qint64 oneWayMs)
{
    const qint64 target = EbayClock::Reading(ebayMoment).toMSecsSinceEpoch();
    if (const auto known = Known())
        return target - (SteadyNowMs() + LatestOffsetMs(*known, oneWayMs));
    // Only the whole-second offset yet.
    return target - EbayClock::Offset() * 1000 - wallReadingMs();
}

QString Description()
{
    const qint64 zoneMs = EbayClock::EstimatedOffset() * 1000;
    const auto known = Known();
    if (!known) {
        return QStringLiteral("eBay's clock: %1 s +/- 1.000 s")
            .arg(QString::asprintf("%+.3f", double(EbayClock::Offset() * 1000 - zoneMs) / 1000.0));
    }
    const qint64 wallFromSteady = wallReadingMs() - SteadyNowMs();
    const qint64 ahead = middle(*known) - wallFromSteady - zoneMs;
    return QStringLiteral("eBay's clock: %1 s +/- %2 s")
        .arg(QString::asprintf("%+.3f", double(ahead) / 1000.0),
             QString::asprintf("%.3f", double(known->widthMs()) / 2000.0));
}

} // namespace EbayFineClock
