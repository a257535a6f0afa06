#pragma once

// The set-up the refresh benchmarks share: the simulator in this process
// with one account and 200 items ending over the next hours, the program
// pointed at it, and the rows of those items in a list.
#include "sim/core/simserver.h"

#include <QStringList>

class ListView;

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

} // namespace RefreshBench
