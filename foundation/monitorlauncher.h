#pragma once

#include <QString>

// The monitor program beside the program: it restarts the program when the
// heartbeat stops while the program runs.
QString MonitorProgramPath();

// Starts the monitor for this process; false (and nothing started) when the
// monitor is not in the program folder or cannot start.
bool StartMonitor();
