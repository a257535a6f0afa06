#pragma once

#include <sys/types.h>

// Whether the process exists and has not ended: a process that ended and
// waits to be reaped counts as ended. Used by the helper programs that wait
// for the program (the monitor, the updater).
bool ProcessRunning(pid_t pid);
