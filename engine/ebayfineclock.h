#pragma once

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

// eBay's clock to a fraction of a second, against this computer's monotonic
// clock, which runs on through sleep (a step of its date and time moves
// nothing here).
//
// eBay's time page shows whole seconds. A reading asked for at `sentMs` and
// answered at `arrivedMs` (monotonic) that shows second S was made at some
// instant x between the two, when eBay's clock read from S to just below
// S + 1 s: the offset (eBay's clock minus the monotonic clock) lies in
// [S - arrivedMs, S + 1000 - sentMs). Readings of one clock narrow that
// interval together, most of all two that fall on either side of a change of
// the page's second.
//
// A page served stale (a cache, or a server whose clock lags by part of a
// second) shows an earlier second than eBay's clock: its low end still
// bounds the offset, its high end does not. Readings are therefore judged
// together (Agreed): one whose high end lies below another's low end cannot
// be true with it and is set aside as stale; while such disagreement is in
// view a high end counts only where several readings vouch for it, so the
// moment errs early rather than rest on one stale cut. A reading ahead of every earlier one, or behind
// them by more than any stale page lags, tells that eBay's clock moved; it
// starts the interval anew.
//
// The bid's moment is taken at the interval's late end (eBay's clock as far
// ahead as the readings allow), so a wide interval makes it early, never late.
namespace EbayFineClock {

// `a` divided by `b`, rounded down also below zero (readings before 1970,
// offsets behind).
constexpr qint64 FloorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// Milliseconds on this computer's monotonic clock (with the tests' clock
// ahead, EbayClock::SetComputerClockAhead, so simulated time passes alike).
qint64 SteadyNowMs();

// eBay's clock minus the monotonic clock, in [lowMs, highMs).
struct Offset
{
    qint64 lowMs = 0;
    qint64 highMs = 0;
    qint64 widthMs() const { return highMs - lowMs; }
    bool holds(qint64 offsetMs) const { return offsetMs >= lowMs && offsetMs < highMs; }
};

struct Reading
{
    qint64 shownMs = 0;   // the second the page showed, as ms since the epoch of its reading
    qint64 sentMs = 0;    // monotonic, when it was asked for
    qint64 arrivedMs = 0; // monotonic, when its answer arrived
};

// The offsets one reading allows.
Offset Allowed(const Reading &reading);
// The offsets both allow; nothing when they share none (eBay's clock moved).
std::optional<Offset> Narrowed(const Offset &known, const Offset &reading);

// What a set of readings agree on, each already widened for drift: the
// highest low end bounds the offset from below; a reading whose high end is
// not above it disagrees (a stale page). With none disagreeing the interval
// is the readings' intersection. With any, a stale page may also have cut
// the high end unseen: the high end is then the kVouchingReadings-th lowest
// of the others, those more than `tieMs` above the low end (a point of the
// second read twice, once fresh and once stale, gives a low and a high end
// that close); with fewer such readings, the others' lowest plus a stale
// page's lag, never past their highest, so the moment errs early.
// The last `unfollowed` readings had no reading asked after their answer,
// none that could yet show them stale: their high ends narrow only where
// the next readings are aimed, the interval in force not before the next.
struct Agreement
{
    Offset offset;
    // The others' intersection: where the next readings are aimed.
    Offset narrowest;
    int disagreeing = 0; // readings set aside as behind the others
    int readings = 0;
};
Agreement Agreed(const std::vector<Offset> &readings, std::size_t unfollowed = 0, qint64 tieMs = 0);
// Once readings disagree, a high end counts where this many readings end at
// or below it (Agreed).
inline constexpr int kVouchingReadings = 3;
// A page served stale lags eBay's clock by less than this; a reading further
// behind tells that eBay's clock was set back.
inline constexpr qint64 kStaleLimitMs = 1000;
// How far beyond the agreed high end, and beyond the way back of its answer,
// the reading that checks that end is aimed (EbayClockWatch).
inline constexpr qint64 kBeyondHighMs = 10;

// Records a reading; the offset it moved eBay's clock by (ms), when it did.
std::optional<qint64> Record(const Reading &reading);
// The agreement of the readings so far, as they stand now; nothing before
// the first reading.
std::optional<Agreement> CurrentAgreement();
// The interval in force, widened for the drift of the clocks since it was
// last narrowed; nothing before the first reading.
std::optional<Offset> Known();
// Forgets every reading (tests, and a new start of the program's clock).
void Forget();
// The latest move of eBay's clock seen, in whole seconds, when it is at most
// `withinS` seconds old.
std::optional<qint64> RecentMoveSeconds(qint64 withinS);
// The quickest reading's time from asking to answer (ms); nothing before
// the first reading.
std::optional<qint64> QuickestRoundTripMs();

// eBay's clock reading less this computer's, in whole seconds, as the
// readings so far say together: `inForce` while it is one of the two whole
// seconds around the interval's middle, else the nearer of them, so one
// page served stale does not move it; nothing before the first reading.
std::optional<qint64> AheadSeconds(qint64 inForce);

// eBay's clock now at its latest (the interval's late end), as a reading of
// whole seconds; EbayClock::EbayNow() while nothing is known.
QDateTime LatestEbayNow();

// Milliseconds from now until eBay's clock, at its latest, reaches the
// reading `ebayMoment` (negative once passed). This is the snipe's moment.
// Over a path of `oneWayMs` each way (0: unknown) every reading was made at
// least that long after it was written and before it arrived, so the latest
// is that much earlier, never past the interval's middle.
qint64 MsecsUntil(const QDateTime &ebayMoment, qint64 oneWayMs = 0);
// The offset the moment is taken at: the interval's late end, less the path.
qint64 LatestOffsetMs(const Offset &known, qint64 oneWayMs);

// "eBay's clock: +0.412 s +/- 0.020 s": its difference from this computer's
// clock (the time zones taken out) and the uncertainty; readings set aside
// as stale are told after it.
QString Description();

} // namespace EbayFineClock
