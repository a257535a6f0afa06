// The prompt for a copied item against the simulator: the copied text on the
// system clipboard opens it, it fetches the title on a transfer control of
// its own, counts down and closes, and its buttons bid, watch or view.
#include "engine/clipboardscan.h"
#include "foundation/frmsettings.h"
#include "items/frmaddauction.h"
#include "items/frmcopyask.h"
#include "items/itemimports.h"
#include "platform/desktop.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"
#include "tests/integration/pointedroles.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScopeGuard>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace RefreshSim;

namespace {

// A fresh window, the prompt as the program installs it, "Copy Option" Ask.
Form &freshForm()
{
    Form &f = FreshForm();
    MsgBoxScript::instance().clear();
    if (frmCopyAsk::isLoaded())
        frmCopyAsk::unloadInstance();
    RegisterItemImportWindows();
    frmSettings::instance().optCopyAsk->setChecked(true);
    return f;
}

// The item's address as a user copies it from a page.
QString copiedLink(const QString &number)
{
    return QStringLiteral("HTTP://CGI.EBAY.COM/WS/EBAYISAPI.DLL?VIEWITEM&ITEM=") + number + QStringLiteral("&RD=1");
}

void copy(Form &f, const QString &text)
{
    Desktop::SetClipboardText(text);
    ClipboardScan::tmrClipboardScan_Timer(f);
}

} // namespace

TEST(CopyPrompt, CopiedLinkOpensThePromptWithTheTitleAndItCountsDownToItsClose)
{
    Form &f = freshForm();
    const QString number = AddItem(3600, 2.0, [](Sim::SimItem &i) { i.title = QStringLiteral("Brass Lamp"); });
    copy(f, copiedLink(number));
    ASSERT_TRUE(frmCopyAsk::isLoaded());
    frmCopyAsk &w = frmCopyAsk::instance();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.lblNumber->text(), "Item #" + number);
    EXPECT_EQ(w.lblTitle->text(), "Brass Lamp");
    EXPECT_EQ(w.lblHeader->text(), "You have copied the following eBay item number or address:");
    EXPECT_EQ(w.windowTitle(), "Tallowmere - Item Copied - Closing in 10 seconds...");
    EXPECT_EQ(w.cmdDontClose->text(), "&Don't Close [0:10]");
    EXPECT_TRUE(w.cmdBid->isEnabled());
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);

    // Copying the same text again does nothing.
    const qint64 mark = Mark();
    copy(f, copiedLink(number));
    EXPECT_TRUE(TargetsSince(mark).isEmpty());

    for (int i = 0; i < 8; ++i)
        w.tmrTimer_Timer();
    EXPECT_EQ(w.cmdDontClose->text(), "&Don't Close [0:02]");
    w.tmrTimer_Timer();
    EXPECT_EQ(w.windowTitle(), "Tallowmere - Item Copied - Closing in 1 second...");
    EXPECT_EQ(w.cmdDontClose->text(), "&Don't Close [0:01]");
    w.tmrTimer_Timer();
    EXPECT_EQ(w.windowTitle(), "Tallowmere - Item Copied - Closing in 0 seconds...");
    EXPECT_FALSE(frmCopyAsk::isLoaded());
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());
}

TEST(CopyPrompt, DontCloseHoldsItOpenAndEscClosesIt)
{
    Form &f = freshForm();
    copy(f, AddItem(3600));
    frmCopyAsk &w = frmCopyAsk::instance();
    w.tmrTimer_Timer();
    w.cmdDontClose->click();
    EXPECT_EQ(w.windowTitle(), "Tallowmere - Item Copied");
    EXPECT_FALSE(w.cmdDontClose->isVisible());
    EXPECT_FALSE(w.tmrTimer->Enabled());

    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(frmCopyAsk::isLoaded());
}

TEST(CopyPrompt, AnEndedItemCannotBeBidOnAndAnUnknownItemClosesSilently)
{
    Form &f = freshForm();
    copy(f, AddItem(-60));
    ASSERT_TRUE(frmCopyAsk::isLoaded());
    EXPECT_FALSE(frmCopyAsk::instance().cmdBid->isEnabled());
    EXPECT_TRUE(frmCopyAsk::instance().cmdWatch->isEnabled());
    frmCopyAsk::instance().cmdCancel->click();
    EXPECT_FALSE(frmCopyAsk::isLoaded());

    copy(f, QStringLiteral("1999999999"));
    EXPECT_FALSE(frmCopyAsk::isLoaded());
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());
}

TEST(CopyPrompt, FetchesOnItsOwnControlSoTheMainWindowsStaysFree)
{
    Form &f = freshForm();
    const QString number = AddItem(3600);
    // The title page answers two seconds late.
    AddFault(QStringLiteral("ViewItem&item=") + number, Sim::FaultMode::Hang, 1, 2000);
    bool mainBusy = true, promptBusy = false;
    QObject::connect(&Server(), &Sim::SimServer::requestLogged, &f, [&](qint64) {
        if (!frmCopyAsk::isLoaded())
            return;
        mainBusy = f.Inet->StillExecuting();
        promptBusy = frmCopyAsk::instance().Inet->StillExecuting();
    });
    copy(f, number);
    EXPECT_FALSE(mainBusy);
    EXPECT_TRUE(promptBusy);
    EXPECT_TRUE(frmCopyAsk::isLoaded());
}

