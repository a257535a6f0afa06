#pragma once

// The real program with a long list of real items at the simulator of this
// process, and many snipes at its end: the list file as a refresh leaves
// it, and how each snipe's confirmation stood to its moment.

#include "sim/core/simserver.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace LongListRun {

// A lamp at 10.00 at the simulator that ends at `endsAt`, with a picture of
// its own.
QString AddLamp(const QDateTime &endsAt);
// Its list record as a refresh leaves it: the end date as the file keeps it
// (the default zone is eBay's own, Pacific time).
QString Record(const Sim::SimItem &item, const QString &timeLeft, const QString &maxBid, const QString &tag);
// `count` rows of lamps ending a day or more after `now`, two in three
// snipes far off and the rest watched; `middle` gets the number of the row
// halfway down.
QString FarRows(int count, const QDateTime &now, QString *middle = nullptr);
// The outcome (won "True" or "False") of the item's record in the list-file
// text, or "".
QString OutcomeInFile(const QString &text, const QString &number);

// Snipes of alice at 25.00 on new lamps, the first ending `firstEndS` after
// `now` and all of them within `spanS`.
struct Snipes
{
    QStringList numbers;
    QList<QDateTime> ends;
    QString records;
};
Snipes AddSnipes(int count, const QDateTime &now, qint64 firstEndS, qint64 spanS);

// The bid log's lines as the program writes them: the log keeps only its
// newest part, so it is read now and then while the program runs.
class BidLogWatch
{
public:
    void poll();
    // The "Snipe on item # <number> not placed: <reason>" line seen, or "".
    QString saidMissed(const QString &number) const;

private:
    QSet<QString> m_lines;
};

// How one snipe's confirmation stood to its moment (its end less the bid
// delay), from the simulator's log since `mark`.
struct SnipeTiming
{
    QString number;
    QDateTime end;
    int confirmations = 0;
    std::optional<qint64> fromMomentMs; // the first confirmation's arrival less the moment
    bool afterEnd = false;
    QString saidMissed; // the bid log's line saying it was not placed
};
QList<SnipeTiming> Timings(qint64 mark, const Snipes &snipes, qint64 bidDelayS, const BidLogWatch &log);

// The real program started on the prepared home and run until 20 s past the
// last snipe's end (time for the windows still under way to finish), the
// bid log watched all along; then it is stopped.
void RunPastTheLastEnd(const Snipes &snipes, const QDateTime &now, BidLogWatch &log);

} // namespace LongListRun
