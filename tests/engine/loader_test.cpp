#include "engine/mainformengine.h"

#include "engine/startupwindows.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/frmsignin.h"
#include "foundation/frmstartwiz.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/settingsstore.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "tests/engine/enginetestutil.h"
#include "tests/foundation/loopbacksignin.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/programended.h"
#include "tests/support/tinyhttp.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

using namespace EngineTest;

namespace {

// A start after a clean exit with two accounts.
void settledAccounts()
{
    SaveSetting("1st Run", "False");
    SaveSetting("Exit OK", "1");
    SaveSetting("Username", "alice;bob");
    SaveSetting("Password", "x;y");
    SaveSetting("Login", "QXR");
    SaveSetting("Has TMRO Account", "True");
    SaveSetting("TMRO Default Shown", "True");
}

// Runs `action` on the next modal dialog that opens.
void onNextModal(std::function<void(QWidget *)> action)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start(20);
}

QString logText()
{
    QFile f(basGeneral::DataFolder() + "log.txt");
    f.open(QIODevice::ReadOnly);
    return QString::fromLatin1(f.readAll());
}

} // namespace

TEST(Loader, NomonStartLoadsAndStartsTheTickWithoutPrompts)
{
    settledAccounts();
    SaveSetting("Login", ""); // the prompt would be on, but /nomon skips it
    SaveSetting("Active User", "BOB");
    CommandLine = "  /nomon ";
    QDir().mkpath(basGeneral::DataFolder());
    WriteDataFile("favorites.dat", "\"My &quot;deals&quot;\",\"http://a.test/\"\r\n\"Two\",\"http://b.test/\"\r\n\"Three\",\"http://c.test/\"\r\n");
    TestEngineForm &form = FreshForm();
    AddRow("1", {{"enddate", "2026-01-01 10:00:00"}});
    form.blnPreventExit = true;
    form.tmrLoadProcess_Timer();

    EXPECT_FALSE(form.tmrLoadProcess->Enabled());
    EXPECT_TRUE(form.blnAuthorized);
    EXPECT_TRUE(form.blnDoneLoading);
    EXPECT_FALSE(form.blnPreventExit);
    EXPECT_FALSE(form.blnListUpdated);
    EXPECT_TRUE(form.tmrTimer->Enabled());
    EXPECT_EQ(form.rebuilds, 1);
    EXPECT_EQ(CurrentUser, "bob"); // found without regard to case
    EXPECT_EQ(GetSetting("Last Load Step", "none"), "");
    EXPECT_TRUE(logText().contains(": Starting with command: /nomon\r\n"));
    // No sort settings: by end date, newest first.
    EXPECT_EQ(form.lvwAuctions->SortKey, form.lvwAuctions->SubItemIndex("enddate"));
    EXPECT_EQ(form.lvwAuctions->SortOrder, 1);
    // The favorites: the design element takes the first, two more are added.
    ASSERT_EQ(form.mnuFavoritesItems.size(), 3);
    EXPECT_EQ(form.mnuFavoritesItems[0]->text(), "My \"deals\"");
    EXPECT_TRUE(form.mnuFavoritesItems[0]->isEnabled());
    EXPECT_EQ(form.mnuFavoritesItems[2]->data().toString(), "http://c.test/");
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());
}

TEST(Loader, OldDataFilesMoveInWithoutReplacingAndAMissingActiveUserFallsBack)
{
    settledAccounts();
    SaveSetting("Active User", "carol");
    CommandLine.clear();
    const QString roaming = basGeneral::RoamingDataFolder();
    QDir().mkpath(roaming);
    QDir().mkpath(basGeneral::DataFolder());
    auto write = [](const QString &path, const QByteArray &bytes) {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    };
    write(roaming + "relist.dat", "old relist");
    write(roaming + "feedback.dat", "old feedback");
    write(basGeneral::DataFolder() + "feedback.dat", "current feedback");
    TestEngineForm &form = FreshForm();
    form.tmrLoadProcess_Timer();
    EXPECT_EQ(ReadDataFile("relist.dat"), "old relist");
    EXPECT_FALSE(QFile::exists(roaming + "relist.dat"));
    EXPECT_EQ(ReadDataFile("feedback.dat"), "current feedback");
    EXPECT_TRUE(QFile::exists(roaming + "feedback.dat"));
    EXPECT_EQ(CurrentUser, "alice");
    EXPECT_FALSE(logText().contains("Starting with command"));
}

