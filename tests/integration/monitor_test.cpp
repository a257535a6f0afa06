// The monitor program, run as its own process against stand-in programs: a
// shell script that logs how it was started and then sleeps, so its
// heartbeat is whatever the test writes into the settings store.
#include "foundation/monitorlauncher.h"
#include "foundation/settingsstore.h"

#include "tests/integration/monitorstandin.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <csignal>

using MonitorSim::StandIn;

namespace {

const auto running = MonitorSim::Running;

void startMonitor(QProcess &monitor, qint64 pid, const QString &program, int stallSeconds)
{
    ASSERT_TRUE(MonitorSim::StartMonitor(monitor, pid, program, stallSeconds));
}

// The stand-in started as a program that has had its first clean exit and
// now runs.
void startRunningAfterItsFirstRun(const StandIn &standIn, QProcess &program)
{
    SaveSetting("1st Run", "False");
    SaveSetting("Exit OK", "False");
    program.start(standIn.script, {});
    ASSERT_TRUE(program.waitForStarted(5000));
    ASSERT_TRUE(waitFor([&] { return standIn.starts().size() == 1; }));
}

QString monitorProgram()
{
    return MonitorSim::MonitorProgram();
}

} // namespace

TEST(Monitor, AStuckProgramIsRestartedWithoutTheResetQuestionAndWatchedAgain)
{
    StandIn standIn;
    SaveSetting("Exit OK", "False");
    SaveSetting("Last alive", "stopped");
    QProcess first;
    first.start(standIn.script, {});
    ASSERT_TRUE(first.waitForStarted(5000));
    ASSERT_TRUE(waitFor([&] { return standIn.starts().size() == 1; }));

    QProcess monitor;
    startMonitor(monitor, first.processId(), standIn.script, 1);

    // The heartbeat stands still while the program runs: killed, marked as a
    // clean end (no reset question at the new start), started with /nomon.
    ASSERT_TRUE(waitFor([&] { return standIn.starts().size() == 2; }));
    EXPECT_TRUE(waitFor([&] { return first.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(first.exitStatus(), QProcess::CrashExit);
    const pid_t second = standIn.pidOfStart(1);
    EXPECT_EQ(standIn.starts().at(1), QString::number(second) + " /nomon");
    EXPECT_EQ(GetSetting("Exit OK"), "1");

    // The new process is watched the same way once it runs.
    SaveSetting("Exit OK", "False");
    ASSERT_TRUE(waitFor([&] { return standIn.starts().size() == 3; }));
    EXPECT_TRUE(waitFor([&] { return !running(second); }, 30000));
    const pid_t third = standIn.pidOfStart(2);
    EXPECT_EQ(standIn.starts().at(2), QString::number(third) + " /nomon");

    // A clean exit ends the monitor.
    SaveSetting("Exit OK", "1");
    ::kill(third, SIGTERM);
    EXPECT_TRUE(monitor.waitForFinished(5000));
    EXPECT_EQ(monitor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(monitor.exitCode(), 0);
    EXPECT_EQ(standIn.starts().size(), 3);
}

TEST(Monitor, ALiveOrClosingProgramIsLeftAloneAndItsEndEndsTheWatch)
{
    StandIn standIn;
    SaveSetting("Exit OK", "False");
    QProcess program;
    program.start(standIn.script, {});
    ASSERT_TRUE(program.waitForStarted(5000));
    QProcess monitor;
    startMonitor(monitor, program.processId(), standIn.script, 2);

    // A heartbeat that moves, in whatever text, keeps the program running.
    QElapsedTimer clock;
    clock.start();
    int beat = 0;
    while (clock.elapsed() < 5000) {
        SaveSetting("Last alive", QStringLiteral("beat %1").arg(++beat));
        QThread::msleep(200);
    }
    // So does a shut-down under way ("Exit OK" is no longer "False"), however
    // long it takes.
    SaveSetting("Exit OK", "1");
    SaveSetting("Last alive", QStringLiteral("beat %1").arg(++beat));
    QThread::msleep(3000);
    EXPECT_EQ(standIn.starts().size(), 1);
    EXPECT_EQ(program.state(), QProcess::Running);

    // A program that ended after its shut-down is not started again, however
    // its process ended.
    program.kill();
    program.waitForFinished(5000);
    EXPECT_TRUE(monitor.waitForFinished(5000));
    EXPECT_EQ(monitor.exitCode(), 0);
    EXPECT_EQ(standIn.starts().size(), 1);

    // Without a process to watch the monitor refuses to run; so it does with
    // a restart window that is no whole number of seconds.
    EXPECT_EQ(QProcess::execute(monitorProgram(), {"--program", standIn.script}), 2);
    for (const char *window : {"0", "-5", "soon"})
        EXPECT_EQ(QProcess::execute(monitorProgram(), {"--pid", QString::number(QCoreApplication::applicationPid()), "--program",
                                                       standIn.script, "--restart-window-seconds", window}),
                  2)
            << window;
}

// Killed, crashed or ended by the system while it ran: started again as a
// stuck one is, each start marking itself running and then dying at once,
// until a few restarts in a short while show that a restart does not help.
TEST(Monitor, AProgramThatDiedIsRestartedAFewTimesThenGivenUp)
{
    StandIn standIn(StandIn::Kind::DiesOnceMarked);
    QProcess first;
    ASSERT_NO_FATAL_FAILURE(startRunningAfterItsFirstRun(standIn, first));
    QProcess monitor;
    // No hang in this test: only ends.
    startMonitor(monitor, first.processId(), standIn.script, 60);

    QStringList exitOkAtStart;
    const bool gaveUp = waitFor(
        [&] {
            // Each start is let run as the program's own start does it:
            // "Exit OK" is "False" from then on.
            for (int n = exitOkAtStart.size(); n < standIn.starts().size(); ++n) {
                exitOkAtStart << GetSetting("Exit OK");
                SaveSetting("Exit OK", "False");
                standIn.markRunning(n);
            }
            return monitor.state() == QProcess::NotRunning;
        },
        20000);
    ASSERT_TRUE(gaveUp) << standIn.starts().join(", ").toStdString();
    EXPECT_EQ(monitor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(monitor.exitCode(), 1);

    const QStringList starts = standIn.starts();
    ASSERT_EQ(starts.size(), 4) << "the first start and three restarts";
    for (int n = 1; n < starts.size(); ++n) {
        EXPECT_EQ(starts.at(n), QString::number(standIn.pidOfStart(n)) + " /nomon");
        // No question about the unclean end waits for someone at the new start.
        EXPECT_EQ(exitOkAtStart.value(n), "1") << "start " << n;
    }
    for (int n = 0; n < starts.size(); ++n)
        EXPECT_FALSE(running(standIn.pidOfStart(n)));
}

// Restarts are counted within a window only: a program that died now and
// then over a long run is restarted every time, however many times in all.
TEST(Monitor, RestartsOlderThanTheWindowNoLongerCount)
{
    StandIn standIn(StandIn::Kind::DiesOnceMarked);
    QProcess first;
    ASSERT_NO_FATAL_FAILURE(startRunningAfterItsFirstRun(standIn, first));
    QProcess monitor;
    // A window of 2 s stands for the real quarter of an hour; the deaths
    // come further apart than that, more of them than the monitor allows
    // within one window.
    ASSERT_TRUE(MonitorSim::StartMonitor(monitor, first.processId(), standIn.script, 60, 2));

    constexpr int kDeaths = 5;
    for (int n = 0; n < kDeaths; ++n) {
        ASSERT_TRUE(waitFor([&] { return standIn.starts().size() == n + 1; }, 20000))
            << "death " << n << " was not restarted: " << standIn.starts().join(", ").toStdString();
        waitFor([] { return false; }, 2500);
        SaveSetting("Exit OK", "False");
        standIn.markRunning(n);
    }
    ASSERT_TRUE(waitFor([&] { return standIn.starts().size() == kDeaths + 1; }, 20000))
        << standIn.starts().join(", ").toStdString();
    EXPECT_EQ(monitor.state(), QProcess::Running) << "the monitor gave up";

    // Ended cleanly: the watch ends.
    SaveSetting("Exit OK", "1");
    standIn.markRunning(kDeaths);
    EXPECT_TRUE(monitor.waitForFinished(10000));
    EXPECT_EQ(monitor.exitCode(), 0);
    EXPECT_EQ(standIn.starts().size(), kDeaths + 1);
}

// The first run's wizard cancelled ends the program before it ever ended
// cleanly, as a crash would: that is the user's choice, not started again.
TEST(Monitor, AFirstRunThatEndedIsNotStartedAgain)
{
    StandIn standIn;
    SaveSetting("1st Run", "True");
    SaveSetting("Exit OK", "False");
    QProcess program;
    program.start(standIn.script, {});
    ASSERT_TRUE(program.waitForStarted(5000));
    QProcess monitor;
    startMonitor(monitor, program.processId(), standIn.script, 60);
    QThread::msleep(300);
    program.kill();
    program.waitForFinished(5000);
    EXPECT_TRUE(monitor.waitForFinished(5000));
    EXPECT_EQ(monitor.exitCode(), 0);
    EXPECT_EQ(standIn.starts().size(), 1);
}

TEST(Monitor, TheProgramStartsItForItsOwnProcess)
{
    SaveSetting("Exit OK", "1");
    ASSERT_TRUE(QFileInfo(MonitorProgramPath()).isExecutable());
    ASSERT_TRUE(StartMonitor());
    const QString self = QString::number(QCoreApplication::applicationPid());
    pid_t found = 0;
    QStringList arguments;
    waitFor([&] {
        for (const QString &entry : QDir("/proc").entryList(QDir::Dirs)) {
            QFile cmdline("/proc/" + entry + "/cmdline");
            if (!cmdline.open(QIODevice::ReadOnly))
                continue;
            const QStringList parts = QString::fromUtf8(cmdline.readAll()).split(QChar(0), Qt::SkipEmptyParts);
            if (parts.size() >= 3 && parts.first().endsWith("tallowmere-monitor") && parts.contains(self)) {
                found = pid_t(entry.toInt());
                arguments = parts.mid(1);
                return true;
            }
        }
        return false;
    }, 5000);
    ASSERT_NE(found, 0);
    ::kill(found, SIGTERM);
    EXPECT_EQ(arguments, QStringList({"--pid", self, "--program", QCoreApplication::applicationFilePath()}));
}
