// Where the prompt for a copied item opens.
#include "engine/clipboardscan.h"
#include "foundation/frmsettings.h"
#include "items/frmcopyask.h"
#include "items/itemimports.h"
#include "platform/desktop.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QRadioButton>
#include <QScreen>

using namespace RefreshSim;

namespace {

// The window frame is only known once shown: a few pixels either way.
constexpr int kFrameSlack = 6;

frmCopyAsk &promptFor(Form &f, const QString &number)
{
    Desktop::SetClipboardText(QStringLiteral("http://cgi.ebay.com/ws/eBayISAPI.dll?ViewItem&item=") + number);
    ClipboardScan::tmrClipboardScan_Timer(f);
    EXPECT_TRUE(frmCopyAsk::isLoaded());
    return frmCopyAsk::instance();
}

} // namespace

TEST(CopyPromptPlace, OpensOverTheMainWindowOrTheScreensMiddleWhileTheWindowIsHidden)
{
    Form &f = FreshForm();
    MsgBoxScript::instance().clear();
    if (frmCopyAsk::isLoaded())
        frmCopyAsk::unloadInstance();
    RegisterItemImportWindows();
    frmSettings::instance().optCopyAsk->setChecked(true);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    f.setGeometry(screen.x() + screen.width() / 4, screen.y() + screen.height() / 3, screen.width() * 2 / 3,
                  screen.height() / 2);
    f.show();

    frmCopyAsk &w = promptFor(f, AddItem(3600, 2.0));
    ASSERT_TRUE(w.isVisible());
    EXPECT_LE((w.frameGeometry().center() - f.frameGeometry().center()).manhattanLength(), kFrameSlack)
        << "opened at " << w.frameGeometry().x() << "," << w.frameGeometry().y();
    frmCopyAsk::unloadInstance();

    // In the tray: the middle of the screen.
    f.hide();
    frmCopyAsk &again = promptFor(f, AddItem(3600, 3.0));
    ASSERT_TRUE(again.isVisible());
    EXPECT_LE((again.frameGeometry().center() - screen.center()).manhattanLength(), kFrameSlack);
    frmCopyAsk::unloadInstance();
}
