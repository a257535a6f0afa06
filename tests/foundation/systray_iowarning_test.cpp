#include "foundation/frmiowarning.h"
#include "foundation/frmsystray.h"

#include "foundation/basregistry.h"
#include "foundation/mainformshell.h"
#include "foundation/settingsstore.h"
#include "tests/support/programended.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QSignalSpy>

TEST(frmSysTray, MouseMessagesAndTooltip)
{
    EXPECT_EQ(frmSysTray::MouseMessageCode(512), "MOUSEMOVE");
    EXPECT_EQ(frmSysTray::MouseMessageCode(521), "MBUTTONDBLCLK");
    EXPECT_EQ(frmSysTray::MouseMessageCode(522), "OTHER....: 522");

    frmSysTray tray;
    tray.Form_Load();
    EXPECT_EQ(tray.Tooltip(), "Tallowmere");
    tray.setTooltip(QString(70, 'x'));
    EXPECT_EQ(tray.Tooltip().size(), 63);
    QSignalSpy clicks(&tray, &frmSysTray::Click);
    tray.Notify(514);
    ASSERT_EQ(clicks.size(), 1);
    EXPECT_EQ(clicks.first().first().toString(), "LBUTTONUP");
}

TEST(frmSysTray, OwnerGoingAwayRemovesTheTrayWindow)
{
    auto *owner = new QWidget;
    QPointer<frmSysTray> tray = new frmSysTray;
    tray->Form_Load();
    tray->setFSys(owner);
    delete owner;
    EXPECT_FALSE(tray->IconShown());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(tray.isNull());
}

TEST(frmIOWarning, DecliningLeavesTheProgramAskingAtExit)
{
    frmIOWarning &w = frmIOWarning::instance();
    EXPECT_TRUE(MainForm().blnMustExit);
    EXPECT_TRUE(w.lblText3->text().startsWith("If you choose to have the setting corrected, Tallowmere will need"));
    w.cmdExit_Click();
    EXPECT_FALSE(MainForm().blnMustExit);
    EXPECT_FALSE(frmIOWarning::isLoaded());
    EXPECT_EQ(basRegistry::GetValue(basRegistry::HKEY_CURRENT_USER,
                                    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", "EnableHttp1_1")
                  .toString(), "");
}

TEST(frmIOWarning, CorrectingWritesBothValuesAndEndsCleanly)
{
    SaveSetting("Exit OK", "False");
    frmIOWarning &w = frmIOWarning::instance();
    EXPECT_THROW(w.cmdCorrect_Click(), ProgramEnded);
    const QString key = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    EXPECT_EQ(basRegistry::GetValue(basRegistry::HKEY_CURRENT_USER, key, "EnableHttp1_1"), QVariant::fromValue<qint32>(0));
    EXPECT_EQ(basRegistry::GetValue(basRegistry::HKEY_CURRENT_USER, key, "ProxyHttp1.1"), QVariant::fromValue<qint32>(0));
    EXPECT_EQ(GetSetting("Exit OK"), "1");
}
