#pragma once

#include <QString>

// The requests a bid sends to eBay's offer host. Only the user ID and the
// password are URL-encoded; the item number, the amount and the page tokens
// go as they are, and every query keeps its keys in this order. A request
// that carries the password goes over https; the others over http.
namespace BidRequests {

// The bid preparation page.
QString MakeBidURL(const QString &item, const QString &maxBid, int qty);

// The confirmation of a prepared bid, with the preparation page's tokens.
QString ConfirmBidURL(const QString &uiid, const QString &item, const QString &maxBid, int qty, const QString &user,
                      const QString &password, const QString &stok);

// The answer to eBay's currency notice, with the notice page's tokens; no
// password.
QString CurrencyConfirmURL(const QString &uiid, const QString &item, const QString &maxBid, const QString &user,
                           const QString &firedFilteredId, const QString &stok);

// The one-call bid and purchase: the confirmation carries the user ID and
// password itself and no stok.
QString OneCallBidURL(const QString &uiid, const QString &item, const QString &maxBid, int qty, const QString &user,
                      const QString &password);
QString OneCallPurchaseURL(const QString &uiid, const QString &item, int qty, const QString &user,
                           const QString &password);

} // namespace BidRequests
