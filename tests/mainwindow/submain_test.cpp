#include "app/submain.h"

#include "foundation/basgeneral.h"
#include "foundation/frmsplash.h"
#include "foundation/settingsstore.h"
#include "mainwindow/frmmain.h"
#include "platform/ticktimer.h"
#include "tests/support/keptsettings.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <functional>

TEST(Main, UncleanExitAsksAndYesResetsEverySetting)
{
    SaveSetting("Exit OK", "False");
    SaveSetting("1st Run", "False");
    SaveSetting("Last Load Step", "Preparing toolbar");
    SaveSetting("Homepage", "http://mine.test/");
    SaveSetting("Username", "alice");
    MsgBoxScript::instance().clear();
    MsgBoxScript::instance().answer(Desktop::AnswerYes);
    RegisterWindows();
    EXPECT_FALSE(Main());
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 2);
    const Desktop::MsgBoxCall call = MsgBoxScript::instance().calls().first();
    EXPECT_EQ(call.style, 276);
    EXPECT_EQ(call.prompt,
              "Tallowmere has not properly shut down the last time it has been used.\r\n\r\n"
              "If the program is giving an error as it loads, click Yes to reset the program settings and re-open the program.\r\n\r\n"
              "The last successful step during the loading process was \"Preparing toolbar\"\r\n\r\nReset program settings?");
    EXPECT_EQ(GetSetting("Homepage", "gone"), "gone");
    EXPECT_EQ(GetSetting("Exit OK", "gone"), "gone");
    EXPECT_FALSE(frmMainShell::isLoaded());

    // The settings as they were, the account included, are kept and named.
    QByteArray kept;
    ASSERT_TRUE(TakeKeptSettings(MsgBoxScript::instance().lastPrompt(), kept));
    EXPECT_TRUE(kept.contains("alice"));
    EXPECT_TRUE(kept.contains("http://mine.test/"));
}

// A run that died after its whole start-up left no step behind: the question
// says the start-up was complete rather than naming an empty step.
TEST(Main, UncleanExitAfterAWholeStartUpNamesItComplete)
{
    SaveSetting("Exit OK", "False");
    SaveSetting("1st Run", "False");
    SaveSetting("Last Load Step", "");
    MsgBoxScript::instance().clear();
    MsgBoxScript::instance().answer(Desktop::AnswerYes);
    RegisterWindows();
    EXPECT_FALSE(Main());
    ASSERT_FALSE(MsgBoxScript::instance().calls().isEmpty());
    EXPECT_TRUE(MsgBoxScript::instance().calls().first().prompt.contains(
        "The last successful step during the loading process was \"Start-up complete\""));
}

TEST(Main, CleanOrFirstRunsStartTheMainWindow)
{
    // The very first run crashed: "1st Run" was never written, so no question.
    SaveSetting("Exit OK", "False");
    MsgBoxScript::instance().clear();
    RegisterWindows();
    ASSERT_TRUE(Main());
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());
    EXPECT_EQ(GetSetting("Exit OK"), "False");
    EXPECT_NE(GetSetting("Last alive"), "");
    EXPECT_TRUE(QDir(basGeneral::DataFolder()).exists());
    ASSERT_TRUE(frmMainShell::isLoaded());
    frmMain &m = frmMain::instance();
    EXPECT_TRUE(m.isVisible());
    EXPECT_TRUE(m.tmrLoadProcess->Enabled());
    // The splash stays until the loader says loading is complete.
    ASSERT_TRUE(frmSplash::isLoaded());
    EXPECT_GE(frmSplash::instance().ProgressWidth(), 0.7 * frmSplash::kFullWidth - 50);
    EXPECT_FALSE(frmSplash::instance().blnMainReady);
}

