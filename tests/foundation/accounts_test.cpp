// The account windows: the sign-in requests they send, the account editor
// and the first-run wizard.
#include "foundation/accountlist.h"
#include "foundation/ebaysignin.h"
#include "foundation/frmedituser.h"
#include "foundation/frmsettings.h"
#include "foundation/frmstartwiz.h"
#include "foundation/globals.h"
#include "foundation/mainformshell.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "tests/foundation/loopbacksignin.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/programended.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

frmSettings &freshSettings()
{
    if (frmSettings::isLoaded())
        frmSettings::unloadInstance();
    return frmSettings::instance();
}

frmEditUser &openEditor(bool edit)
{
    if (frmEditUser::isLoaded())
        frmEditUser::unloadInstance();
    frmEditUser::blnEdit = edit;
    return frmEditUser::instance();
}

frmStartWiz &freshWizard()
{
    if (frmStartWiz::isLoaded())
        frmStartWiz::unloadInstance();
    return frmStartWiz::instance();
}

void addAccount(frmSettings &s, const QString &user, const QString &password)
{
    s.lvwUsers->Add(user)->setTag(basGeneral::ScramblePassword(password));
}

QStringList rowTexts(const ListView *list)
{
    QStringList texts;
    for (int i = 1; i <= list->Count(); ++i)
        texts << list->Item(i)->Text();
    return texts;
}

} // namespace

TEST(eBaySignIn, RequestFormsCarryEncodedCredentialsAndTheRejectionRuleIsExact)
{
    HostRoles::reload();
    EXPECT_EQ(eBaySignIn::QuickSignInURL("my user*1", "p&ss=é"),
              "https://signin.ebay.com/ws/eBayISAPI.dll?co_partnerid=2&siteid=0&UsingSSL=1&MfcISAPICommand=SignInWelcome"
              "&siteid=0&co_partnerId=2&UsingSSL=1&i1=-1&userid=my%20user*1&pass=p%26ss%3D%E9");
    EXPECT_TRUE(eBaySignIn::QuickSignInURL("", "").endsWith("&userid=&pass="));
    EXPECT_EQ(eBaySignIn::SignOutURL(), "http://signin.ebay.com/ws2/eBayISAPI.dll?SignIn&ssPageName=h:h:sout:US");
    EXPECT_EQ(eBaySignIn::SignInURL("a b", "c"),
              "https://signin.ebay.com/ws/eBayISAPI.dll?MfcISAPICommand=SignInWelcome&bhid=DEF_CI&UsingSSL=1&inputversion=2"
              "&lse=false&kgver=1&kgupg=1&rhr=f&siteid=0&co_partnerId=2&ru=http://cgi5.ebay.com/ws/eBayISAPI.dll?SellHub3"
              "&i1=-1&pageType=-1&userid=a%20b&pass=c");

    EXPECT_TRUE(eBaySignIn::SignInRejected("Your user ID or password is incorrect."));
    EXPECT_TRUE(eBaySignIn::SignInRejected("that is an invalid entry"));
    EXPECT_FALSE(eBaySignIn::SignInRejected("Invalid entry"));
    EXPECT_FALSE(eBaySignIn::SignInRejected("an invalid\tentry"));
    EXPECT_FALSE(eBaySignIn::SignInRejected("Password is Incorrect"));
    EXPECT_FALSE(eBaySignIn::SignInRejected(""));
}

TEST(frmEditUser, AddingRefusesAKnownUserIdInAnyCaseWithOrWithoutTheAtSign)
{
    LoopbackSignIn signIn;
    frmSettings &s = freshSettings();
    addAccount(s, "alice", "one");
    MsgBoxScript::instance().clear();

    frmEditUser &e = openEditor(false);
    e.txtUser->setText("ALICE");
    e.txtPswd->setText("two");
    e.cmdOK_Click();
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "User already exists");
    EXPECT_TRUE(frmEditUser::isLoaded());
    EXPECT_EQ(e.txtUser->text(), "alice");
    EXPECT_EQ(signIn.signOuts, 0);
    EXPECT_EQ(s.lvwUsers->Count(), 1);

    // "@" is taken off after lower-casing and the ID is still checked.
    e.txtUser->setText("@Alice");
    e.cmdOK_Click();
    EXPECT_EQ(MsgBoxScript::instance().calls().size(), 2);
    EXPECT_EQ(s.lvwUsers->Count(), 1);
}

