#pragma once

#include "engine/ebayfineclock.h"

#include <optional>
#include <vector>

class QObject;

// Reads eBay's time page as a snipe's moment nears, so the moment stands on
// eBay's clock to a fraction of a second and a move of that clock is seen
// within seconds. In a snipe's last minutes it reads at each change of the
// page's second until the fine offset is narrow, then now and then; in the
// last minute every few seconds. Each reading is aimed so that eBay makes its
// page just as its second changes, by the readings so far: whichever second
// the page then shows, the offset's interval is cut there. A wide interval is
// cut at several points of one change at once. One more reading of each
// change is aimed just beyond the interval's high end: a stale page that cut
// that end below eBay's clock is shown up by it, and a true end it leaves be.
namespace EbayClockWatch {

// Called by the main tick each second with the seconds left of the nearest
// snipe this computer still has to place (nothing: none).
void Keep(QObject *owner, std::optional<qint64> nearestSnipeSeconds);

// How long after the latest reading the next is asked, with the nearest
// snipe `nearestSnipeSeconds` away: 0, at the next change of the second,
// while the offset is not `narrow`; nothing when no snipe is near enough to
// watch eBay's clock for.
std::optional<qint64> ReadEveryMs(std::optional<qint64> nearestSnipeSeconds, bool narrow);

// The monotonic moment to ask at so that eBay reads its clock at the first
// change of its second that lies at least a little after `nowMs`, were the
// offset at `part` of `parts` of `known` and the answer taking `roundTripMs`.
// The readings of one comb (part 1 to parts - 1) go to the same change.
qint64 AimedAskMs(const EbayFineClock::Offset &known, qint64 nowMs, qint64 roundTripMs, int part, int parts);
// The same for a reading aimed at the offset `offsetMs`.
qint64 AskForOffsetMs(qint64 offsetMs, qint64 nowMs, qint64 roundTripMs);

// Where the comb is aimed: the interval the readings agree on, or once some
// were set aside as stale, the one in force (its high end vouched for by
// several readings), so fresh readings can still fall beyond eBay's clock.
EbayFineClock::Offset AimedAt(const EbayFineClock::Agreement &agreement);

// The readings of one change of the second: the comb across the interval
// the readings agree on, one beyond its high end by more than the way back
// of the answer (a page showing the later second there lifts the low end
// above a stale cut).
std::vector<qint64> CombAskMs(const EbayFineClock::Agreement &agreement, qint64 nowMs, qint64 roundTripMs);

} // namespace EbayClockWatch
