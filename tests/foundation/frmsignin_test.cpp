// The program's own password prompt.
#include "foundation/frmsignin.h"

#include "foundation/globals.h"
#include "foundation/mainformshell.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"
#include "platform/registry.h"
#include "platform/ticktimer.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

namespace {

// A main window that records what the prompt asks of it, with the state the
// prompt had set by then.
class RecordingMain final : public frmMainShell
{
public:
    QStringList calls;
    void RebuildHTMLList() override { calls << QStringLiteral("RebuildHTMLList"); }
    void RefreshAuctions(const QString &item, bool skipItems, bool skipSync) override
    {
        calls << QStringLiteral("RefreshAuctions(%1,%2,%3) user=%4 login=%5 authorized=%6")
                     .arg(item, QString::number(skipItems), QString::number(skipSync), CurrentUser,
                          GetSetting(QStringLiteral("Login"), QStringLiteral("unset")), QString::number(blnAuthorized));
    }
};

RecordingMain &recordingMain()
{
    frmMainShell::setFactory([] { return new RecordingMain; });
    if (frmMainShell::isLoaded())
        frmMainShell::destroyInstance();
    return static_cast<RecordingMain &>(frmMainShell::instance());
}

void storeAccounts(const QStringList &users, const QStringList &plainPasswords)
{
    QStringList scrambled;
    for (const QString &p : plainPasswords)
        scrambled << basGeneral::ScramblePassword(p);
    SaveSetting("Username", users.join(';'));
    SaveSetting("Password", scrambled.join(';'));
}

frmSignIn &freshPrompt()
{
    if (frmSignIn::isLoaded())
        frmSignIn::unloadInstance();
    return frmSignIn::instance();
}

QStringList entries(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

} // namespace

TEST(frmSignIn, LoadsTheAccountsAndSelectsTheActiveOne)
{
    storeAccounts({"amy", "ben", "cat", "ben"}, {"a", "b", "c", "b2"});
    DeleteSetting("Login");
    CurrentUser = "cat";
    frmSignIn &p = freshPrompt();
    EXPECT_EQ(entries(p.ddnUser), QStringList({"amy", "ben", "cat", "ben"}));
    EXPECT_EQ(p.Pswds.size(), 4);
    EXPECT_EQ(p.ddnUser->currentIndex(), 2);
    EXPECT_TRUE(p.chkAlwaysPswd->isChecked());

    CurrentUser = "ben"; // the later of two equal entries
    p.UpdateUsers();
    EXPECT_EQ(p.ddnUser->currentIndex(), 3);
    CurrentUser = "BEN"; // the same user ID in another letter case
    p.UpdateUsers();
    EXPECT_EQ(p.ddnUser->currentIndex(), 3);
    CurrentUser = "dan"; // no such account: the first entry
    p.UpdateUsers();
    EXPECT_EQ(p.ddnUser->currentIndex(), 0);
    CurrentUser.clear();
    p.UpdateUsers();
    EXPECT_EQ(p.ddnUser->currentIndex(), 0);

    SaveSetting("Login", "QXR");
    DeleteSetting("Username");
    DeleteSetting("Password");
    frmSignIn &empty = freshPrompt();
    EXPECT_EQ(empty.ddnUser->count(), 0);
    EXPECT_EQ(empty.ddnUser->currentIndex(), -1);
    EXPECT_FALSE(empty.chkAlwaysPswd->isChecked());

    // The heartbeat goes on while the prompt is open; the first tick brings
    // it to the front once.
    SaveSetting("Last alive", "stale");
    emit empty.tmrTimerAlive->Timer();
    EXPECT_NE(GetSetting("Last alive"), "stale");
    emit empty.Timer->Timer();
    EXPECT_FALSE(empty.Timer->Enabled());
}

TEST(frmSignIn, WrongPairsAreRefusedAndAnyMatchingEntryIsAccepted)
{
    RecordingMain &main = recordingMain();
    storeAccounts({"amy", "ben", "ben"}, {"Alpha", "one", "two"});
    CurrentUser = "amy";
    SaveSetting("Login", "QXR");
    MsgBoxScript::instance().clear();
    frmSignIn &p = freshPrompt();

    // Another account's password, or the right one in another case.
    for (const char *attempt : {"one", "alpha"}) {
        p.txtPassword->setText(attempt);
        p.cmdOK_Click();
        EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "Incorrect password");
        EXPECT_EQ(MsgBoxScript::instance().calls().last().style, Desktop::BoxExclamation);
        EXPECT_TRUE(p.txtPassword->text().isEmpty());
        EXPECT_TRUE(frmSignIn::isLoaded());
    }
    EXPECT_FALSE(main.blnAuthorized);
    EXPECT_TRUE(main.calls.isEmpty());

