#include "monitor/watch.h"

#include "foundation/settingsstore.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstdio>

namespace Monitor {

namespace {

const QString kExitOK = QStringLiteral("Exit OK");
const QString kLastAlive = QStringLiteral("Last alive");

void say(const QString &text)
{
    std::fprintf(stderr, "tallowmere-monitor: %s\n", qPrintable(text));
    std::fflush(stderr);
}

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
    QString heartbeat = GetSetting(kLastAlive);
    QElapsedTimer sinceHeartbeat;
    sinceHeartbeat.start();

    for (;;) {
        if (!ProcessRunning(options.pid)) {
            // Gone: a clean exit ends the watch; so does any other end, which
            // the program's next start reports itself (it was not stuck).
            if (GetSetting(kExitOK) == QLatin1String("1"))
                say(QStringLiteral("the program has exited"));
            else
                say(QStringLiteral("the program ended without a clean exit"));
            return 0;
        }

        // The heartbeat is compared as a value, never parsed: its text
        // follows the user's date format.
        const QString now = GetSetting(kLastAlive);
        if (now != heartbeat) {
            heartbeat = now;
            sinceHeartbeat.restart();
        }

        if (GetSetting(kExitOK) == QLatin1String("False") && sinceHeartbeat.elapsed() > stallMs) {
            say(QStringLiteral("no heartbeat for %1 seconds: restarting the program").arg(sinceHeartbeat.elapsed() / 1000));
            if (!KillProcess(options.pid)) {
                say(QStringLiteral("process %1 could not be ended; still watching").arg(options.pid));
                sinceHeartbeat.restart();
            } else {
                // The new start must not take this for a crash and offer to
                // reset the settings.
                SaveSetting(kExitOK, QStringLiteral("1"));
                qint64 started = 0;
                if (!QProcess::startDetached(options.program, {QStringLiteral("/nomon")},
                                             QFileInfo(options.program).absolutePath(), &started)) {
                    say(QStringLiteral("the program could not be started again"));
                    return 1;
                }
                options.pid = pid_t(started);
                heartbeat = GetSetting(kLastAlive);
                sinceHeartbeat.restart();
            }
        }
        QThread::msleep(options.pollMs);
    }
}

} // namespace Monitor
