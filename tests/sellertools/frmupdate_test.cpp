// The update window starting the updater, or saying plainly that it cannot.
#include "sellertools/frmupdate.h"

#include "foundation/mainformshell.h"
#include "foundation/settingsstore.h"
#include "platform/ticktimer.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

// A main window with its tick off, as after a start-up that offered a
// release, and the update window showing one.
frmUpdate &criticalOffered()
{
    if (frmMainShell::isLoaded())
        frmMainShell::destroyInstance();
    MainForm().tmrTimer->setEnabled(false);
    if (frmUpdate::isLoaded())
        frmUpdate::unloadInstance();
    QCoreApplication::processEvents();
    frmUpdate::UpdaterFolder.clear();
    frmUpdate &w = frmUpdate::instance();
    w.blnCritical = true;
    w.show();
    MsgBoxScript::instance().clear();
    return w;
}

// An updater that writes its arguments into its folder when it runs.
void writeUpdater(const QTemporaryDir &dir)
{
    QFile script(dir.filePath("tallowmere-updater"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho \"$*\" > \"$(dirname \"$0\")/ran.tmp\"\nmv \"$(dirname \"$0\")/ran.tmp\" \"$(dirname \"$0\")/ran\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

TEST(frmUpdate, NoToTheCriticalQuestionStartsTheUpdaterOrSaysItIsMissing)
{
    frmUpdate &w = criticalOffered();
    QTemporaryDir dir;
    frmUpdate::UpdaterFolder = dir.path();
    SaveSetting("Exit OK", "False");
    frmMainShell *main = &MainForm();
    main->blnPreventExit = true;

    // Without the updater nothing ends: the window stays, the tick stays off.
    MsgBoxScript::instance().answer(Desktop::AnswerNo);
    w.cmdRemind->click();
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "The update cannot be installed: the updater "
                                                         + dir.filePath("tallowmere-updater") + " was not found in the program folder.");
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(frmMainShell::isLoaded());
    EXPECT_FALSE(main->tmrTimer->Enabled());

    writeUpdater(dir);
    MsgBoxScript::instance().clear();
    MsgBoxScript::instance().answer(Desktop::AnswerNo);
    w.close();
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 2);
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(),
              "Tallowmere will now exit and start the update process\r\n\r\nOnce the update is complete, Tallowmere will be restarted");
    // Read before events run: the unloaded main window is deleted then.
    EXPECT_EQ(GetSetting("Exit OK"), "1");
    EXPECT_TRUE(main->blnForceExit);
    EXPECT_FALSE(main->blnPreventExit);
    EXPECT_FALSE(frmMainShell::isLoaded());
    EXPECT_FALSE(frmUpdate::isLoaded());
    // It is told to wait for this process, the revision it must go beyond,
    // and to start this program again.
    ASSERT_TRUE(waitFor([&] { return QFile::exists(dir.filePath("ran")); }));
    QFile ran(dir.filePath("ran"));
    ASSERT_TRUE(ran.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(ran.readAll()).trimmed(), QString("--pid %1 --revision %2 --program %3")
                                                              .arg(QCoreApplication::applicationPid())
                                                              .arg(TALLOWMERE_VERSION_PATCH)
                                                              .arg(QCoreApplication::applicationFilePath()));
    frmUpdate::UpdaterFolder.clear();
}
