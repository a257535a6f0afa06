#pragma once

#include <QtGlobal>

#include <optional>

// Whether a bid request that got no whole answer goes to eBay again.
namespace BidResend {

// A confirmation, a one-call bid or a purchase goes out again only when it
// cannot have reached eBay (its connection failed before the request was
// written) and never once the auction is over: one that went out may have
// been taken, and a second one could bid twice or buy twice. Such a bid
// stays of unknown outcome until the item page tells.
bool MaySendAgain(bool requestWritten, bool auctionOver);

// How often a confirmation never written goes again, each at once: a host
// that closes connections before any request keeps it no longer than this.
inline constexpr int kUnwrittenResends = 10;

// A confirmation, a one-call bid or a purchase is written to eBay only while
// its auction runs by eBay's clock: `secondsLeft` above 0, or not known. One
// held until the end (by the event loop, a slow connection or other bids)
// does not go out at all, and a snipe so held has missed.
bool MayWriteBid(std::optional<qint64> secondsLeft);

} // namespace BidResend