TEST(frmEditUser, EditingKeepsUserIdsUniqueButStoredDuplicatesStayEditable)
{
    LoopbackSignIn signIn;
    frmSettings &s = freshSettings();
    addAccount(s, "alice", "Secret 1");
    addAccount(s, "bob", "b");
    addAccount(s, "bob", "b2"); // stored twice by an older version
    MsgBoxScript::instance().clear();

    // The editor opens on the selected row, the password in clear text.
    s.lvwUsers->setSelectedItem(s.lvwUsers->Item(1));
    frmEditUser &e = openEditor(true);
    EXPECT_EQ(e.txtUser->text(), "alice");
    EXPECT_EQ(e.txtPswd->text(), "Secret 1");
    EXPECT_EQ(e.txtPswd->echoMode(), QLineEdit::Password);

    // Another row's ID is refused, whatever its case.
    e.txtUser->setText("Bob");
    e.cmdOK_Click();
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "User already exists");
    EXPECT_TRUE(frmEditUser::isLoaded());
    EXPECT_EQ(rowTexts(s.lvwUsers), QStringList({"alice", "bob", "bob"}));

    // Its own ID in another case, password unchanged: stored scrambled again.
    e.txtUser->setText("ALICE");
    e.cmdOK_Click();
    EXPECT_FALSE(frmEditUser::isLoaded());
    EXPECT_EQ(e.User, s.lvwUsers->Item(1));
    EXPECT_EQ(rowTexts(s.lvwUsers), QStringList({"alice", "bob", "bob"}));
    EXPECT_EQ(s.lvwUsers->Item(1)->Tag(), basGeneral::ScramblePassword("Secret 1"));

    // One of two stored duplicates gets a new password without a complaint.
    s.lvwUsers->setSelectedItem(s.lvwUsers->Item(3));
    frmEditUser &d = openEditor(true);
    d.txtPswd->setText("fresh");
    const qsizetype before = MsgBoxScript::instance().calls().size();
    d.cmdOK_Click();
    EXPECT_EQ(MsgBoxScript::instance().calls().size(), before);
    EXPECT_EQ(basGeneral::UnscramblePassword(s.lvwUsers->Item(3)->Tag()), "fresh");
    EXPECT_EQ(basGeneral::UnscramblePassword(s.lvwUsers->Item(2)->Tag()), "b");
}

TEST(frmEditUser, OkAndCloseDoNothingWhileTheCheckRuns)
{
    bool okDuringCheck = true;
    LoopbackSignIn signIn([&] {
        frmEditUser &e = frmEditUser::instance();
        okDuringCheck = e.cmdOK->isEnabled();
        // A second OK, or closing the window, while the check runs does nothing.
        e.cmdOK_Click();
        e.close();
    });
    freshSettings();
    frmEditUser &e = openEditor(false);
    e.txtUser->setText("carol");
    e.cmdOK_Click();
    EXPECT_EQ(signIn.signOuts, 1);
    EXPECT_FALSE(okDuringCheck);
    EXPECT_EQ(frmSettings::instance().lvwUsers->Count(), 1);
}

TEST(frmEditUser, TheSettingsWindowOpensItModally)
{
    LoopbackSignIn signIn;
    frmSettings &s = freshSettings();
    // Edit without a chosen account: nothing opens.
    s.cmdEditUser_Click();
    EXPECT_FALSE(frmEditUser::isLoaded());

    QTimer::singleShot(0, [] {
        frmEditUser &e = frmEditUser::instance();
        EXPECT_TRUE(e.isModal());
        e.txtUser->setText("dave");
        e.txtPswd->setText("pw");
        e.cmdOK->click();
    });
    s.cmdAddUser_Click();
    ASSERT_EQ(rowTexts(s.lvwUsers), QStringList({"dave"}));

    s.lvwUsers->setSelectedItem(s.lvwUsers->Item(1));
    QTimer::singleShot(0, [] {
        frmEditUser &e = frmEditUser::instance();
        EXPECT_EQ(e.txtPswd->text(), "pw");
        e.txtPswd->setText("changed");
        e.cmdCancel->click();
    });
    s.cmdEditUser_Click();
    EXPECT_EQ(basGeneral::UnscramblePassword(s.lvwUsers->Item(1)->Tag()), "pw");
}

