#pragma once

// Times snipes placed by the running main tick against the simulator in this
// process, which shares this computer's clock.
//
// A snipe's confirmation is due at its end on eBay's clock less the bid
// delay; the main tick starts the bid earlier by the lead time, on its first
// tick at or after end - lead time - bid delay, and the bid window holds the
// prepared confirmation until it is due. Each snipe's times, all on this
// computer's clock:
//   confirmErrorMs  the confirmation's arrival at the simulator minus the
//                   moment it was due: what the user sees of the timing;
//   tickLateMs      the tick that started the bid minus end - lead time -
//                   bid delay (while the lead time stayed as it was at the
//                   start; 0 otherwise);
//   pathMs          the confirmation's arrival minus that tick (the sign-in,
//                   the preparation, the wait and the confirmation).
// Both moments are taken on the simulator's clock, eBay's true clock, so an
// error of the program's clock offset shows in them as well.
#include "sim/core/networkpath.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace SnipeTiming {

// The usual bound of a confirmation around its moment. A busy machine only
// ever delays a confirmation, so it may come late by most of a second; it
// is never due early, so the early side stays tighter. Either way a
// confirmation a second off its moment fails.
inline constexpr qint64 kLatestMs = 800;
inline constexpr qint64 kEarliestMs = -500;

struct Snipe
{
    QString item;
    qint64 confirmErrorMs = 0;
    qint64 tickLateMs = 0;
    qint64 pathMs = 0;
};

struct Result
{
    QList<Snipe> snipes;   // in the order they were placed
    QStringList problems;  // snipes never started or never confirmed, and why
    // The program's whole-second eBay clock offset minus the true one: within
    // a second when it is right.
    qint64 offsetErrorMs = 0;
    // Whether the simulator gave each snipe's item to its bidder.
    QStringList won;
};

struct Setup
{
    int spacingS = 2;          // between the ends
    bool freshInstall = false; // no "Lead time" stored yet: the first bids start at its default
    int bidDelayS = 1;         // "Bid Delay 3", one of its entries
    qint64 ebayAheadMs = 0;    // eBay's clock ahead of this computer's
    int pathDelayMs = 0;       // the simulator's network path, one way
    // A time page served stale every Nth reading, this far behind.
    int staleEvery = 0;
    int staleMs = 1000;
    // How the secure port misbehaves (counts of connections), set this long
    // before each snipe's moment (-1: from the start).
    Sim::NetworkPath::Misbehaviour misbehaviour;
    qint64 misbehaveBeforeMs = -1;
};

// A fresh main window with `count` snipes, the first bid about 10 s from now;
// runs the main tick until all have ended. The auctions end on whole seconds
// of eBay's clock.
Result Run(int count, const Setup &setup = {});

// The value at fraction q (0..1) of the sorted values: nearest rank.
qint64 Percentile(QList<qint64> values, double q);

} // namespace SnipeTiming
