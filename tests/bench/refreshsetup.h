#pragma once

// The set-up the refresh benchmarks share: the simulator in this process
// with one account and 200 items ending over the next hours, the program
// pointed at it, and the rows of those items in a list.
#include "sim/core/simserver.h"

#include <QStringList>

namespace benchmark {
class State;
}
class ListView;
class frmMainEngine;

namespace RefreshBench {

constexpr int kItems = 200;

struct Simulator
{
    Sim::SimServer server;
    QStringList numbers; // the items' numbers, in the rows' order
    QStringList urls;    // their item pages

    // Starts the simulator; a page hold above 0 makes it hold every answer
    // that many milliseconds.
    explicit Simulator(int pageHoldMs = 0);

    // Makes the account's user the program's signed-in user.
    static void signIn();

    // Adds a row for every item to an empty list, as the user's rows: some
    // watched, some with a bid, a few with reminders.
    void fillRows(ListView &list) const;
};

// Fetches every page once a pass through the program's transfer control;
// the mean real time of one pass, in seconds.
double TimePlainFetches(benchmark::State &state, const QStringList &urls);

// Runs a whole refresh a pass (outside fast mode: the clock page, every row,
// the feedback page and the save) and sets the "rows", "vs_plain" and
// "ms_per_row" counters against `plainSeconds`; `what` names the run in the
// line printed.
void TimeRefreshes(benchmark::State &state, frmMainEngine &form, double plainSeconds, const char *what);

} // namespace RefreshBench
