// Coming back from the tray through the program's sign-in prompt.
#include "mainwindow/frmmain.h"

#include "foundation/frmsignin.h"
#include "foundation/frmsystray.h"
#include "foundation/globals.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"
#include "platform/ticktimer.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace {

// Acts on the prompt once it is on screen (the tray click lets events run
// before it opens the prompt).
void whenPromptShows(std::function<void(frmSignIn &)> act)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (!frmSignIn::isLoaded() || !frmSignIn::instance().isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(frmSignIn::instance());
    });
    poll->start();
}

} // namespace

TEST(frmMainTraySignIn, ACancelledPromptKeepsTheProgramInTheTrayWithItsExitQuestions)
{
    if (frmMainShell::isLoaded())
        frmMainShell::destroyInstance();
    frmMain &m = frmMain::instance();
    m.tmrLoadProcess->setEnabled(false);
    SaveSetting("Username", "amy");
    SaveSetting("Password", basGeneral::ScramblePassword("secret"));
    SaveSetting("Login", "");
    m.blnAuthorized = true;
    m.blnForceExit = false;
    m.TrayIcon = new frmSysTray;
    m.hide();

    whenPromptShows([](frmSignIn &p) { p.cmdCancel->click(); });
    m.TrayIcon_Click("LBUTTONUP");
    EXPECT_FALSE(m.blnAuthorized);
    EXPECT_FALSE(m.blnForceExit);
    EXPECT_NE(m.TrayIcon, nullptr);
    EXPECT_FALSE(m.isVisible());

    // A silent-exit mark set before the prompt is left as it was.
    m.blnForceExit = true;
    whenPromptShows([](frmSignIn &p) { p.cmdCancel->click(); });
    m.TrayIcon_Click("LBUTTONUP");
    EXPECT_TRUE(m.blnForceExit);
    m.blnForceExit = false;

    // The right password brings the window back for that account.
    whenPromptShows([](frmSignIn &p) {
        p.txtPassword->setText("secret");
        p.cmdOK->click();
    });
    m.TrayIcon_Click("LBUTTONUP");
    EXPECT_TRUE(m.blnAuthorized);
    EXPECT_TRUE(m.isVisible());
    EXPECT_EQ(m.TrayIcon, nullptr);
    EXPECT_EQ(CurrentUser, "amy");
    EXPECT_FALSE(m.blnForceExit);
}
