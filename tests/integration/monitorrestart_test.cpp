// The program under the monitor it starts, killed outright before a snipe's
// moment: the monitor starts it again as after a hang, without a question
// that would wait for someone, and the new copy places the snipe, once.
#include "foundation/basgeneral.h"
#include "foundation/settingsstore.h"
#include "sim/core/simserver.h"

#include "tests/integration/monitorstandin.h"
#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>

#include <csignal>

namespace {

using ProgramRun::Server;

QStringList CommandLineOf(pid_t pid)
{
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!cmdline.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(cmdline.readAll()).split(QChar(0), Qt::SkipEmptyParts);
}

// The monitor watching `program`, 0 while there is none.
pid_t MonitorOf(qint64 program)
{
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QStringList parts = CommandLineOf(pid_t(entry.toInt()));
        const qsizetype at = parts.indexOf(QStringLiteral("--pid"));
        if (!parts.isEmpty() && parts.first().endsWith(QStringLiteral("tallowmere-monitor")) && at > 0
            && parts.value(at + 1) == QString::number(program))
            return pid_t(entry.toInt());
    }
    return 0;
}

// The copy that holds the data folder's lock.
pid_t LockHolder()
{
    QFile lock(basGeneral::DataFolder() + QStringLiteral("instance.lock"));
    if (!lock.open(QIODevice::ReadOnly))
        return 0;
    return pid_t(lock.readLine().trimmed().toInt());
}

// Whatever the test leaves running is ended with it, the monitor first, so
// that it starts nothing more.
struct Leftovers
{
    pid_t monitor = 0;
    pid_t program = 0;
    ~Leftovers()
    {
        for (const pid_t pid : {monitor, program})
            if (pid > 0 && MonitorSim::Running(pid))
                ::kill(pid, SIGKILL);
    }
};

} // namespace

TEST(MonitorRestart, AProgramKilledBeforeASnipeIsStartedAgainAndPlacesItOnce)
{
    const QString number = ProgramRun::ListSnipeOnNewItem(QStringLiteral("Sniped after a kill"), 30);
    const QDateTime end = Server().items().find(number)->endsAt;
    // The bid starts 3 s (the lead time) + 3 s (the bid delay, entry 2)
    // before the end.
    ProgramRun::PrepareFinishedFirstRunToSnipe(3, 2);

    Leftovers leftovers;
    QProcess first;
    ASSERT_NO_FATAL_FAILURE(ProgramRun::StartWithItsMonitor(first));
    ASSERT_TRUE(waitFor([&] { return (leftovers.monitor = MonitorOf(first.processId())) != 0; }, 60000))
        << "the program did not start its monitor";
    ASSERT_TRUE(waitFor([] { return GetSetting("Last Load Step", "unset").isEmpty(); }, 60000));
    ASSERT_EQ(GetSetting("Exit OK"), "False");

    ASSERT_TRUE(ProgramRun::Kill(first));
    ASSERT_GT(QDateTime::currentDateTimeUtc().secsTo(end), 15) << "killed well before the snipe's moment";
    EXPECT_TRUE(RefreshSim::BidConfirmationsSince(0, number).isEmpty());

    // Started again by the monitor, which goes on watching it.
    const bool restarted = waitFor(
        [&] {
            leftovers.program = LockHolder();
            return leftovers.program > 0 && leftovers.program != first.processId() && MonitorSim::Running(leftovers.program);
        },
        30000);
    ASSERT_TRUE(restarted) << "the killed program was left dead";
    EXPECT_EQ(CommandLineOf(leftovers.program), QStringList({ProgramRun::ProgramFile(), QStringLiteral("/nomon")}));
    EXPECT_TRUE(MonitorSim::Running(leftovers.monitor));

    // The snipe goes out from the new copy at its moment, once.
    const bool placed = waitFor([&] { return !RefreshSim::BidConfirmationsSince(0, number).isEmpty(); }, 60000);
    ASSERT_TRUE(placed) << "no bid from the restarted program";
    waitFor([] { return false; }, 3000); // the end passes: nothing more goes out
    const QList<Sim::LogEntry> confirmations = RefreshSim::BidConfirmationsSince(0, number);
    EXPECT_EQ(confirmations.size(), 1);
    EXPECT_LT(confirmations.first().arrival, end) << "in time for the end";
    EXPECT_EQ(Server().items().find(number)->winner, QStringLiteral("alice"));
    EXPECT_EQ(leftovers.program, LockHolder()) << "the restarted copy ran on";

    // Its clean end ends the watch.
    ::kill(leftovers.program, SIGTERM);
    EXPECT_TRUE(waitFor([&] { return !MonitorSim::Running(leftovers.program); }, 30000));
    EXPECT_TRUE(waitFor([&] { return !MonitorSim::Running(leftovers.monitor); }, 10000));
    EXPECT_EQ(GetSetting("Exit OK"), "1");
}
