#pragma once

#include <QString>

#include <optional>

// Item numbers the refresh reads before the rest of its pass: a snipe whose
// auction has just ended, so that its outcome is shown and saved within
// seconds, not when a pass over a long list comes to its row.
namespace ReadFirst {

void Add(const QString &itemNumber);
// Read it again shortly: its page, read at the very end, did not show the
// auction ended yet. Given up after a few tries, to the read schedule.
void AddAgainSoon(const QString &itemNumber);
// The oldest number due and not taken yet.
std::optional<QString> Take();

} // namespace ReadFirst
