#pragma once

// The monitor program run as its own process against a stand-in program: a
// shell script that logs how it was started and then sleeps, so the
// heartbeat the monitor sees is whatever this process writes into the
// settings store (the test itself, or the main tick running in it).
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/types.h>

namespace MonitorSim {

// The monitor program built next to the test.
QString MonitorProgram();

class StandIn
{
public:
    enum class Kind {
        Sleeps,        // runs until killed
        DiesOnceMarked // waits for markRunning(), then kills itself: a start that crashes
    };
    explicit StandIn(Kind kind = Kind::Sleeps);
    // Nothing a failed test started outlives it.
    ~StandIn();
    StandIn(const StandIn &) = delete;
    StandIn &operator=(const StandIn &) = delete;

    // One line per start: the process id, then the arguments.
    QStringList starts() const;
    pid_t pidOfStart(int n) const;
    // Lets start n of a DiesOnceMarked stand-in go on to its end.
    void markRunning(int n) const;

    QTemporaryDir dir;
    QString script;
};

// Whether the process exists and has not ended.
bool Running(pid_t pid);

// Starts the monitor on `pid` with `program` to start again, the stall time
// (and the restart window, when above 0) given on its command line and a
// 50 ms poll; false when it did not start.
bool StartMonitor(QProcess &monitor, qint64 pid, const QString &program, int stallSeconds, int restartWindowSeconds = 0);

// The program and the monitor as the system sees them: a process's command
// line; the monitor watching `program` (0 while there is none); the copy that
// holds the data folder's lock (0 when none).
QStringList CommandLineOf(pid_t pid);
pid_t MonitorOf(qint64 program);
pid_t LockHolder();

// Whatever a test leaves running is ended with it, the monitor first, so
// that it starts nothing more.
struct Leftovers
{
    pid_t monitor = 0;
    pid_t program = 0;
    ~Leftovers();
};

} // namespace MonitorSim
