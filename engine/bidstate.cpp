#include "engine/bidstate.h"

#include "engine/bidrecord.h"

#include <QHash>

namespace BidState {

namespace {

// The states no record keeps, and a confirmation on its way (kept on disk as
// sent, so that a program ended under it knows a bid may be out): by item.
QHash<QString, State> &inFlight()
{
    static QHash<QString, State> states;
    return states;
}

constexpr bool kept(State s)
{
    return s != State::Scheduled && s != State::Preparing && s != State::Prepared && s != State::Sending;
}

// No bid of this program's stands on the item: a new one may be set up.
constexpr bool free(State s)
{
    return s == State::None || s == State::Refused || s == State::Failed || s == State::Withdrawn
        || s == State::Missed;
}

constexpr bool beforeConfirmation(State s)
{
    return s == State::Scheduled || s == State::Preparing || s == State::Prepared;
}

} // namespace

bool MayMove(State from, State to)
{
    if (from == to)
        return from == State::Sending || from == State::Preparing; // a retry, a preparation again
    switch (to) {
    case State::None:
        // Forgotten: never while eBay may hold the bid.
        return !BidOut(from);
    case State::Scheduled:
    case State::Preparing:
        return free(from) || beforeConfirmation(from);
    case State::Prepared:
        return from == State::Preparing;
    case State::Failed:
    case State::Withdrawn:
    case State::Missed:
        // Nothing went out. From Sending: Missed for a confirmation held
        // back as it was about to be written, Failed for one no connection
        // took or whose reply said it did not go in.
        return free(from) || beforeConfirmation(from) || (to != State::Withdrawn && from == State::Sending);
    case State::Sending:
        // A bid out may be raised by a later one, still out.
        return free(from) || beforeConfirmation(from) || BidOut(from);
    case State::SentUnknown:
    case State::Confirmed:
    case State::Refused:
        return from == State::Sending || (to == State::Confirmed && from == State::SentUnknown);
    case State::Won:
    case State::Lost:
        return BidOut(from);
    }
    return false;
}

QString Word(State s)
{
    switch (s) {
    case State::Sending:
    case State::SentUnknown:
        return QStringLiteral("sent");
    case State::Confirmed:
        return QStringLiteral("confirmed");
    case State::Refused:
        return QStringLiteral("refused");
    case State::Failed:
        return QStringLiteral("failed");
    case State::Withdrawn:
        return QStringLiteral("withdrawn");
    case State::Missed:
        return QStringLiteral("missed");
    case State::Won:
        return QStringLiteral("won");
    case State::Lost:
        return QStringLiteral("lost");
    case State::None:
    case State::Scheduled:
    case State::Preparing:
    case State::Prepared:
        break;
    }
    return QString();
}

namespace {

// Added to the word of a bid out whose row was set up for a new snipe.
const QString kAgain = QStringLiteral(" again");

} // namespace

std::optional<State> FromWord(const QString &stored)
{
    const QString word = stored.endsWith(kAgain) ? stored.chopped(kAgain.size()) : stored;
    // Read back, a sent record has no window awaiting its reply any more.
    for (const State s : {State::SentUnknown, State::Confirmed, State::Refused, State::Failed, State::Withdrawn,
                          State::Missed, State::Won, State::Lost})
        if (word == Word(s))
            return s;
    return std::nullopt;
}

QString Name(State s)
{
    static const char *const names[] = {"none",    "scheduled", "preparing", "prepared",  "sending", "sent-unknown", "confirmed",
                                        "refused", "failed",    "withdrawn", "missed",    "won",     "lost"};
    return QString::fromLatin1(names[int(s)]);
}

State Of(const QString &itemNumber)
{
    const auto held = inFlight().constFind(itemNumber);
    if (held != inFlight().cend())
        return *held;
    return FromWord(BidRecord::StoredWord(itemNumber)).value_or(State::None);
}

bool Move(const QString &itemNumber, State to)
{
    if (!MayMove(Of(itemNumber), to))
        return false;
    Store(itemNumber, to);
    return true;
}

void SetUpAgain(const QString &itemNumber)
{
    const State s = Of(itemNumber);
    if (BidOut(s) && kept(s))
        BidRecord::StoreWord(itemNumber, Word(s) + kAgain);
}

bool IsSetUpAgain(const QString &itemNumber)
{
    return BidRecord::StoredWord(itemNumber).endsWith(kAgain);
}

bool Forget(const QString &itemNumber)
{
    return Of(itemNumber) == State::None || Move(itemNumber, State::None);
}

void Store(const QString &itemNumber, State s)
{
    if (kept(s))
        inFlight().remove(itemNumber);
    else
        inFlight().insert(itemNumber, s);
    // The steps before the confirmation leave the record as it was.
    if (!beforeConfirmation(s))
        BidRecord::StoreWord(itemNumber, Word(s));
}

} // namespace BidState
