#pragma once

#include <QString>

namespace Sim {

struct SimItem;

// The bid pages of the simulated eBay, each with its marker texts written
// exactly as eBay wrote them.
namespace BidPages {

// The review page of a bid: the signed-in user ID in quotes (as an input
// value), the uiid and stok inputs, the amount and the quantity.
QString review(const SimItem &item, const QString &user, const QString &maxBid, const QString &qty, const QString &uiid,
               const QString &stok);
// The preparation page of an item that has ended (it holds ">Ended:</").
QString ended(const SimItem &item);
// The sign-in form, shown for a bid by someone who is not signed in.
QString signInRequired();
// eBay's page for a browser that refuses cookies at sign-in.
QString cookiesBlocked();
// A preparation page of one of the rows "A2" ... "A5"; like every eBay page
// it names the signed-in user (when there is one) in its header, and the
// item (when it is listed) above its message.
QString preparationFailure(const QString &row, const QString &number, const QString &user = {},
                           const SimItem *item = nullptr);

// Confirmation replies.
QString firstBidder(const SimItem &item, const QString &user);
QString highestBidder(const SimItem &item, const QString &user);
QString outbid(const SimItem &item);
QString tooLow(const SimItem &item);
// One of the rows "B2" ... "B13", naming the item (when given) above it.
QString confirmationFailure(const QString &row, const SimItem *item = nullptr);
// The currency notice with its uiid, firedFilteredId and stok inputs.
QString currencyNotice(const SimItem &item, const QString &uiid, const QString &firedFilteredId, const QString &stok);
// A page the program knows no marker of.
QString unknownReply();
QString sessionExpired();
QString biddingEnded(const SimItem &item);
QString wrongPassword();

// Buy It Now: bought at `price`; the item has no Buy It Now price; an
// auction's Buy It Now gone with its first bid; more than the quantity left.
QString purchased(const SimItem &item, const QString &user, double price);
QString noBuyItNow(const SimItem &item);
QString buyItNowGone(const SimItem &item);
QString quantityNotAvailable(const SimItem &item);

// The vendor's report page: the form "ReportForm" and, after sending, the
// thanks.
QString reportForm();
QString reportSent();

} // namespace BidPages

} // namespace Sim
