// The first-run wizard and the account editor check accounts with the
// simulator's eBay sign-in.
#include "foundation/frmedituser.h"
#include "foundation/frmsettings.h"
#include "foundation/frmstartwiz.h"
#include "foundation/mainformshell.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"
#include "platform/listview.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QLineEdit>

namespace {

const QString kSignOut = QStringLiteral("http /ws2/eBayISAPI.dll?SignIn&ssPageName=h:h:sout:US");

QString quickSignIn(const QString &encodedUser, const QString &encodedPassword)
{
    return QStringLiteral("https /ws/eBayISAPI.dll?co_partnerid=2&siteid=0&UsingSSL=1&MfcISAPICommand=SignInWelcome"
                          "&siteid=0&co_partnerId=2&UsingSSL=1&i1=-1&userid=")
        + encodedUser + QStringLiteral("&pass=") + encodedPassword;
}

// alice at the simulator; no account stored yet.
void freshStart()
{
    RefreshSim::Server().addAccount(QStringLiteral("alice"), QStringLiteral("Right Pass&1"));
    DeleteSetting("Username");
    DeleteSetting("Password");
    if (frmSettings::isLoaded())
        frmSettings::unloadInstance();
    MsgBoxScript::instance().clear();
}

} // namespace

TEST(AccountsWithSimulator, WizardRefusesAWrongPasswordAndStoresTheRightOne)
{
    freshStart();
    frmMainShell &main = MainForm();
    frmStartWiz &w = frmStartWiz::instance();

    qint64 from = RefreshSim::Mark();
    w.txtUsername->setText("ALICE");
    w.txtPassword->setText("right pass&1");
    w.cmdNext_Click();
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "Invalid eBay user ID or password");
    EXPECT_EQ(MsgBoxScript::instance().calls().last().style, Desktop::BoxExclamation);
    EXPECT_TRUE(frmStartWiz::isLoaded());
    EXPECT_TRUE(main.blnMustExit);
    EXPECT_EQ(frmSettings::instance().lvwUsers->Count(), 0);
    EXPECT_EQ(GetSetting("Username", "none"), "none");
    EXPECT_EQ(GetSetting("1st Run", "none"), "none") << "no account, no setup done";
    EXPECT_EQ(RefreshSim::TargetsSince(from), QStringList({kSignOut, quickSignIn("alice", "right%20pass%261")}));

    from = RefreshSim::Mark();
    w.txtPassword->setText("Right Pass&1");
    MsgBoxScript::instance().answer(Desktop::AnswerNo);
    w.cmdNext_Click();
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "Would you like to import your watched items from eBay?");
    EXPECT_FALSE(frmStartWiz::isLoaded());
    EXPECT_FALSE(main.blnMustExit);
    EXPECT_EQ(GetSetting("Username"), "alice");
    EXPECT_EQ(basGeneral::UnscramblePassword(GetSetting("Password")), "Right Pass&1");
    EXPECT_EQ(RefreshSim::TargetsSince(from), QStringList({kSignOut, quickSignIn("alice", "Right%20Pass%261")}));
}

TEST(AccountsWithSimulator, EditorChecksTheAccountUnlessTheCheckIsBypassed)
{
    freshStart();
    frmSettings &s = frmSettings::instance();
    const qint64 from = RefreshSim::Mark();

    auto add = [](const QString &user, const QString &password) {
        if (frmEditUser::isLoaded())
            frmEditUser::unloadInstance();
        frmEditUser::blnEdit = false;
        frmEditUser &e = frmEditUser::instance();
        e.txtUser->setText(user);
        e.txtPswd->setText(password);
        e.cmdOK_Click();
    };

    add("alice", "wrong");
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "Invalid eBay user ID or password");
    EXPECT_TRUE(frmEditUser::isLoaded());
    EXPECT_EQ(s.lvwUsers->Count(), 0);

    // "@" takes the account although eBay turns it down.
    add("@Bob", "anything");
    EXPECT_FALSE(frmEditUser::isLoaded());
    ASSERT_EQ(s.lvwUsers->Count(), 1);
    EXPECT_EQ(s.lvwUsers->Item(1)->Text(), "bob");

    const qsizetype messages = MsgBoxScript::instance().calls().size();
    add("Alice", "Right Pass&1");
    EXPECT_EQ(MsgBoxScript::instance().calls().size(), messages);
    ASSERT_EQ(s.lvwUsers->Count(), 2);
    EXPECT_EQ(s.lvwUsers->Item(2)->Text(), "alice");
    EXPECT_EQ(basGeneral::UnscramblePassword(s.lvwUsers->Item(2)->Tag()), "Right Pass&1");
    // Every check went over https.
    EXPECT_EQ(RefreshSim::PasswordsInTheClear(from), QStringList());
    EXPECT_GE(RefreshSim::PasswordsSentSecurely(RefreshSim::RequestsSince(from)), 2);
}
