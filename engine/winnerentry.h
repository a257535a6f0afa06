#pragma once

#include <QString>

#include <optional>

// The winner an item page names: the user ID in eBay's own "Winning bidder"
// entry, its label element followed by the value element holding the ID.
// A user ID elsewhere on the page (a greeting in the header, another row,
// the bid history) names nobody the winner.
namespace WinnerEntry {

// `ownText` is the page without the seller's own text. No entry: nullopt.
// An entry whose value shows no ID reads "". The ID is the text of the
// value's first link (eBay adds the feedback score beside it), or the
// value's whole text when it has no link; character references decoded,
// blanks trimmed. Entries that show different IDs cannot be told apart:
// nullopt, so that none of them names another winner.
std::optional<QString> Read(const QString &ownText);

} // namespace WinnerEntry
