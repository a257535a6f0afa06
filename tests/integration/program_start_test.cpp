// The program as its own process: one running copy per data folder, the
// start without the monitor and the sign-in prompt, and the unclean-exit mark
// a kill leaves.
#include "foundation/basgeneral.h"
#include "foundation/settingsstore.h"

#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/filemode.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

namespace {

QString program()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tallowmere");
}

// The program shares this test's home folder (and so its settings).
// runtimeFolder: the session's XDG_RUNTIME_DIR for it, "-" for none.
void startProgram(QProcess &p, const QStringList &args, const QString &runtimeFolder = {})
{
    if (!runtimeFolder.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        if (runtimeFolder != QLatin1String("-"))
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder);
        p.setProcessEnvironment(env);
    }
    p.setProgram(program());
    p.setArguments(args);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start();
    ASSERT_TRUE(p.waitForStarted(10000));
}

} // namespace

TEST(ProgramStart, NomonStartLoadsWithoutPromptAndASecondCopyEndsAtOnce)
{
    SaveSetting("1st Run", "False");
    SaveSetting("Exit OK", "1");
    SaveSetting("Username", "alice");
    SaveSetting("Password", "secret");
    SaveSetting("Has TMRO Account", "True");
    SaveSetting("TMRO Default Shown", "True");

    QProcess first;
    startProgram(first, {"/nomon"});
    // Loading completes (the breadcrumb is cleared) with no dialog in the way.
    ASSERT_TRUE(waitFor([] { return GetSetting("Last Load Step", "unset") == ""; })) << GetSetting("Last Load Step").toStdString();
    EXPECT_TRUE(RefreshSim::DataFileText("log.txt").contains(": Starting with command: /nomon\r\n"));
    EXPECT_EQ(GetSetting("Exit OK"), "False");

    QProcess second;
    startProgram(second, {});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_FALSE(RefreshSim::DataFileText("log.txt").contains("Starting with command: \r\n"));

    // A kill leaves the run marked unclean, so the next start will ask.
    first.kill();
    first.waitForFinished(10000);
    EXPECT_EQ(GetSetting("Exit OK"), "False");
    EXPECT_EQ(GetSetting("1st Run"), "False");
}

// Started from the desktop and from ssh or cron, two copies see different
// runtime folders (or none) but the same data: the lock lives with the data,
// so the second start ends at once and never reaches the list to bid on it.
TEST(ProgramStart, TwoStartsOnOneDataFolderSeeEachOtherWhateverTheRuntimeFolder)
{
    ProgramRun::PrepareFinishedFirstRun();
    // A data folder from an older version, open to everyone to read.
    ASSERT_TRUE(QDir().mkpath(basGeneral::DataFolder()));
    ASSERT_TRUE(SetFileMode(basGeneral::DataFolder(), 0755));
    QTemporaryDir desktopSession, sshSession;
    const QString missing = desktopSession.path() + QStringLiteral("/gone");

    struct Case
    {
        const char *what;
        QString first, second;
    };
    const QList<Case> cases = {
        {"different runtime folders", desktopSession.path(), sshSession.path()},
        {"no runtime folder for either", QStringLiteral("-"), QStringLiteral("-")},
        {"a runtime folder and none", sshSession.path(), QStringLiteral("-")},
        {"a runtime folder that is not there", missing, desktopSession.path()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SaveSetting("Last Load Step", "not started");
        QProcess first;
        startProgram(first, {"/nomon"}, c.first);
        ASSERT_TRUE(waitFor([] { return GetSetting("Last Load Step", "unset") == ""; }, 60000))
            << GetSetting("Last Load Step").toStdString();
        EXPECT_EQ(FileMode(basGeneral::DataFolder()), "0700");

        QProcess second;
        startProgram(second, {"/second"}, c.second);
        EXPECT_TRUE(second.waitForFinished(15000)) << "the second copy runs beside the first";
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode(), 0);
        EXPECT_FALSE(RefreshSim::DataFileText("log.txt").contains("Starting with command: /second")) << "the second copy went on to load";
        EXPECT_EQ(first.state(), QProcess::Running);

        first.terminate();
        EXPECT_TRUE(first.waitForFinished(30000));
        if (second.state() != QProcess::NotRunning) {
            second.kill();
            second.waitForFinished(5000);
        }
    }
}
