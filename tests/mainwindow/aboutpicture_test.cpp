// The About window shows the program's icon, which is the main window's.
#include "mainwindow/frmmain.h"

#include "platform/ticktimer.h"
#include "sellertools/frmabout.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPixmap>

TEST(AboutPicture, ShowsTheMainWindowsIconRatherThanAnEmptyGap)
{
    if (frmMainShell::isLoaded())
        frmMainShell::destroyInstance();
    frmMain &m = frmMain::instance();
    m.tmrLoadProcess->setEnabled(false); // the loader is not under test here
    if (frmAbout::isLoaded())
        frmAbout::unloadInstance();

    frmAbout &about = frmAbout::instance();
    about.show();
    const QPixmap shown = about.Image1->pixmap();
    ASSERT_FALSE(shown.isNull()) << "nothing to show above the version";
    EXPECT_TRUE(about.Image1->isVisible());
    EXPECT_EQ(shown.toImage(), m.windowIcon().pixmap(64, 64).toImage());
    frmAbout::unloadInstance();
}
