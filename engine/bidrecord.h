#pragma once

#include <QString>

// What this program's latest bid on an item came to, kept in
// "bidresults.dat" of the data folder so that a program started again
// knows it too: the store under BidState. Outcome is the coarse view the
// won decision and older callers take of a state.
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

// The word kept for the item ("" without one), and the item's word
// replaced ("" removes it). BidState gives the words their meaning.
QString StoredWord(const QString &itemNumber);
void StoreWord(const QString &itemNumber, const QString &word);

// The Tag a row read from the list file takes: a snipe whose bid already
// went out (also when the program ended before it saved the list) is not
// placed again.
QString TagAfterRestart(const QString &itemNumber, const QString &tag);

} // namespace BidRecord