TEST(Loader, NoAccountResetsTheSettingsAndACancelledWizardEndsTheRun)
{
    SaveSetting("1st Run", "False");
    SaveSetting("Homepage", "http://kept.test/");
    CommandLine = "/nomon";
    TestEngineForm &form = FreshForm();
    form.blnPreventExit = true;
    QPointer<frmMainEngine> alive(&form);
    onNextModal([](QWidget *modal) {
        auto *wizard = qobject_cast<frmStartWiz *>(modal);
        ASSERT_NE(wizard, nullptr);
        wizard->close(); // the close box: the start-up ends
    });
    form.tmrLoadProcess_Timer();
    EXPECT_EQ(GetSetting("Homepage", "reset"), "reset");
    EXPECT_TRUE(form.blnMustExit);
    // The main window goes even though loading had not finished.
    EXPECT_FALSE(frmMainShell::isLoaded());
    EXPECT_FALSE(form.tmrTimer->Enabled());
}

// The wizard after the reset: once it has stored the account the setup is
// done, and the run's own marks, gone with the reset, are there again, so a
// crash from here is restarted by the monitor and asked about next time.
TEST(Loader, AnAccountStoredAfterTheResetFinishesTheSetupAndKeepsTheRunMarked)
{
    LoopbackSignIn signIn;
    SaveSetting("1st Run", "False");
    SaveSetting("Exit OK", "False"); // as the start left it
    CommandLine = "/nomon";
    TestEngineForm &form = FreshForm();
    form.blnPreventExit = true;
    QString firstRun, exitOk, step;
    onNextModal([&](QWidget *modal) {
        auto *wizard = qobject_cast<frmStartWiz *>(modal);
        ASSERT_NE(wizard, nullptr);
        wizard->txtUsername->setText("alice");
        wizard->txtPassword->setText("pw");
        MsgBoxScript::instance().answer(Desktop::AnswerNo); // no import
        wizard->cmdNext_Click();
        firstRun = GetSetting("1st Run");
        exitOk = GetSetting("Exit OK");
        step = GetSetting("Last load step");
        // No questions about the online service in this test.
        SaveSetting("Has TMRO Account", "True");
        SaveSetting("TMRO Default Shown", "True");
    });
    form.tmrLoadProcess_Timer();
    EXPECT_EQ(firstRun, "False");
    EXPECT_EQ(exitOk, "False");
    EXPECT_EQ(step, "Loading items list");
    EXPECT_EQ(CurrentUser, "alice");
    EXPECT_TRUE(form.blnDoneLoading);
}

TEST(Loader, OnlineAccountOfferAndReviewPromptAreDecidedOnce)
{
    TinyHttp vendor([](const TinyHttp::Request &r) {
        TinyHttp::Reply reply;
        reply.body = r.target.startsWith("/online/isreg.asp?version=2&user=alice") ? "OK: Registered" : "Error: no";
        return reply;
    });
    QTemporaryDir dir;
    QFile hosts(dir.path() + "/hosts");
    hosts.open(QIODevice::WriteOnly);
    hosts.write("vendor=127.0.0.1:" + QByteArray::number(vendor.port()) + "\n");
    hosts.close();
    qputenv("TALLOWMERE_HOSTS", hosts.fileName().toUtf8());
    HostRoles::reload();

    settledAccounts();
    SaveSetting("Has TMRO Account", "False");
    SaveSetting("TMRO Default Shown", "False");
    SaveSetting("PTD", QDate::currentDate().addDays(-30).toString(Qt::ISODate));
    SaveSetting("W", "10");
    SaveSetting("F", "0");
    int reviews = 0;
    StartupWindows::ShowReviewPrompt = [&] { ++reviews; };
    CommandLine = "/nomon";
    MsgBoxScript::instance().clear();
    MsgBoxScript::instance().answer(Desktop::AnswerNo);
    TestEngineForm &form = FreshForm();
    form.tmrLoadProcess_Timer();

    EXPECT_EQ(GetSetting("Has TMRO Account"), "True");
    EXPECT_EQ(GetSetting("TMRO Default Shown"), "True");
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().startsWith("You have a Tallowmere Online account but have not configured Tallowmere"));
    EXPECT_EQ(MsgBoxScript::instance().calls().first().style, 36);
    EXPECT_FALSE(frmSettings::instance().chkOnlineDefault->isChecked());
    EXPECT_EQ(reviews, 1);
    EXPECT_EQ(GetSetting("RR"), "True");
    EXPECT_EQ(vendor.requests().size(), 2);
    StartupWindows::ShowReviewPrompt = nullptr;
}

