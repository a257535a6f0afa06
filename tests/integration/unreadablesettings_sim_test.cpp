// A settings file that cannot be read, as the user meets it: the program
// starts against the simulator, tells where the old file went, runs its
// first-run wizard as for missing settings and never writes over the copy;
// a file spoiled while it runs is set aside as well, under a name of its
// own, and the accounts already read stay.
#include "app/submain.h"
#include "foundation/basgeneral.h"
#include "foundation/frmstartwiz.h"
#include "foundation/globals.h"
#include "foundation/mainformshell.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"
#include "platform/registry.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/filemode.h"
#include "tests/support/msgboxscript.h"

#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace {

// The copies beside the settings file, oldest name first.
QStringList copies()
{
    const QFileInfo settings(Registry::Store::filePath());
    QStringList paths;
    for (const QString &name : QDir(settings.absolutePath()).entryList({settings.fileName() + ".unreadable-*"}, QDir::Files, QDir::Name))
        paths << settings.absolutePath() + "/" + name;
    return paths;
}

QString expectedMessage(const QString &copy, bool keptValues)
{
    const QString what = "Your settings file could not be read and has been set aside as:\r\n\r\n" + copy + "\r\n\r\n";
    return keptValues ? what + "Tallowmere goes on with the settings it had already read and has saved them again; "
                               "the unreadable file is kept there."
                      : what + "Tallowmere starts as on a first run; your old file is kept there.";
}

// The prompts shown so far that are about a settings file set aside.
QList<Desktop::MsgBoxCall> settingsNotices()
{
    QList<Desktop::MsgBoxCall> found;
    for (const Desktop::MsgBoxCall &call : MsgBoxScript::instance().calls())
        if (call.prompt.startsWith("Your settings file could not be read"))
            found << call;
    return found;
}

// Fills in the first-run wizard as the user would, once it shows.
void answerTheWizard(const QString &user, const QString &password, bool *seen)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [=] {
        auto *wizard = qobject_cast<frmStartWiz *>(QApplication::activeModalWidget());
        if (!wizard)
            return;
        timer->stop();
        timer->deleteLater();
        *seen = true;
        wizard->txtUsername->setText(user);
        wizard->txtPassword->setText(password);
        wizard->cmdNext_Click();
    });
    timer->start(20);
}

} // namespace

