#pragma once

// Whether a bid request that got no whole answer goes to eBay again.
namespace BidResend {

// A confirmation, a one-call bid or a purchase goes out again only when it
// cannot have reached eBay (its connection failed before the request was
// written) and never once the auction is over: one that went out may have
// been taken, and a second one could bid twice or buy twice. Such a bid
// stays of unknown outcome until the item page tells.
bool MaySendAgain(bool requestWritten, bool auctionOver);

} // namespace BidResend