TEST(Loader, SignInPromptLeftWithoutPasswordUnloadsTheWindowAtTheEnd)
{
    settledAccounts();
    SaveSetting("Login", "");
    CommandLine.clear();
    TestEngineForm &form = FreshForm();
    onNextModal([](QWidget *modal) {
        auto *prompt = qobject_cast<frmSignIn *>(modal);
        ASSERT_NE(prompt, nullptr);
        prompt->cmdCancel_Click();
    });
    bool relistAsked = false;
    StartupWindows::KeepRelistScheduler = [&] { relistAsked = true; return false; };
    form.tmrLoadProcess_Timer();
    EXPECT_TRUE(relistAsked); // the steps after the prompt still ran
    EXPECT_EQ(GetSetting("Last Load Step", "none"), "");
    EXPECT_FALSE(frmMainShell::isLoaded());
    StartupWindows::KeepRelistScheduler = nullptr;
}

// A damaged or overlong favorites file is set aside and told in a notice
// that does not wait for an answer: the list is loaded and the tick started,
// with no part of the damaged file in the menu.
TEST(Loader, UnreadableFavoritesAreSetAsideAndTheStartGoesOnWithoutThem)
{
    QByteArray overlong;
    for (int i = 0; i <= 50000; ++i)
        overlong += "\"F\",\"http://f.test/\"\r\n";
    const QList<std::pair<const char *, QByteArray>> damaged = {
        {"an unclosed quote", "\"Fine\",\"http://a.test/\"\r\n\"never closed,\"x\r\n\""},
        {"50,001 favorites", overlong},
    };
    for (const auto &[what, bytes] : damaged) {
        SCOPED_TRACE(what);
        settledAccounts();
        CommandLine = "/nomon";
        RemoveListFiles();
        for (const QString &backup : Backups("favorites"))
            QFile::remove(DataPath(backup));
        WriteDataFile("favorites.dat", bytes);
        WriteDataFile("favorites-backup.dat", "older backup");
        WriteDataFile("data6.dat", Line({"110000000001", "Brass lamp", "1 h", "N/A", "0", "1", "US $1.00", "1 @ 5.00", "alice",
                                         "", "", "", "", "", "", "", "Local"}));
        MsgBoxScript::instance().clear();
        TestEngineForm &form = FreshForm();
        form.tmrLoadProcess_Timer(); // does not end the program

        EXPECT_TRUE(form.blnDoneLoading);
        EXPECT_TRUE(form.tmrTimer->Enabled());
        EXPECT_EQ(form.lvwAuctions->Count(), 1);
        ASSERT_EQ(form.mnuFavoritesItems.size(), 1);
        EXPECT_FALSE(form.mnuFavoritesItems[0]->isEnabled()) << "still the placeholder";
        ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
        const Desktop::MsgBoxCall &notice = MsgBoxScript::instance().calls()[0];
        EXPECT_TRUE(notice.prompt.startsWith("An error occured while loading your favorites list: ")) << notice.prompt.toStdString();
        EXPECT_EQ(notice.style, Desktop::BoxExclamation);
        EXPECT_FALSE(QFile::exists(DataPath("favorites.dat")));
        // Under a name of its own: the backup of an earlier damaged list stays.
        EXPECT_EQ(ReadDataFile("favorites-backup.dat"), "older backup");
        const QStringList backups = Backups("favorites");
        ASSERT_EQ(backups.size(), 1);
        EXPECT_EQ(ReadDataFile(backups[0]), bytes);
        EXPECT_TRUE(notice.prompt.contains("Your favorites list has been saved as " + backups[0] + " and"));
    }
}

TEST(Loader, AnUnreadableSortKeyEndsTheStartWithTheGeneralMessage)
{
    settledAccounts();
    SaveSetting("Exit OK", "False");
    SaveSetting("Sort Key", "abc");
    CommandLine = "/nomon";
    MsgBoxScript::instance().clear();
    TestEngineForm &form = FreshForm();
    EXPECT_THROW(form.tmrLoadProcess_Timer(), ProgramEnded);
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().startsWith("An error occured while loading the program, please start"));
    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().endsWith("Error #13 Type mismatch"));
    EXPECT_NE(GetSetting("Exit OK"), "1");
}
