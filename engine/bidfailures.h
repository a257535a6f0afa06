#pragma once
// The bid pages' known failures: the marker texts that pick each one, and
// what the bid window shows and logs for it. A page a redirect led to is no
// answer of eBay's to a bid or a purchase: it neither confirms nor refuses
// one, whatever it says, and the item page read afterwards decides.

#include <QList>
#include <QString>
#include <QStringList>

class BidReply;

namespace BidFailures {

// A failure row: the marker that picks it, and what the window shows.
struct FailureRow
{
    QStringList anyOf;     // one of these must be in the page
    QString alsoRequired;  // and this one too (when set)
    QString title;
    QString reason;
    QString logLine;       // written to the bid log when the row holds (when set)
};

bool RowHolds(const FailureRow &row, const BidReply &page);
// The preparation page's known failures (the cookie page and a plain
// ">Ended:</" are handled beside them).
const QList<FailureRow> &PreparationFailures();
// The confirmation reply's known failures, in the order they are tried.
const QList<FailureRow> &ConfirmationFailures();
// The one-call bid's replies that say eBay did not take the bid as the
// highest: outbid first (a reply holding a success marker as well counts as
// outbid), then too low.
const FailureRow *OneCallRefusal(const BidReply &reply);
// The first known failure the confirmation reply holds, or none.
const FailureRow *ConfirmationRefusal(const BidReply &reply);
// eBay says the bid leads.
bool ConfirmationSucceeded(const BidReply &reply);
// The refusal a purchase's reply holds: each of eBay's answers to a
// purchase it did not make (no Buy It Now price or none left, fewer items
// than asked for, the listing over, the session or password refused), or
// any refusal eBay shows for a bid; none when it holds no refusal.
const FailureRow *PurchaseRefusal(const BidReply &reply);
// What a purchase's window shows and logs when its reply neither confirms
// it nor refuses it (an error or sign-in page, an empty reply, none at all).
const FailureRow &PurchaseNotConfirmedRow();
// A purchase is confirmed only when its own reply arrived (`answered`), came
// without a redirect, holds eBay's purchase confirmation
// (frmBid::kPurchaseConfirmed) in eBay's own message (BidReply::
// ownMessageSays) and refuses nothing. The confirmation's words anywhere
// else (the seller's title in the item line or the window title, a page a
// redirect led to) confirm nothing. Every other reply leaves it not
// confirmed: nothing is known to be bought until the item page names the
// buyer.
bool PurchaseConfirmed(bool answered, const BidReply &reply);

} // namespace BidFailures
