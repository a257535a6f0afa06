#pragma once

#include "platform/processstate.h"

#include <QString>

#include <sys/types.h>

// Watches the running program through its heartbeat in the settings store
// and restarts it when it is stuck or has ended without a clean exit.
namespace Monitor {

struct Options
{
    pid_t pid = 0;            // the program's process
    QString program;          // what to start again
    int stallSeconds = 120;   // a heartbeat unchanged this long while running means stuck
    int pollMs = 1000;
    int maxRestarts = 3;             // restarts allowed within restartWindowSeconds
    int restartWindowSeconds = 900;  // ...after which the monitor gives up
};

// Ends the process at once and waits up to waitMs for it to go; false when
// it could not be ended.
bool KillProcess(pid_t pid, int waitMs = 10000);

// Runs until the watched program has ended cleanly, or has been restarted
// too often of late; returns the exit code for the monitor itself.
int Run(Options options);

} // namespace Monitor
