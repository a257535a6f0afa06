#pragma once

#include <QString>

// What this program's latest bid on an item came to, kept in
// "bidresults.dat" of the data folder so that a program started again
// knows it too. The bid window writes it; the refresh reads it for its won
// decision and the list loader for the rows whose bid already went out.
namespace BidRecord {

enum class Outcome {
    None,      // no bid of this program's on the item
    Sent,      // the confirmation went out; no reply judged yet (or none came)
    Confirmed, // eBay took the bid
    Failed,    // refused, or it never went in
};

Outcome Of(const QString &itemNumber);

// Each replaces the item's outcome. A record that cannot be written is
// logged and never stops a bid.
void MarkSent(const QString &itemNumber);
void MarkConfirmed(const QString &itemNumber);
void MarkFailed(const QString &itemNumber);
// The row was set up for a new bid.
void Forget(const QString &itemNumber);

// The Tag a row read from the list file takes: a snipe whose bid already
// went out (also when the program ended before it saved the list) is not
// placed again.
QString TagAfterRestart(const QString &itemNumber, const QString &tag);

} // namespace BidRecord
