#include "engine/wondecision.h"

#include "engine/trackedauction.h"
#include "foundation/ebayuser.h"

namespace WonDecision {

namespace {

using BidRecord::Outcome;

// A snipe left to the online service alone, or one this computer was to
// place as well but never did: no bid of this program's stands for it.
bool serviceBidOnly(const QString &tag, Outcome ownBid)
{
    return ownBid == Outcome::None && (tag == SnipeState::Online || tag == SnipeState::Both);
}

} // namespace

Verdict Decide(const PageFacts &page, const QString &rowUser, Outcome ownBid, const QString &tag)
{
    // A winner entry that shows no ID cannot be the row's user either.
    if (page.winner && !page.winner->isEmpty() && SameEbayUser(*page.winner, rowUser))
        return Verdict::Won;
    if (page.winner)
        return Verdict::NotWon;
    // A bid or purchase whose reply never came stays unknown until a page
    // read after the auction's end decides: a running auction's page, or an
    // ended one whose price did not read, never does.
    if (ownBid == Outcome::Sent && (!page.auctionOver || page.price <= 0))
        return Verdict::Unknown;
    // A price that did not read wins nothing.
    const bool priceWins = page.price > 0 && page.price <= page.maximum && page.someoneBid;
    if (!priceWins)
        return Verdict::NotWon;
    if (!page.auctionOver || serviceBidOnly(tag, ownBid))
        return ownBid == Outcome::Failed ? Verdict::NotWon : Verdict::Won;
    switch (ownBid) {
    case Outcome::Confirmed:
        return Verdict::Won;
    case Outcome::Sent:
        return Verdict::Unknown;
    case Outcome::None:
    case Outcome::Failed:
        break;
    }
    return Verdict::NotWon;
}

} // namespace WonDecision
