// The update window: its message, putting a release off (with the critical
// question) and starting the updater.
#include "sellertools/frmupdate.h"

#include "foundation/mainformshell.h"
#include "foundation/settingsstore.h"
#include "platform/vbtimer.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

// A main window with its tick off, as after a start-up that offered a
// release, and the update window showing one.
frmUpdate &offered(bool critical)
{
    if (frmMainShell::isLoaded())
        frmMainShell::destroyInstance();
    MainForm().tmrTimer->setEnabled(false);
    if (frmUpdate::isLoaded())
        frmUpdate::unloadInstance();
    QCoreApplication::processEvents();
    frmUpdate::UpdaterFolder.clear();
    frmUpdate &w = frmUpdate::instance();
    w.blnCritical = critical;
    w.show();
    MsgBoxScript::instance().clear();
    return w;
}

// An updater that leaves a mark in its folder when it runs.
void writeUpdater(const QTemporaryDir &dir)
{
    QFile script(dir.filePath("updater.exe"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\ntouch \"$(dirname \"$0\")/ran\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

TEST(frmUpdate, NamesTheProgramInItsMessage)
{
    frmUpdate &w = offered(false);
    EXPECT_EQ(w.lblMsg->text(), "A new version of Tallowmere is available");
    EXPECT_EQ(w.windowTitle(), "A New Version is Available");
}

TEST(frmUpdate, RemindMeTomorrowClosesAndTurnsTheTickBackOn)
{
    frmUpdate &w = offered(false);
    w.cmdRemind->click();
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());
    EXPECT_FALSE(frmUpdate::isLoaded());
    EXPECT_TRUE(MainForm().tmrTimer->Enabled());
}

TEST(frmUpdate, PuttingOffACriticalReleaseAsksFirst)
{
    frmUpdate &w = offered(true);
    MsgBoxScript::instance().answer(Vb::vbYes);
    w.close();
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    const Vb::MsgBoxCall ask = MsgBoxScript::instance().calls().first();
    EXPECT_EQ(ask.prompt, "This is a critical update, Tallowmere may no longer work properly without this update\r\n\r\n"
                          "Are you sure you want to continue without updating?");
    EXPECT_EQ(ask.style, Vb::vbYesNo | Vb::vbExclamation | Vb::vbDefaultButton2);
    EXPECT_FALSE(frmUpdate::isLoaded());
    EXPECT_TRUE(MainForm().tmrTimer->Enabled());
}

TEST(frmUpdate, NoToTheCriticalQuestionUpdatesAndWithoutTheUpdaterSaysSoAndStays)
{
    frmUpdate &w = offered(true);
    QTemporaryDir empty;
    frmUpdate::UpdaterFolder = empty.path();
    MsgBoxScript::instance().answer(Vb::vbNo);
    w.cmdRemind->click();
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 2);
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "The update cannot be installed: the updater "
                                                         + empty.filePath("updater.exe")
                                                         + " was not found in the program folder.");
    EXPECT_TRUE(frmUpdate::isLoaded());
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.blnExit);
    EXPECT_TRUE(frmMainShell::isLoaded());
    EXPECT_FALSE(MainForm().tmrTimer->Enabled());
    frmUpdate::UpdaterFolder.clear();
}

TEST(frmUpdate, UpdateNowStartsTheUpdaterAndEndsTheProgramCleanly)
{
    frmUpdate &w = offered(true);
    QTemporaryDir dir;
    writeUpdater(dir);
    frmUpdate::UpdaterFolder = dir.path();
    SaveSetting("Exit OK", "False");
    MainForm().blnPreventExit = true;
    frmMainShell *main = &MainForm();

    w.cmdUpdate->click();
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(),
              "Tallowmere will now exit and start the update process\r\n\r\nOnce the update is complete, Tallowmere will be restarted");
    EXPECT_TRUE(waitFor([&] { return QFile::exists(dir.filePath("ran")); }));
    EXPECT_EQ(GetSetting("Exit OK"), "1");
    EXPECT_TRUE(main->blnForceExit);
    EXPECT_FALSE(main->blnPreventExit);
    EXPECT_FALSE(frmMainShell::isLoaded());
    EXPECT_FALSE(frmUpdate::isLoaded());
    frmUpdate::UpdaterFolder.clear();
}