TEST(UnreadableSettingsWithSimulator, TheUserIsToldTheCopyIsKeptAndTheProgramStartsAsOnAFirstRun)
{
    RefreshSim::Server().addAccount("alice", "Right Pass&1");
    const QString settings = Registry::Store::filePath();

    // The settings file of an earlier run, cut short in the middle of the
    // accounts (a full disk, a crash of an editor, a bad copy).
    const QByteArray cut = "{\n    \"HKEY_CURRENT_USER\": {\n        \"Software\\\\VB and VBA Program Settings\\\\Tallowmere\\\\Settings\": {\n"
                           "            \"1st Run\": {\n                \"data\": \"False\",\n                \"type\": 1\n            },\n"
                           "            \"Username\": {\n                \"data\": \"carol;dave\",\n                \"type\": 1\n            },\n"
                           "            \"Password\": {\n                \"da";
    writeBytes(settings, cut);
    Registry::Store::instance().reset(); // the program starts: nothing read yet
    QDir().mkpath(basGeneral::DataFolder());
    CommandLine = "/nomon"; // no monitor process from a test

    // The program starts.
    MsgBoxScript::instance().clear();
    bool wizardSeen = false;
    answerTheWizard("alice", "Right Pass&1", &wizardSeen);
    RegisterWindows();
    ASSERT_TRUE(Main());

    // Told once, before any window of the start-up, where the old file is.
    ASSERT_EQ(copies().size(), 1);
    const QString firstCopy = copies().first();
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    const Desktop::MsgBoxCall notice = MsgBoxScript::instance().calls().first();
    EXPECT_EQ(notice.prompt, expectedMessage(firstCopy, false));
    EXPECT_EQ(notice.style, Desktop::BoxExclamation);
    EXPECT_EQ(notice.title, "Tallowmere");
    // The copy beside the settings file holds the original bytes, for the
    // user's eyes only.
    EXPECT_EQ(fileBytes(firstCopy), cut);
    EXPECT_EQ(FileMode(firstCopy), "0600");
    EXPECT_TRUE(QFileInfo(firstCopy).fileName().startsWith("tallowmere-registry.json.unreadable-"));
    EXPECT_EQ(QFileInfo(firstCopy).absolutePath(), QFileInfo(settings).absolutePath());

    // As for missing settings: no question about an unclean exit (the cut
    // file's "1st Run" is not believed), the first-run wizard.
    MsgBoxScript::instance().answer(Desktop::AnswerNo); // do not import the watching list
    ASSERT_TRUE(RefreshSim::RunUntil([] { return GetSetting("Last Load Step", "unset").isEmpty(); }, 60));
    EXPECT_TRUE(wizardSeen);
    EXPECT_EQ(settingsNotices().size(), 1);
    EXPECT_EQ(GetSetting("Username"), "alice");
    EXPECT_EQ(basGeneral::UnscramblePassword(GetSetting("Password")), "Right Pass&1");
    ASSERT_TRUE(frmMainShell::isLoaded());

    // Saving afterwards writes a new settings file and leaves the copy alone.
    SaveSetting("Homepage", "http://kept.test/");
    EXPECT_TRUE(fileBytes(settings).contains("http://kept.test/"));
    EXPECT_EQ(FileMode(settings), "0600");
    EXPECT_EQ(copies(), QStringList{firstCopy});
    EXPECT_EQ(fileBytes(firstCopy), cut);

    // While the program runs, something spoils the file again. The program's
    // next read of its own (the heartbeat of the main tick) sets it aside
    // under a name of its own, keeps the account it holds, saves it again
    // and tells the user.
    const QByteArray garbage = QByteArrayLiteral("\0\0\0\0 not settings \xff\xfe");
    writeBytes(settings, garbage);
    ASSERT_TRUE(RefreshSim::RunUntil([] { return settingsNotices().size() == 2; }, 10));
    const QStringList both = copies();
    ASSERT_EQ(both.size(), 2);
    ASSERT_EQ(both.first(), firstCopy) << "the earlier copy keeps its name";
    const QString secondCopy = both.last();
    EXPECT_EQ(fileBytes(firstCopy), cut);
    EXPECT_EQ(fileBytes(secondCopy), garbage);
    EXPECT_EQ(settingsNotices().last().prompt, expectedMessage(secondCopy, true));
    EXPECT_EQ(settingsNotices().last().style, Desktop::BoxExclamation);

    EXPECT_EQ(GetSetting("Username"), "alice");
    EXPECT_EQ(GetSetting("Homepage"), "http://kept.test/");
    // Written again: a new start (or the monitor) reads them from the file.
    Registry::Store::instance().reset();
    EXPECT_EQ(GetSetting("Username"), "alice");
    EXPECT_EQ(basGeneral::UnscramblePassword(GetSetting("Password")), "Right Pass&1");
    EXPECT_EQ(FileMode(settings), "0600");

    // No first-run wizard this time, and nothing else asked of the user in
    // the whole run but the wizard's own question.
    EXPECT_FALSE(frmStartWiz::isLoaded());
    EXPECT_TRUE(frmMainShell::isLoaded());
    QStringList prompts;
    for (const Desktop::MsgBoxCall &call : MsgBoxScript::instance().calls())
        prompts << call.prompt;
    EXPECT_EQ(prompts, QStringList({expectedMessage(firstCopy, false), "Would you like to import your watched items from eBay?",
                                    expectedMessage(secondCopy, true)}));

    frmMainShell::destroyInstance();
}
