#pragma once

#include <QString>

#include <optional>

// The one state of this program's bid on an item, and the moves between
// states. The tick, the refresh, the group rule, the row windows, the exit
// question and the list's status read it here rather than from a row's tag
// or a bid window's flags. From the confirmation on it is kept in the bid
// record of the data folder, so a program started again knows it too; the
// steps before it live only as long as their bid window.
namespace BidState {

enum class State {
    None,        // no bid of this program's on the item
    Scheduled,   // a snipe waits for its moment to start
    Preparing,   // the bid window signs in and prepares
    Prepared,    // prepared; the confirmation waits for its moment
    Sending,     // the confirmation is on its way; its reply is awaited
    SentUnknown, // sent, and no reply judged: eBay may or may not hold it
    Confirmed,   // eBay took the bid; the auction's outcome is not read yet
    Refused,     // eBay refused it: no bid of this program's stands
    Failed,      // stopped before the confirmation, or it never went in
    Withdrawn,   // the user took the bid back before it went out
    Missed,      // its moment came only after the auction's end
    Won,         // the ended auction's page names this bid the winner
    Lost,        // the ended auction's page shows it was not won
};

// Every state, in declaration order (for rules tested over all of them).
inline constexpr State kAll[] = {State::None,      State::Scheduled, State::Preparing, State::Prepared, State::Sending,
                                 State::SentUnknown, State::Confirmed, State::Refused, State::Failed,   State::Withdrawn,
                                 State::Missed,    State::Won,       State::Lost};

// eBay may hold this bid and what it came to has not been read: a group's
// other snipes wait for it, and neither Edit nor Remove forgets it.
constexpr bool BidOut(State s)
{
    return s == State::Sending || s == State::SentUnknown || s == State::Confirmed;
}

// The page has said what the bid came to.
constexpr bool Settled(State s)
{
    return s == State::Won || s == State::Lost;
}

// The transitions: whether a bid in `from` may move to `to`. A bid out only
// moves on to what eBay or its page says; a settled outcome stays until a
// new bid is set up on the row; nothing reaches Won or Lost but a bid out.
bool MayMove(State from, State to);

// The word the bid record keeps for a state, and the state a word read back
// stands for (also the words older records hold). Steps before the
// confirmation have no word: they are not kept.
QString Word(State s);
std::optional<State> FromWord(const QString &word);
// How a state reads in the log and in tests.
QString Name(State s);

// The item's state now.
State Of(const QString &itemNumber);
// Moves the item's bid on when the transitions allow it; false (and nothing
// changed) when they do not.
bool Move(const QString &itemNumber, State to);
// The row is set up for a new bid: the item's state goes back to None,
// unless its bid is out (the record of what eBay may hold is kept).
bool Forget(const QString &itemNumber);

// A new snipe was set up on a row whose bid is out (a higher maximum, say):
// the bid stays out for the group, and a program started again places the
// new snipe rather than taking the row for bid. The next move clears it.
void SetUpAgain(const QString &itemNumber);
bool IsSetUpAgain(const QString &itemNumber);

// Writes a state as it is, without the transition rule: for the bid
// record's own writers, which set what a test or a restart needs.
void Store(const QString &itemNumber, State s);

} // namespace BidState
