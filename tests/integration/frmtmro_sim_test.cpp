// The sign-up window creates an account at the simulated online service and
// shows the service's refusals in its own words.
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/passwords.h"
#include "items/frmtmro.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

namespace {

const QString kUnknown = QStringLiteral("An unknown error occured while creating your account.");

// alice active (password "pw" here and at eBay), no online account yet; a
// fresh sign-up window.
frmTMRO &freshWindow()
{
    RefreshSim::FreshForm();
    MsgBoxScript::instance().clear();
    if (frmTMRO::isLoaded())
        frmTMRO::unloadInstance();
    return frmTMRO::instance();
}

void signUp(const QString &name, const QString &email)
{
    frmTMRO &w = frmTMRO::instance();
    w.txtName->setText(name);
    w.txtEmail->setText(email);
    w.cmdSignUp_Click();
}

bool fieldsEnabled(const frmTMRO &w)
{
    return w.txtName->isEnabled() && w.txtEmail->isEnabled() && w.cmdSignUp->isEnabled();
}

} // namespace

TEST(SignUpWindow, ChecksNameAndEmailBeforeSendingAnything)
{
    frmTMRO &w = freshWindow();
    EXPECT_EQ(w.lblUser->text(), "eBay username: alice");
    const qint64 from = RefreshSim::Mark();

    signUp("", "me@x.org");
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "You must enter your name");
    for (const char *bad : {"me@xorg", "me.x.org", ""}) {
        signUp("Ann", bad);
        EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "You must enter a valid email address") << bad;
        EXPECT_EQ(MsgBoxScript::instance().calls().last().style, Desktop::BoxExclamation);
    }
    EXPECT_TRUE(RefreshSim::TargetsSince(from).isEmpty());
    EXPECT_TRUE(frmTMRO::isLoaded());
}

TEST(SignUpWindow, CreatesTheAccountWithTheStoredPasswordAndCloses)
{
    freshWindow();
    const qint64 from = RefreshSim::Mark();
    // A name of blanks and an address with "." before "@" pass the checks.
    signUp("  ", "x.y@z");

    const QStringList sent = RefreshSim::TargetsSince(from);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_TRUE(QRegularExpression("^https /online/autoacct\\.asp\\?fullname=%20%20&username=alice&email=x\\.y%40z&pswd=\\d{14}$")
                    .match(sent[0])
                    .hasMatch())
        << qPrintable(sent[0]);
    const Sim::OnlineAccount *account = RefreshSim::Server().online().account("alice");
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(account->password, "pw") << "the service read the digit encoding back";
    EXPECT_EQ(account->fullName, "  ");
    EXPECT_EQ(account->email, "x.y@z");

    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    const Desktop::MsgBoxCall &shown = MsgBoxScript::instance().calls().last();
    EXPECT_EQ(shown.style, Desktop::BoxInformation);
    EXPECT_TRUE(shown.prompt.startsWith("An email has been sent to you to confirm your account.\r\n\r\nOnce confirmed,"));
    EXPECT_TRUE(shown.prompt.endsWith("\r\n\r\n" + RefreshSim::Server().url("/online/", true)));
    EXPECT_FALSE(frmTMRO::isLoaded());
}

TEST(SignUpWindow, ShowsTheServersRefusalAndTheUnexpectedReplyAndStaysOpen)
{
    frmTMRO &w = freshWindow();
    Sim::SimServer &sim = RefreshSim::Server();

    // eBay knows alice with another password than the one stored here.
    sim.addAccount("alice", "changed");
    signUp("Ann", "ann@x.org");
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(),
              "An error occured while creating your account:\r\n\r\nYour eBay username or password is incorrect.");
    EXPECT_EQ(MsgBoxScript::instance().calls().last().style, Desktop::BoxExclamation);
    EXPECT_EQ(sim.online().account("alice"), nullptr);
    EXPECT_TRUE(frmTMRO::isLoaded());
    EXPECT_EQ(w.txtName->text(), "Ann");
    EXPECT_EQ(w.txtEmail->text(), "ann@x.org");
    EXPECT_TRUE(fieldsEnabled(w));

    Sim::CannedReply canned;
    canned.rule.pattern = "autoacct.asp";
    for (const char *unexpected : {"OK\r\n", "OK.", "", "<html>Server busy</html>"}) {
        canned.body = unexpected;
        sim.online().addReply(canned);
        signUp("Ann", "ann@x.org");
        EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), kUnknown) << unexpected;
        EXPECT_TRUE(frmTMRO::isLoaded());
    }
    EXPECT_EQ(sim.online().account("alice"), nullptr);
}

TEST(SignUpWindow, AServerThatDoesNotAnswerGivesTheUnexpectedReplyMessageAfterTheTimeOut)
{
    frmTMRO &w = freshWindow();
    EngineForm().Inet->RequestTimeout = 1;
    RefreshSim::AddFault("autoacct.asp", Sim::FaultMode::Hang);

    bool disabledWhileWaiting = false;
    QTimer::singleShot(300, [&] { disabledWhileWaiting = !w.txtName->isEnabled() && !w.txtEmail->isEnabled() && !w.cmdSignUp->isEnabled(); });
    // Closing is refused while the request runs.
    QTimer::singleShot(400, [&] { w.cmdClose_Click(); });
    signUp("Ann", "ann@x.org");

    EXPECT_TRUE(disabledWhileWaiting);
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), kUnknown);
    EXPECT_TRUE(frmTMRO::isLoaded());
    EXPECT_TRUE(fieldsEnabled(w));
    w.cmdClose_Click();
    EXPECT_FALSE(frmTMRO::isLoaded());
}
