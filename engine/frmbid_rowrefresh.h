#pragma once

class frmBid;

// A bid placed at once (a bid now, a Buy It Now) that went to eBay changes
// its row's price, bids and high bidder at once, or leaves its outcome to the
// item page, and a row the item-number box has just added may not have been
// read yet: the row is read again from its item page as soon as the bid
// window's run has ended, by the refresh pass under way or, when none is, by
// one of its own as soon as the refresh may run, rather than at the next
// scheduled read. A snipe's row is left to the refresh after its end.
namespace BidRowRefresh {

// Follows the run of `form`, which places a bid at once.
void Follow(frmBid &form);

} // namespace BidRowRefresh
