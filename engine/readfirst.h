#pragma once

#include <QString>

#include <optional>

// Item numbers the refresh reads before the rest of its pass, whatever its
// schedule or fast mode would skip: a snipe whose auction has just ended, or
// a row whose bid window has ended, so that its outcome is shown and saved
// within seconds, not when a pass over a long list comes to its row.
namespace ReadFirst {

void Add(const QString &itemNumber);
// Read once before the rest of the pass, and not again shortly (a row whose
// bid window has ended, its auction still running or not).
void AddOnce(const QString &itemNumber);
// Read it again shortly: its page, read at the very end, did not show the
// auction ended yet. Given up after a few tries, to the read schedule.
void AddAgainSoon(const QString &itemNumber);
// The oldest number due and not taken yet; only `only` when one is given (a
// refresh of that one row leaves the others to a pass).
std::optional<QString> Take(const QString &only = QString());
// `itemNumber` is still waiting to be taken.
bool Waiting(const QString &itemNumber);

} // namespace ReadFirst
