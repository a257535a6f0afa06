#include "monitor/watch.h"

#include "foundation/settingsstore.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstdio>

namespace Monitor {

namespace {

const QString kExitOK = QStringLiteral("Exit OK");
const QString kLastAlive = QStringLiteral("Last alive");
const QString kFirstRun = QStringLiteral("1st Run");

void say(const QString &text)
{
    std::fprintf(stderr, "tallowmere-monitor: %s\n", qPrintable(text));
    std::fflush(stderr);
}

// Starts the program again as the monitor does after any end it did not ask
// for: marked as a clean end first, so the new start asks no question that
// nobody is there to answer, and with /nomon, as this monitor goes on
// watching it. Restarts are counted: a program that keeps ending soon after
// its start is given up on rather than started without end.
class Restarter
{
public:
    explicit Restarter(const Options &options) : m_options(options) { m_clock.start(); }

    // False (and said why) when the program has been started again too often
    // of late.
    bool allowed()
    {
        const qint64 window = qint64(m_options.restartWindowSeconds) * 1000;
        while (!m_restarts.isEmpty() && m_clock.elapsed() - m_restarts.first() > window)
            m_restarts.removeFirst();
        if (m_restarts.size() < m_options.maxRestarts)
            return true;
        say(QStringLiteral("the program was restarted %1 times within %2 seconds: not restarting it again")
                .arg(m_restarts.size())
                .arg(m_options.restartWindowSeconds));
        return false;
    }

    // The new process, or 0 when it could not be started.
    pid_t start()
    {
        SaveSetting(kExitOK, QStringLiteral("1"));
        qint64 started = 0;
        if (!QProcess::startDetached(m_options.program, {QStringLiteral("/nomon")},
                                     QFileInfo(m_options.program).absolutePath(), &started)) {
            say(QStringLiteral("the program could not be started again"));
            return 0;
        }
        m_restarts << m_clock.elapsed();
        say(QStringLiteral("restarted the program as process %1").arg(started));
        return pid_t(started);
    }

private:
    const Options &m_options;
    QElapsedTimer m_clock;
    QList<qint64> m_restarts; // when, on m_clock
};

} // namespace

bool KillProcess(pid_t pid, int waitMs)
{
    if (::kill(pid, SIGKILL) != 0 && errno != ESRCH)
        return false;
    QElapsedTimer waited;
    waited.start();
    while (ProcessRunning(pid)) {
        if (waited.elapsed() > waitMs)
            return false;
        QThread::msleep(20);
    }
    return true;
}

int Run(Options options)
{
    if (!QFileInfo(options.program).isExecutable()) {
        say(QStringLiteral("no program to restart at %1").arg(options.program));
        return 2;
    }
    const qint64 stallMs = qint64(options.stallSeconds) * 1000;
    Restarter restarter(options);
    QString heartbeat = GetSetting(kLastAlive);
    QElapsedTimer sinceHeartbeat;
    sinceHeartbeat.start();
    const auto watchAgain = [&](pid_t started) {
        options.pid = started;
        heartbeat = GetSetting(kLastAlive);
        sinceHeartbeat.restart();
    };

    for (;;) {
        if (!ProcessRunning(options.pid)) {
            // Started again after an end its own next start would take
            // for unclean: killed, crashed or ended by the system while it
            // ran, its snipes still waiting. Not a first run, whose wizard
            // the user may have cancelled, which ends it the same way.
            if (GetSetting(kExitOK) != QLatin1String("False") || GetSetting(kFirstRun) != QLatin1String("False")) {
                say(QStringLiteral("the program has exited"));
                return 0;
            }
            say(QStringLiteral("the program ended without a clean exit"));
            if (!restarter.allowed())
                return 1;
            const pid_t started = restarter.start();
            if (started == 0)
                return 1;
            watchAgain(started);
        }

        // The heartbeat is compared as a value, never parsed: its text
        // follows the user's date format.
        const QString now = GetSetting(kLastAlive);
        if (now != heartbeat) {
            heartbeat = now;
            sinceHeartbeat.restart();
        }

        if (GetSetting(kExitOK) == QLatin1String("False") && sinceHeartbeat.elapsed() > stallMs) {
            say(QStringLiteral("no heartbeat for %1 seconds").arg(sinceHeartbeat.elapsed() / 1000));
            // One that hangs again and again is left as it is, on screen.
            if (!restarter.allowed())
                return 1;
            if (!KillProcess(options.pid)) {
                say(QStringLiteral("process %1 could not be ended; still watching").arg(options.pid));
                sinceHeartbeat.restart();
            } else {
                const pid_t started = restarter.start();
                if (started == 0)
                    return 1;
                watchAgain(started);
            }
        }
        QThread::msleep(options.pollMs);
    }
}

} // namespace Monitor
