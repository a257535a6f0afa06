#pragma once
// The bid pages' known failures: the marker texts that pick each one, and
// what the bid window shows and logs for it.

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
bool ConfirmationSucceeded(const BidReply &reply);
// A purchase's reply names no success of its own: eBay bought the item
// unless the reply refuses it. An empty reply tells nothing.
bool PurchaseSucceeded(const BidReply &reply);

} // namespace BidFailures
