#pragma once

#include <QList>
#include <QString>

#include <vector>

// Where each text stands when a list is sorted by text, without regard to
// case: texts that compare equal share a rank, so rows sorted by rank keep
// the order they had among themselves. Sorting a long list compares its
// texts hundreds of thousands of times, which held the event loop for most of
// a second; ranked once, the rows sort by number.
namespace TextRanks {

// The rank of each text, in the order given.
std::vector<double> Rank(const QList<QString> &texts);

// The same, worked out on a thread of its own while the caller lets events
// run; returns once the ranks are there.
std::vector<double> RankWhileEventsRun(QList<QString> texts);

} // namespace TextRanks
