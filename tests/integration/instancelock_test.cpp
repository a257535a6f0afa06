// The program as its own process against lock files left in its data folder:
// one no running copy holds is taken over and the program runs (and keeps
// a second copy out); one it cannot judge stops the start at a message
// instead of ending every start in silence.
#include "foundation/basgeneral.h"
#include "foundation/settingsstore.h"

#include "tests/integration/programrun.h"
#include "tests/support/testfiles.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>

#include <csignal>

namespace {

QString lockFile()
{
    return basGeneral::DataFolder() + QStringLiteral("instance.lock");
}

// A lock in the layout the lock file writes: process, program, computer
// name, computer id, boot id.
QByteArray lockText(qint64 pid, const QByteArray &host, const QByteArray &hostId)
{
    return QByteArray::number(pid) + "\ntallowmere\n" + host + '\n' + hostId + '\n' + QSysInfo::bootUniqueId() + '\n';
}

qint64 endedProcess()
{
    QProcess p;
    p.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    p.waitForStarted(5000);
    const qint64 pid = p.processId();
    p.kill();
    p.waitForFinished(5000);
    return pid;
}

bool Loaded()
{
    return GetSetting("Last Load Step", "unset").isEmpty();
}

// Events run while it waits: the simulator in this process answers the
// program's last requests.
bool Ends(QProcess &p, int ms)
{
    return waitFor([&p] { return p.state() == QProcess::NotRunning; }, ms);
}

void Stop(QProcess &p)
{
    if (p.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(p.processId()), SIGTERM);
    if (!Ends(p, 30000)) {
        p.kill();
        p.waitForFinished(5000);
    }
}

struct LeftLock
{
    const char *name;
    void (*make)(const QString &path);
};

std::string caseName(const testing::TestParamInfo<LeftLock> &info)
{
    return info.param.name;
}

class TakenOverLock : public testing::TestWithParam<LeftLock>
{
};

class UnjudgedLock : public testing::TestWithParam<LeftLock>
{
};

} // namespace

TEST_P(TakenOverLock, TheProgramRunsAndHoldsTheLockAsItsOwn)
{
    ProgramRun::PrepareFinishedFirstRun();
    GetParam().make(lockFile());

    QProcess first;
    ASSERT_NO_FATAL_FAILURE(ProgramRun::StartProgram(first));
    ASSERT_TRUE(waitFor([&] { return Loaded() || first.state() == QProcess::NotRunning; }, 90000));
    ASSERT_EQ(first.state(), QProcess::Running) << "the start ended at the left lock";
    ASSERT_TRUE(Loaded()) << GetSetting("Last Load Step").toStdString();
    QFile lock(lockFile());
    ASSERT_TRUE(lock.open(QIODevice::ReadOnly));
    EXPECT_EQ(lock.readLine().trimmed().toLongLong(), first.processId());

    // A second copy beside it still ends at once, in silence.
    QProcess second;
    ASSERT_NO_FATAL_FAILURE(ProgramRun::StartProgram(second));
    EXPECT_TRUE(Ends(second, 15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    Stop(second);
    Stop(first);
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    LeftBehind, TakenOverLock,
    testing::Values(
        // Created, then the power went.
        LeftLock{"Empty", [](const QString &path) { writeBytes(path, {}); }},
        LeftLock{"Garbage", [](const QString &path) { writeBytes(path, QByteArray("\x7f\x01 lock?\n\n\xff", 11)); }},
        LeftLock{"OfAnEndedProcess",
                 [](const QString &path) {
                     writeBytes(path, lockText(endedProcess(), QSysInfo::machineHostName().toUtf8(), QSysInfo::machineUniqueId()));
                 }}),
    caseName);

TEST_P(UnjudgedLock, TheStartStopsAtAMessageAndLeavesTheLockAlone)
{
    ProgramRun::PrepareFinishedFirstRun();
    SaveSetting("Last alive", "before");
    const QString path = lockFile();
    GetParam().make(path);
    const QFileInfo before(path);

    QProcess program;
    ASSERT_NO_FATAL_FAILURE(ProgramRun::StartProgram(program));
    // The message waits for the user; nothing of the start has run.
    EXPECT_FALSE(Ends(program, 3000)) << "the start ended without a word";
    EXPECT_EQ(GetSetting("Last alive"), "before");
    EXPECT_EQ(GetSetting("Last Load Step"), "not started");
    EXPECT_FALSE(QFile::exists(basGeneral::DataFolder() + QStringLiteral("log.txt")));

    // Ended from outside, the message closes and the program ends.
    ::kill(pid_t(program.processId()), SIGTERM);
    EXPECT_TRUE(Ends(program, 15000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    Stop(program);
    const QFileInfo after(path);
    EXPECT_EQ(after.isDir(), before.isDir());
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(GetSetting("Last alive"), "before");
}

INSTANTIATE_TEST_SUITE_P(
    LeftBehind, UnjudgedLock,
    testing::Values(LeftLock{"Folder", [](const QString &path) { QDir().mkpath(path + QStringLiteral("/inside")); }},
                    // A home folder shared with another computer, where a
                    // copy may run right now.
                    LeftLock{"OfAnotherComputer",
                             [](const QString &path) {
                                 writeBytes(path, lockText(4242, "faraway-host", "0123456789abcdef0123456789abcdef"));
                             }}),
    caseName);