    // Either password of a user ID stored twice is accepted.
    p.ddnUser->setCurrentIndex(1);
    p.txtPassword->setText("two");
    p.chkAlwaysPswd->setChecked(true);
    p.cmdOK_Click();
    EXPECT_FALSE(frmSignIn::isLoaded());
    EXPECT_TRUE(main.blnAuthorized);
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(CurrentUser, "ben");
    // The active user and "Login" are in place before the redraw and the
    // feedback refresh.
    EXPECT_EQ(main.calls, QStringList({"RebuildHTMLList", "RefreshAuctions(,1,0) user=ben login= authorized=1"}));
}

TEST(frmSignIn, ModalPromptRestoresTheWindowOrLeavesItToTheCaller)
{
    RecordingMain &main = recordingMain();
    storeAccounts({"amy"}, {"pw"});
    main.LastWinState = 2;

    QTimer::singleShot(0, [] {
        frmSignIn &p = frmSignIn::instance();
        EXPECT_TRUE(p.isModal());
        p.txtPassword->setText("pw");
        // Unticking asks (No is the default); Yes leaves it off.
        MsgBoxScript::instance().answer(Desktop::AnswerYes);
        p.chkAlwaysPswd->click();
        p.cmdOK->click();
    });
    EXPECT_TRUE(frmSignIn::ShowModal());
    EXPECT_EQ(MsgBoxScript::instance().calls().last().style, Desktop::BoxYesNo | Desktop::BoxExclamation | Desktop::BoxDefaultButton2);
    EXPECT_EQ(GetSetting("Login"), "QXR");
    EXPECT_TRUE(main.windowState() & Qt::WindowMaximized);

    // Cancel: nothing but the silent-exit mark changes.
    main.blnAuthorized = false;
    main.blnForceExit = false;
    CurrentUser = "someone";
    QTimer::singleShot(0, [] { frmSignIn::instance().cmdCancel->click(); });
    EXPECT_FALSE(frmSignIn::ShowModal(true));
    EXPECT_TRUE(main.blnForceExit);
    EXPECT_FALSE(main.blnAuthorized);
    EXPECT_EQ(CurrentUser, "someone");
    EXPECT_EQ(GetSetting("Login"), "QXR");

    // The close box sets nothing at all.
    main.blnForceExit = false;
    QTimer::singleShot(0, [] { frmSignIn::instance().close(); });
    EXPECT_FALSE(frmSignIn::ShowModal());
    EXPECT_FALSE(main.blnForceExit);
    EXPECT_FALSE(frmSignIn::isLoaded());
}

TEST(frmSignIn, MissingPasswordsFailToVerifyAndOneEmptyPasswordWorks)
{
    RecordingMain &main = recordingMain();
    SaveSetting("Username", "amy;ben");
    SaveSetting("Password", basGeneral::ScramblePassword("a"));
    MsgBoxScript::instance().clear();
    frmSignIn &p = freshPrompt();
    p.ddnUser->setCurrentIndex(1);
    p.txtPassword->setText("b");
    p.cmdOK_Click();
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "Failed to verify password");
    EXPECT_EQ(MsgBoxScript::instance().calls().last().style, Desktop::BoxCritical);
    EXPECT_EQ(p.txtPassword->text(), "b");
    EXPECT_FALSE(main.blnAuthorized);
    // A match before the missing entry still signs in.
    p.ddnUser->setCurrentIndex(0);
    p.txtPassword->setText("a");
    p.cmdOK_Click();
    EXPECT_TRUE(main.blnAuthorized);

    // One account stored with an empty password.
    main.blnAuthorized = false;
    SaveSetting("Username", "solo");
    SaveSetting("Password", "");
    frmSignIn &solo = freshPrompt();
    solo.cmdOK_Click();
    EXPECT_TRUE(main.blnAuthorized);
    EXPECT_EQ(CurrentUser, "solo");
}

#ifdef TALLOWMERE_LISTGEN
// The measuring tool's home signs in with the password its help names.
TEST(frmSignIn, TheAccountListgenWritesSignsInWithItsPassword)
{
    QProcess listgen;
    listgen.start(QStringLiteral(TALLOWMERE_LISTGEN), {QStringLiteral("3")});
    ASSERT_TRUE(listgen.waitForFinished(60000));
    ASSERT_EQ(listgen.exitCode(), 0) << listgen.readAllStandardError().toStdString();
    QProcess help;
    help.start(QStringLiteral(TALLOWMERE_LISTGEN), {QStringLiteral("--help")});
    ASSERT_TRUE(help.waitForFinished(60000));
    const QString usage = QString::fromUtf8(help.readAllStandardOutput());
    EXPECT_TRUE(usage.contains("TALLOWMERE_HOME") && usage.contains("\"alice\"") && usage.contains("\"secret\""))
        << usage.toStdString();

    RecordingMain &main = recordingMain();
    Registry::Store::instance().reset();
    SaveSetting("Login", "QXR");
    frmSignIn &p = freshPrompt();
    EXPECT_EQ(p.ddnUser->currentText(), "alice");
    p.txtPassword->setText("secret");
    p.cmdOK_Click();
    EXPECT_TRUE(main.blnAuthorized);
    EXPECT_FALSE(frmSignIn::isLoaded());
}
#endif
