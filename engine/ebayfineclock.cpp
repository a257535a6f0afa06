#include "engine/ebayfineclock.h"

#include "engine/ebayclock.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <limits>
#include <ctime>

namespace EbayFineClock {

namespace {

// Two quartz clocks drift apart by well under 100 parts per million: 1 ms
// of uncertainty more for every 10 s since the interval was last narrowed.
constexpr qint64 kDriftDivisor = 10000;

// Readings judged together: enough for the last minutes of a snipe.
constexpr std::size_t kKeptReadings = 48;

struct Stored
{
    Offset allowed;
    qint64 sentMs = 0;
    qint64 atMs = 0;
};
std::deque<Stored> g_readings;
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

// The readings as they stand at `atMs`, each widened for the drift since.
std::vector<Offset> widenedAt(qint64 atMs)
{
    std::vector<Offset> all;
    all.reserve(g_readings.size());
    for (const Stored &r : g_readings)
        all.push_back(widened(r.allowed, atMs - r.atMs));
    return all;
}

// Once a stale page has been seen, any high end may be another's cut below
// eBay's clock unseen. A stale page answers as if its second had not yet
// changed, so a high end counts only where kVouchingReadings of `highs` (the
// followed readings' high ends, none within the tie of the low end: those
// may be the same point read stale) end at or below it: the offset lies
// below it unless every one of them was stale. With fewer, `loosest`.
qint64 vouchedHigh(std::vector<qint64> highs, qint64 loosest)
{
    if (highs.size() < std::size_t(kVouchingReadings))
        return loosest;
    std::nth_element(highs.begin(), highs.begin() + (kVouchingReadings - 1), highs.end());
    return std::min(loosest, highs[kVouchingReadings - 1]);
}

} // namespace

std::optional<Agreement> CurrentAgreement()
{
    if (g_readings.empty())
        return std::nullopt;
    // Those answered after the last reading was asked: none could show them
    // stale yet.
    qint64 lastSent = std::numeric_limits<qint64>::min();
    for (const Stored &r : g_readings)
        lastSent = std::max(lastSent, r.sentMs);
    std::size_t unfollowed = 0;
    for (auto r = g_readings.rbegin(); r != g_readings.rend() && r->atMs > lastSent; ++r)
        ++unfollowed;
    const qint64 now = SteadyNowMs();
    // A low and a high end this close may be one point of eBay's second read
    // twice, fresh and stale: the way there and back, and both ends' drift.
    const qint64 oldestDrift = widened({}, now - g_readings.front().atMs).highMs;
    return Agreed(widenedAt(now), unfollowed, g_quickestMs.value_or(0) + 2 * oldestDrift);
}

namespace {

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

Agreement Agreed(const std::vector<Offset> &readings, std::size_t unfollowed, qint64 tieMs)
{
    Agreement agreement;
    agreement.readings = int(readings.size());
    if (readings.empty())
        return agreement;
    // Every low end holds whether or not its page was stale.
    qint64 low = std::numeric_limits<qint64>::min();
    for (const Offset &r : readings)
        low = std::max(low, r.lowMs);
    constexpr qint64 kNone = std::numeric_limits<qint64>::max();
    qint64 lowestHigh = kNone;
    qint64 lowestFollowedHigh = kNone;
    qint64 highestHigh = std::numeric_limits<qint64>::min();
    std::vector<qint64> vouching;
    const std::size_t followed = readings.size() - std::min(unfollowed, readings.size());
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const Offset &r = readings[i];
        if (r.highMs <= low) {
            ++agreement.disagreeing;
            continue;
        }
        lowestHigh = std::min(lowestHigh, r.highMs);
        highestHigh = std::max(highestHigh, r.highMs);
        if (i < followed) {
            lowestFollowedHigh = std::min(lowestFollowedHigh, r.highMs);
            if (r.highMs > low + tieMs)
                vouching.push_back(r.highMs);
        }
    }
    // The reading that gave the low end is always among the others.
    agreement.narrowest = {low, lowestHigh};
    const qint64 agreedHigh = lowestFollowedHigh != kNone ? lowestFollowedHigh : lowestHigh;
    const qint64 loosest = std::min(highestHigh, lowestHigh + kStaleLimitMs);
    agreement.offset = {low, agreement.disagreeing > 0 ? vouchedHigh(std::move(vouching), loosest) : agreedHigh};
    return agreement;
}

std::optional<qint64> Record(const Reading &reading)
{
    const Offset allowed = Allowed(reading);
    const qint64 at = std::max(reading.sentMs, reading.arrivedMs);
    const qint64 roundTrip = std::abs(reading.arrivedMs - reading.sentMs);
    g_quickestMs = std::min(g_quickestMs.value_or(roundTrip), roundTrip);
    std::optional<qint64> moved;
    if (!g_readings.empty()) {
        const std::vector<Offset> earlier = widenedAt(at);
        const Agreement before = Agreed(earlier);
        qint64 highestHigh = std::numeric_limits<qint64>::min();
        for (const Offset &r : earlier)
            highestHigh = std::max(highestHigh, r.highMs);
        // No stale page is ahead of eBay's clock, nor this far behind it.
        const bool ahead = allowed.lowMs >= highestHigh;
        const bool farBehind = allowed.highMs <= before.offset.lowMs - kStaleLimitMs;
        if (ahead || farBehind) {
            moved = middle(allowed) - middle(before.offset);
            g_moveMs = moved;
            g_movedAtMs = at;
            g_readings.clear();
        }
    }
    g_readings.push_back({allowed, std::min(reading.sentMs, reading.arrivedMs), at});
    while (g_readings.size() > kKeptReadings)
        g_readings.pop_front();
    return moved;
}

std::optional<Offset> Known()
{
    if (const auto agreement = CurrentAgreement())
        return agreement->offset;
    return std::nullopt;
}

void Forget()
{
    g_readings.clear();
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

std::optional<qint64> AheadSeconds(qint64 inForce)
{
    const auto known = Known();
    if (!known)
        return std::nullopt;
    // Ahead by a fraction: either whole second around it will do.
    const qint64 aheadMs = middle(*known) - (wallReadingMs() - SteadyNowMs());
    return std::clamp(inForce, FloorDiv(aheadMs, 1000), -FloorDiv(-aheadMs, 1000));
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
    const auto agreement = CurrentAgreement();
    if (!agreement) {
        return QStringLiteral("eBay's clock: %1 s +/- 1.000 s")
            .arg(QString::asprintf("%+.3f", double(EbayClock::Offset() * 1000 - zoneMs) / 1000.0));
    }
    const qint64 wallFromSteady = wallReadingMs() - SteadyNowMs();
    const Offset &known = agreement->offset;
    const qint64 ahead = middle(known) - wallFromSteady - zoneMs;
    QString line = QStringLiteral("eBay's clock: %1 s +/- %2 s")
                       .arg(QString::asprintf("%+.3f", double(ahead) / 1000.0),
                            QString::asprintf("%.3f", double(known.widthMs()) / 2000.0));
    if (agreement->disagreeing > 0) {
        line += QStringLiteral(" (%1 of %2 readings of eBay's time behind the others, set aside as stale: the moment taken early)")
                    .arg(agreement->disagreeing)
                    .arg(agreement->readings);
    }
    return line;
}

} // namespace EbayFineClock
