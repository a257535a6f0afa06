#pragma once

#include <QString>

#include <optional>

class frmMainEngine;
class ListItem;

// A snipe whose auction ends without its bid having gone out is never
// dropped in silence: "logbids.txt" and the status bar say so, with the
// reason. Whatever keeps a snipe that is due from going out reports it here.
namespace MissedSnipe {

// How long the status bar holds the message: long enough to read the whole
// of it, which starts with the item number. Other warnings about money are
// held as long.
constexpr int kReadSeconds = 15;

// The rule, for a row whose auction is over (or whose snipe can no longer
// go out): the reason its snipe did not go out when the row holds this
// computer's snipe and no bid window was started for it; nothing for a
// watched row, a snipe only the online service places, and a bid that was
// started (its bid window tells how that went). `cause` is why it was not
// started, as the caller saw it; a bid group already won is its reason
// whatever the caller saw.
std::optional<QString> Reason(const QString &tag, const QString &maxBid, bool groupWon, const QString &cause);

// "Snipe on item # <number> not placed: <reason>" in "logbids.txt" and the
// status bar, once per item and end time in a run of the program.
void Report(const QString &itemNumber, const QString &endDate, const QString &reason);

// The rule applied to a row of the main window's list, and reported.
void CheckRow(frmMainEngine &form, const ListItem *row, const QString &cause);

// A running snipe whose page could not be read tells at once, on that read:
// "Snipe on item # <number> cannot be placed: <what> could not be read from
// eBay's page" in "logbids.txt" and the status bar, once in each spell of
// such reads (a read that reads it all ends the spell). `unread` names what
// could not be read ("its end", "its price"); empty for a read that read it
// all. Watched rows and bids already started are left alone.
void CheckReadable(frmMainEngine &form, const ListItem *row, const QStringList &unread);

// The causes the refresh, the main tick and the bid window see. A move of
// eBay's clock seen in the last minutes is named as the cause.
QString EndedBeforeStart();
QString EndedBeforeConfirmation();
QString EndedEarlierThanEbaysClockSaid(qint64 secondsEarly);

} // namespace MissedSnipe