TEST(CopyPrompt, WatchAddsTheItemAndViewShowsItsPage)
{
    Form &f = freshForm();
    const QString watched = AddItem(3600);
    copy(f, watched);
    frmCopyAsk::instance().cmdWatch->click();
    EXPECT_FALSE(frmCopyAsk::isLoaded());
    ASSERT_TRUE(f.lvwAuctions->FindItem(watched));
    EXPECT_EQ(Field(f.lvwAuctions->FindItem(watched), "maxbid"), "(watching)");

    // View opens the item on eBay's "www" host, a name of its own here.
    const QString port = QString::number(Server().httpPort());
    PointedRoles roles({"www.http=www.ebay.localhost:" + port});
    f.WebBrowser = new WebBrowser(&f);
    const QString viewed = AddItem(3600, 2.0, [](Sim::SimItem &i) { i.title = QStringLiteral("Copper Kettle"); });
    copy(f, viewed);
    frmCopyAsk::instance().cmdView->click();
    EXPECT_FALSE(frmCopyAsk::isLoaded());
    const QString page = "http://www.ebay.localhost:" + port + "/itm/ws/eBayISAPI.dll?ViewItem&item=" + viewed;
    EXPECT_TRUE(waitFor([&] { return f.WebBrowser->LocationURL() == page && !f.WebBrowser->Busy(); }))
        << qPrintable(f.WebBrowser->LocationURL());
    EXPECT_TRUE(f.WebBrowser->DocumentHTML().contains("Copper Kettle"));
}

TEST(CopyScanner, WatchOptionAddsTheCopiedItemWithoutAPrompt)
{
    Form &f = freshForm();
    frmSettings::instance().optCopyWatch->setChecked(true);
    const QString number = AddItem(3600);
    copy(f, number);
    EXPECT_FALSE(frmCopyAsk::isLoaded());
    ASSERT_TRUE(f.lvwAuctions->FindItem(number));
    EXPECT_TRUE(DataFileText(QStringLiteral("data6.dat")).contains(number));
    frmSettings::instance().optCopyAsk->setChecked(true);
}

TEST(CopyScanner, BidOptionAndThePromptsBidKeepTheOpenWizardAndWhatTheUserTyped)
{
    Form &f = freshForm();
    const QString open = AddItem(3600, 2.0, [](Sim::SimItem &i) { i.title = QStringLiteral("Pewter Jug"); });
    const QString copied = AddItem(3600);
    // A wizard on the copied item would wait for the user: it is closed at once.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (frmAddAuction::isLoaded() && frmAddAuction::instance().strItemNumber == copied)
            frmAddAuction::instance().cmdCancel_Click();
    });
    closer.start(50);

    QPointer<frmAddAuction> shown;
    // The wizard blocks the other windows for the user, not its caller.
    frmAddAuction::ShowModal(open);
    {
        // Whatever happens here, the wizard ends with this block.
        const auto cancel = qScopeGuard([] {
            if (frmAddAuction::isLoaded())
                frmAddAuction::instance().cmdCancel_Click();
        });
        shown = &frmAddAuction::instance();
        ASSERT_TRUE(RunUntil([&] { return !shown || shown->fraBid->isVisibleTo(shown); }, 15))
            << qPrintable(MsgBoxScript::instance().lastPrompt());
        ASSERT_TRUE(shown);
        shown->txtMaxBid->setText(QStringLiteral("7.25"));

        frmSettings::instance().optCopyBid->setChecked(true);
        copy(f, copied);
        frmSettings::instance().optCopyAsk->setChecked(true);
        copy(f, copiedLink(copied));
        if (frmCopyAsk::isLoaded())
            frmCopyAsk::instance().cmdBid->click();
        EXPECT_FALSE(frmCopyAsk::isLoaded());

        // The same window, still on its item, with the amount as typed.
        ASSERT_TRUE(frmAddAuction::isLoaded());
        ASSERT_EQ(&frmAddAuction::instance(), shown.data());
        EXPECT_TRUE(shown->isVisible());
        EXPECT_EQ(shown->strItemNumber, open);
        EXPECT_EQ(shown->txtMaxBid->text(), "7.25");
    }
    EXPECT_FALSE(frmAddAuction::isLoaded());
    EXPECT_FALSE(f.lvwAuctions->FindItem(copied));
}

TEST(CopyPrompt, OpensOverTheMainWindowOrTheScreensMiddleWhileTheWindowIsHidden)
{
    // The window frame is only known once shown: a few pixels either way.
    constexpr int kFrameSlack = 6;
    Form &f = freshForm();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    f.setGeometry(screen.x() + screen.width() / 4, screen.y() + screen.height() / 3, screen.width() * 2 / 3,
                  screen.height() / 2);
    f.show();

    copy(f, copiedLink(AddItem(3600, 2.0)));
    ASSERT_TRUE(frmCopyAsk::isLoaded());
    frmCopyAsk &w = frmCopyAsk::instance();
    ASSERT_TRUE(w.isVisible());
    EXPECT_LE((w.frameGeometry().center() - f.frameGeometry().center()).manhattanLength(), kFrameSlack)
        << "opened at " << w.frameGeometry().x() << "," << w.frameGeometry().y();
    frmCopyAsk::unloadInstance();

    // In the tray: the middle of the screen.
    f.hide();
    copy(f, copiedLink(AddItem(3600, 3.0)));
    ASSERT_TRUE(frmCopyAsk::isLoaded());
    frmCopyAsk &again = frmCopyAsk::instance();
    ASSERT_TRUE(again.isVisible());
    EXPECT_LE((again.frameGeometry().center() - screen.center()).manhattanLength(), kFrameSlack);
    frmCopyAsk::unloadInstance();
}