TEST(frmStartWiz, StoresTheAccountMakesItActiveAndOffersTheImport)
{
    LoopbackSignIn signIn;
    for (const char *key : {"Username", "Password", "Login"})
        DeleteSetting(key);
    freshSettings();
    CurrentUser.clear();
    frmMainShell &main = MainForm();
    main.blnAutoImport = false;
    frmStartWiz &w = freshWizard();
    EXPECT_TRUE(main.blnMustExit);

    w.txtUsername->setText("Eve.Smith");
    w.txtPassword->setText("MiXed Case");
    MsgBoxScript::instance().clear();
    MsgBoxScript::instance().answer(Desktop::AnswerYes);
    w.cmdNext_Click();

    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    EXPECT_EQ(MsgBoxScript::instance().calls().last().style, Desktop::BoxYesNo | Desktop::BoxQuestion);
    EXPECT_FALSE(main.blnMustExit);
    EXPECT_TRUE(main.blnAutoImport);
    EXPECT_EQ(CurrentUser, "eve.smith");
    EXPECT_EQ(GetSetting("Username"), "eve.smith");
    EXPECT_EQ(basGeneral::UnscramblePassword(GetSetting("Password")), "MiXed Case");
    EXPECT_EQ(GetSetting("Login", "unset"), "");
    // With an account stored the setup is done, whatever happens next.
    EXPECT_EQ(GetSetting("1st Run"), "False");

    // Declining the import still finishes the wizard.
    main.blnAutoImport = false;
    frmStartWiz &second = freshWizard();
    second.txtUsername->setText("frank");
    MsgBoxScript::instance().answer(Desktop::AnswerNo);
    second.cmdNext_Click();
    EXPECT_FALSE(main.blnAutoImport);
    EXPECT_EQ(GetSetting("Username"), "eve.smith;frank");

    // The wizard run again for a stored account keeps one row and takes the
    // new password.
    frmStartWiz &again = freshWizard();
    again.txtUsername->setText("EVE.smith");
    again.txtPassword->setText("new one");
    MsgBoxScript::instance().answer(Desktop::AnswerNo);
    again.cmdNext_Click();
    EXPECT_EQ(GetSetting("Username"), "eve.smith;frank");
    EXPECT_EQ(basGeneral::UnscramblePassword(AccountList::Split(GetSetting("Password")).first()), "new one");
}

TEST(frmStartWiz, PasswordQuestionCancelCloseAndHeartbeat)
{
    LoopbackSignIn signIn;
    frmMainShell &main = MainForm();
    frmStartWiz &w = freshWizard();
    w.show();
    MsgBoxScript::instance().clear();

    // Unticking asks; No ticks the box again, Yes keeps it and "Login" is off.
    MsgBoxScript::instance().answer(Desktop::AnswerNo);
    w.chkAlwaysPswd->click();
    EXPECT_TRUE(w.chkAlwaysPswd->isChecked());
    EXPECT_EQ(MsgBoxScript::instance().calls().last().style, Desktop::BoxYesNo | Desktop::BoxExclamation | Desktop::BoxDefaultButton2);
    MsgBoxScript::instance().answer(Desktop::AnswerYes);
    w.chkAlwaysPswd->click();
    EXPECT_FALSE(w.chkAlwaysPswd->isChecked());
    w.chkAlwaysPswd->click(); // ticking asks nothing
    EXPECT_EQ(MsgBoxScript::instance().calls().size(), 2);
    w.chkAlwaysPswd->setChecked(false);

    // The heartbeat goes on while the wizard waits.
    SaveSetting("Last alive", "stale");
    EXPECT_TRUE(w.tmrTimerAlive->Enabled());
    emit w.tmrTimerAlive->Timer();
    EXPECT_NE(GetSetting("Last alive"), "stale");

    w.txtUsername->setText("gina");
    MsgBoxScript::instance().answer(Desktop::AnswerNo);
    w.cmdNext_Click();
    EXPECT_EQ(GetSetting("Login"), "QXR");

    // The close box leaves the start-up marked to end; Cancel ends at once.
    frmStartWiz &closed = freshWizard();
    closed.show();
    closed.close();
    EXPECT_FALSE(frmStartWiz::isLoaded());
    EXPECT_TRUE(main.blnMustExit);
    EXPECT_THROW(freshWizard().cmdCancel_Click(), ProgramEnded);
}