// The last run got through its whole load (its step left empty) and this one
// dies while the main window is made: the next question names that step.
TEST(Main, MakingTheMainWindowIsAStepOfItsOwn)
{
    SaveSetting("Exit OK", "1");
    SaveSetting("1st Run", "False");
    SaveSetting("Last Load Step", "");
    MsgBoxScript::instance().clear();
    RegisterWindows();
    // A stand-in that only notes the step it is made under.
    class NotingWindow final : public frmMainShell
    {
    public:
        explicit NotingWindow(QString &step) { step = GetSetting("Last Load Step"); }
    };
    QString stepWhileMade = QStringLiteral("not made");
    frmMainShell::setFactory([&stepWhileMade] { return new NotingWindow(stepWhileMade); });
    const bool started = Main();
    frmMainShell::destroyInstance();
    frmMain::registerAsMainWindow();
    ASSERT_TRUE(started);
    EXPECT_EQ(stepWhileMade, "Loading main window");
}

TEST(Splash, ProgressNeverShrinksAndClosesAfterItsFirstTick)
{
    frmSplash &splash = frmSplash::instance();
    splash.show();
    splash.SetProgress(30);
    const double at30 = splash.ProgressWidth();
    EXPECT_GE(at30, 0.3 * frmSplash::kFullWidth);
    EXPECT_LT(at30, 0.3 * frmSplash::kFullWidth + 3 * 15 + 1);
    splash.SetProgress(10);
    EXPECT_EQ(splash.ProgressWidth(), at30);
    splash.SetProgress(100);
    EXPECT_EQ(splash.ProgressWidth(), frmSplash::kFullWidth);
    // Loading finished before the first tick: the splash waits for the tick.
    splash.blnMainReady = true;
    EXPECT_TRUE(frmSplash::isLoaded());
    emit splash.tmrTimer->Timer();
    EXPECT_FALSE(frmSplash::isLoaded());
}

// A data folder that is a link (to a folder of someone else's, say) is not
// used: the start ends with the error before the main window, and nothing
// is written through the link.
TEST(Main, ADataFolderThatIsALinkEndsTheStart)
{
    const QString data = QDir(basGeneral::DataFolder()).absolutePath();
    const QString elsewhere = data + QStringLiteral("-elsewhere");
    ASSERT_TRUE(QDir(data).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, data));
    MsgBoxScript::instance().clear();
    RegisterWindows();
    EXPECT_FALSE(Main());
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().contains(QStringLiteral("Error #76 Path not found: ") + data))
        << MsgBoxScript::instance().lastPrompt().toStdString();
    EXPECT_FALSE(frmMainShell::isLoaded());
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
}

// A lock file left by another computer sharing the home folder, or something
// else under its name: the start says which file is in the way and what to
// do, before it writes any setting.
TEST(Main, ALockThatCannotBeJudgedEndsTheStartWithAMessageNamingIt)
{
    const QString lock = basGeneral::DataFolder() + QStringLiteral("instance.lock");
    struct Case
    {
        const char *what;
        std::function<void()> make;
        QString advice;
    };
    const QList<Case> cases = {
        {"another computer's",
         [&] {
             QFile f(lock);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("4242\ntallowmere\nfaraway-host\n0123456789abcdef0123456789abcdef\n");
         },
         QStringLiteral("written by Tallowmere on the computer \"faraway-host\"")},
        {"a folder", [&] { ASSERT_TRUE(QDir().mkpath(lock)); }, QStringLiteral("not a lock file Tallowmere can read or replace")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(lock);
        QDir(lock).removeRecursively();
        c.make();
        MsgBoxScript::instance().clear();
        RegisterWindows();
        EXPECT_FALSE(Main());
        ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
        const Desktop::MsgBoxCall call = MsgBoxScript::instance().calls().first();
        EXPECT_EQ(call.style, Desktop::BoxCritical);
        EXPECT_TRUE(call.prompt.startsWith(QStringLiteral("An error occured while loading the program\r\n\r\n"
                                                          "Error #75 Path/File access error: ")
                                           + lock + QStringLiteral("\r\n\r\n")))
            << call.prompt.toStdString();
        EXPECT_TRUE(call.prompt.contains(c.advice)) << call.prompt.toStdString();
        EXPECT_TRUE(call.prompt.contains(QStringLiteral("start Tallowmere again"))) << call.prompt.toStdString();
        EXPECT_EQ(GetSetting("Last alive", "none"), "none");
        EXPECT_FALSE(frmMainShell::isLoaded());
    }
}
