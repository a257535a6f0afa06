#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// eBay's clock and the end times of the tracked auctions.
//
// Times here are clock readings: a date and a time of day as some clock
// shows them, carried in a QDateTime marked Qt::UTC only so that adding
// seconds never meets a daylight-saving gap. Three clocks matter:
//   - this computer's clock (LocalNow);
//   - eBay's clock, which shows US Pacific time and may be a little off:
//     eBay now = local now + the offset (EbayTimeOffset, measured by each
//     refresh from eBay's official-time page). A row's enddate holds its end
//     on this clock, so the countdown needs no time zone at all;
//   - the user's clock, the zone saved as "Time Zone" in the settings: the
//     shown end time (enddatedisp) and the list file's end date are on it.
//     Reading the list file moves its end dates back to eBay's clock.
namespace EbayClock {

// This computer's date and time, whole seconds.
QDateTime LocalNow();
// This computer's present moment as the refresh schedule reads it.
QDateTime ComputerNow();
// Puts this computer's clock, as the program reads it, `seconds` ahead of
// the real one: tests let minutes pass without waiting for them (0 undoes it).
void SetComputerClockAhead(qint64 seconds);
qint64 ComputerClockAheadSeconds();
// Sets this computer's date and time `seconds` off, as a time service might
// after a resume, while no time passes (tests; 0 undoes it).
void StepComputerClock(qint64 seconds);

// Seconds to add to LocalNow to read eBay's clock. Until a refresh has
// measured it in this run (and while nobody has set EbayTimeOffset), the
// difference between Pacific time and this computer's zone stands in for it.
qint64 Offset();
// Records a measured offset in EbayTimeOffset.
void SetMeasuredOffset(qint64 seconds);

// Where the offset in force comes from: the time zones' estimate, the dates
// eBay's replies carry (when its time page could not be read), or its time page.
enum class OffsetSource { ZoneEstimate, ReplyDates, TimePage };
OffsetSource Source();
// Records an offset read from the date of an eBay reply; no effect once the
// time page was read in this run, whose reading is the finer one.
void SetOffsetFromReplyDate(qint64 seconds);
// The reading of eBay's clock an HTTP `Date` header gives ("Sun, 06 Nov 1994
// 08:49:37 GMT", UTC): the same moment on the US Pacific clock eBay shows,
// whole seconds; nothing when the header does not read as a date.
std::optional<QDateTime> PacificReadingOfHttpDate(const QByteArray &header);
// Forgets that the offset was measured, the fine one too (tests).
void ForgetMeasurement();
// Pacific time minus this computer's zone at the present moment, in seconds.
qint64 EstimatedOffset();

// The offset a reading of eBay's clock gives. eBay showed `ebayReading` at
// some moment while this computer's clock read from `localBefore` to
// `localAfter` (whole seconds, as LocalNow reads them); of the offsets that
// agree with that, the one nearest `inForce`. A reading that still agrees
// with the offset in force leaves it as it is, so the rounding to whole
// seconds never makes a snipe's moment wobble, and a clock that moved moves
// it by no more than the reading shows.
qint64 OffsetFromReading(const QDateTime &ebayReading, const QDateTime &localBefore, const QDateTime &localAfter,
                         qint64 inForce);

// LocalNow + Offset.
QDateTime EbayNow();

// Hours from Pacific time to the user's saved zone (its hours + 8; 0 when
// the saved zone is no entry of the list).
int DisplayShiftHours();
// An end time read on eBay's clock, on the user's clock, and back.
QDateTime PacificToDisplay(const QDateTime &pacific);
QDateTime DisplayToPacific(const QDateTime &display);

// Seconds from eBay's present moment (ebayNow) to the end held in an
// enddate field (on eBay's clock); nothing when the field holds no end time.
std::optional<qint64> SecondsLeft(const QString &enddateField, const QDateTime &ebayNow);

// The reading of eBay's clock at the end held in an enddate field less
// `secondsBeforeEnd`; nothing when the field holds no end time. When this
// computer's clock reaches it is EbayFineClock's to say.
std::optional<QDateTime> EbayMomentBeforeEnd(const QString &enddateField, qint64 secondsBeforeEnd);

// A reading as a clock-reading carrier (marked Qt::UTC, the same date and time).
QDateTime Reading(const QDateTime &when);

} // namespace EbayClock
