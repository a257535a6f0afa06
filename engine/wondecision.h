#pragma once

#include "engine/bidrecord.h"

#include <QString>

#include <optional>

// Whether a row's auction is won, from what its item page shows and from
// what this program knows of its own bid on it. While the auction runs the
// price alone says "winning"; once it is over only a winner the page names
// or a bid eBay confirmed can have won, because a bid that never reached
// eBay would otherwise read as a win and close the rest of its bid group. A
// bid whose reply never came is decided only by a page read after the
// auction's end: never winning, nor lost, by a running auction's price.
namespace WonDecision {

// What one read of the item page shows.
struct PageFacts
{
    bool auctionOver = false; // the page says so, or its end time has passed
    // The ID in the page's "Winning bidder" entry; nullopt without the
    // entry, "" when the entry shows no readable ID.
    std::optional<QString> winner;
    bool someoneBid = true;        // false only when the page counts no bid at all
    double price = 0;              // the current price; 0 when it did not read
    double maximum = 0;            // the row's maximum bid; 0 for a watched row
};

enum class Verdict {
    Won,
    NotWon,
    // This program's bid went out and eBay never answered it; the price says
    // it may have won, but nothing shows that eBay took the bid.
    Unknown,
};

// `rowUser` is the row's eBay user ID, in whatever letter case it was typed.
// `tag` is the row's bid state: the bids the online service places are not
// recorded here, so such a row is judged by the price alone.
Verdict Decide(const PageFacts &page, const QString &rowUser, BidRecord::Outcome ownBid, const QString &tag);

} // namespace WonDecision
