#pragma once

#include "engine/bidstate.h"
#include "engine/wondecision.h"

#include <QString>

class ListItem;
class ListView;

// What this program's bid came to is settled by the engine itself: right
// after an auction with a bid out ends, its item page is read (and again
// every second or so until the page says), whatever bid windows or a
// refresh are doing meanwhile. A group's next snipe waits for that read.
namespace OutcomeSettler {

// The page's own text (the seller's values cut out) says the auction has
// ended.
bool PageSaysEnded(const QString &ownText);

// What one read of the item's page settles for the item's bid: a bid out
// moves to Won or Lost once an ended page names a winner or shows a price
// that rules; a running page, or an ended one whose price did not read,
// settles nothing. Returns the state after the read.
BidState::State Settle(const QString &itemNumber, const WonDecision::PageFacts &page, const QString &rowUser,
                       const QString &tag);

// The row as a settled (or still unknown) outcome shows it: won only when
// settled won.
void ShowOnRow(ListView &list, ListItem *row, BidState::State state);

// Reads the item's page once its auction is over by eBay's clock and until
// its bid's outcome is settled (or a few minutes have passed: the refresh
// goes on reading it then). Asking again for an item followed already
// changes nothing.
void Follow(const QString &itemNumber);
// Items followed now (tests).
int Following();

} // namespace OutcomeSettler
