// The program as its own process: one running copy, the start without the
// monitor and the sign-in prompt, and the unclean-exit mark a kill leaves.
#include "foundation/basgeneral.h"
#include "foundation/settingsstore.h"

#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <functional>

namespace {

QString program()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tallowmere");
}

QString logText()
{
    QFile f(basGeneral::DataFolder() + QStringLiteral("log.txt"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

// The program shares this test's home folder (and so its settings).
void startProgram(QProcess &p, const QStringList &args)
{
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
    EXPECT_TRUE(logText().contains(": Starting with command: /nomon\r\n"));
    EXPECT_EQ(GetSetting("Exit OK"), "False");

    QProcess second;
    startProgram(second, {});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_FALSE(logText().contains("Starting with command: \r\n"));

    // A kill leaves the run marked unclean, so the next start will ask.
    first.kill();
    first.waitForFinished(10000);
    EXPECT_EQ(GetSetting("Exit OK"), "False");
    EXPECT_EQ(GetSetting("1st Run"), "False");
}
