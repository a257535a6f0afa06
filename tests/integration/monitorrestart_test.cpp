// The program under the monitor it starts, killed outright before a snipe's
// moment: the monitor starts it again as after a hang, without a question
// that would wait for someone, and the new copy places the snipe, once.
#include "foundation/settingsstore.h"
#include "sim/core/simserver.h"

#include "tests/integration/monitorstandin.h"
#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <csignal>

namespace {

using MonitorSim::CommandLineOf;
using MonitorSim::LockHolder;
using MonitorSim::MonitorOf;
using ProgramRun::Server;

} // namespace

TEST(MonitorRestart, AProgramKilledBeforeASnipeIsStartedAgainAndPlacesItOnce)
{
    const QString number = ProgramRun::ListSnipeOnNewItem(QStringLiteral("Sniped after a kill"), 30);
    const QDateTime end = Server().items().find(number)->endsAt;
    // The bid starts 3 s (the lead time) + 3 s (the bid delay, entry 2)
    // before the end.
    ProgramRun::PrepareFinishedFirstRunToSnipe(3, 2);

    MonitorSim::Leftovers leftovers;
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

namespace {

// A new user's first start, under its monitor: nothing stored but the snipe's
// times; the user at the screen fills the first-run wizard (or cancels it)
// and declines the watching-list import. `pid` is the program's, once its
// monitor watches it.
void StartFirstRun(QProcess &program, const QString &wizard, MonitorSim::Leftovers &leftovers, qint64 &pid)
{
    SaveSetting("Lead time", "3");
    SaveSetting("Bid Delay 3", "2");
    SaveSetting("Fast Sync Interval", "0");
    SaveSetting("Has TMRO Account", "True");
    SaveSetting("TMRO Default Shown", "True");
    QProcessEnvironment driving;
    driving.insert(QStringLiteral("TALLOWMERE_DRIVEN_WIZARD"), wizard);
    driving.insert(QStringLiteral("TALLOWMERE_DRIVEN_ANSWERS"), QStringLiteral("No"));
    ASSERT_NO_FATAL_FAILURE(ProgramRun::StartDriven(program, {}, driving));
    pid = program.processId();
    ASSERT_TRUE(waitFor([&] { return (leftovers.monitor = MonitorOf(pid)) != 0; }, 60000))
        << "the program did not start its monitor";
}

QString DrivenLogText()
{
    return ProgramRun::DrivenLog().join(QStringLiteral("\n"));
}

} // namespace

// Once the wizard has stored the account the setup is done: a crash on the
// first day is restarted like any later one, the new copy asks nothing and
// shows no wizard, and the snipe goes out once.
TEST(MonitorRestart, AFirstRunKilledAfterItsWizardIsStartedAgainWithoutTheWizardAndSnipesOnce)
{
    // The item ends long after the load; its end is brought near once the
    // first copy is dead, so a slow start cannot make the kill come too late.
    const QString number = ProgramRun::ListSnipeOnNewItem(QStringLiteral("Sniped on the first day"), 3600);
    MonitorSim::Leftovers leftovers;
    QProcess first;
    qint64 firstPid = 0;
    ASSERT_NO_FATAL_FAILURE(StartFirstRun(first, QStringLiteral("alice:pw"), leftovers, firstPid));
    ASSERT_TRUE(waitFor([] { return GetSetting("Last Load Step", "unset").isEmpty(); }, 90000)) << DrivenLogText().toStdString();
    ASSERT_EQ(ProgramRun::DrivenLogOf(firstPid, QStringLiteral("wizard")).size(), 1) << DrivenLogText().toStdString();
    EXPECT_EQ(GetSetting("Username"), "alice");
    EXPECT_EQ(GetSetting("1st Run"), "False");
    ASSERT_EQ(GetSetting("Exit OK"), "False");

    ASSERT_TRUE(ProgramRun::Kill(first));
    const QDateTime end = QDateTime::currentDateTimeUtc().addSecs(45);
    Server().items().find(number)->endsAt = end;

    const bool restarted = waitFor(
        [&] {
            leftovers.program = LockHolder();
            return leftovers.program > 0 && leftovers.program != firstPid && MonitorSim::Running(leftovers.program);
        },
        30000);
    ASSERT_TRUE(restarted) << "the first day's crash was left dead";
    EXPECT_EQ(CommandLineOf(leftovers.program), QStringList({ProgramRun::DrivenProgramFile(), QStringLiteral("/nomon")}));

    const bool placed = waitFor([&] { return !RefreshSim::BidConfirmationsSince(0, number).isEmpty(); }, 60000);
    ASSERT_TRUE(placed) << "no bid from the restarted program";
    waitFor([] { return false; }, 3000);
    EXPECT_EQ(RefreshSim::BidConfirmationsSince(0, number).size(), 1);
    EXPECT_EQ(Server().items().find(number)->winner, QStringLiteral("alice"));
    // Neither the wizard nor a question waited at the new start.
    EXPECT_TRUE(ProgramRun::DrivenLogOf(leftovers.program, QStringLiteral("wizard")).isEmpty()) << DrivenLogText().toStdString();
    EXPECT_TRUE(ProgramRun::DrivenLogOf(leftovers.program, QStringLiteral("box")).isEmpty()) << DrivenLogText().toStdString();

    ::kill(leftovers.program, SIGTERM);
    EXPECT_TRUE(waitFor([&] { return !MonitorSim::Running(leftovers.program); }, 30000));
    EXPECT_TRUE(waitFor([&] { return !MonitorSim::Running(leftovers.monitor); }, 10000));
}

// Cancelling the wizard is the user's choice to end: the monitor lets the
// program go.
TEST(MonitorRestart, AFirstRunWhoseWizardIsCancelledIsNotStartedAgain)
{
    ProgramRun::WriteList({});
    MonitorSim::Leftovers leftovers;
    QProcess first;
    qint64 pid = 0;
    ASSERT_NO_FATAL_FAILURE(StartFirstRun(first, QStringLiteral("cancel"), leftovers, pid));
    ASSERT_TRUE(waitFor([&] { return first.state() == QProcess::NotRunning; }, 90000)) << DrivenLogText().toStdString();
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(ProgramRun::DrivenLogOf(pid, QStringLiteral("wizard")).size(), 1) << DrivenLogText().toStdString();

    EXPECT_TRUE(waitFor([&] { return !MonitorSim::Running(leftovers.monitor); }, 15000)) << "the monitor went on watching";
    waitFor([] { return false; }, 2000);
    EXPECT_EQ(ProgramRun::DrivenLog().filter(QStringLiteral(" start")).size(), 1) << DrivenLogText().toStdString();
    EXPECT_NE(GetSetting("1st Run"), "False");
}
