#pragma once

// Times snipes placed by the running main tick against the simulator in this
// process, which shares this computer's clock.
//
// A snipe's moment is its end on eBay's clock minus the lead time and the bid
// delay: the main tick starts the bid on its first tick at or after it. Each
// snipe's times, all on this computer's clock:
//   tickLateMs   the tick that started the bid minus the moment. This is the
//                error of the confirmation: the confirmation arrives this much
//                later than it would have had a tick come exactly at the
//                moment, the request path being the same;
//   pathMs       the confirmation's arrival at the simulator minus that tick
//                (the sign-in, the preparation and the confirmation);
//   arrivalMs    the confirmation's arrival minus the moment (the sum).
// The moment is taken on the simulator's clock, eBay's true clock, so an error
// of the program's whole-second clock offset shows in tickLateMs as well.
#include <QList>
#include <QString>
#include <QStringList>

namespace SnipeTiming {

struct Snipe
{
    QString item;
    qint64 tickLateMs = 0;
    qint64 pathMs = 0;
    qint64 arrivalMs = 0;
};

struct Result
{
    QList<Snipe> snipes;   // in the order they were placed
    QStringList problems;  // snipes never started or never confirmed, and why
    qint64 offsetErrorS = 0; // the program's eBay clock offset minus the true one
};

// A fresh main window with `count` snipes whose moments are `spacingS`
// seconds apart, the first about 10 s from now; runs the main tick until all
// have ended.
Result Run(int count, int spacingS = 2);

// The value at fraction q (0..1) of the sorted values: nearest rank.
qint64 Percentile(QList<qint64> values, double q);

} // namespace SnipeTiming
