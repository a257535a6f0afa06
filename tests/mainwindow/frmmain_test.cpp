#include "mainwindow/frmmain.h"

#include "foundation/globals.h"
#include "foundation/settingsstore.h"
#include "platform/listview.h"
#include "platform/statusbar.h"
#include "platform/toolbar.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"
#include "sellertools/frmabout.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QProgressBar>
#include <QTest>

namespace {

frmMain &freshMain()
{
    if (frmMainShell::isLoaded())
        frmMainShell::destroyInstance();
    frmMain &m = frmMain::instance();
    m.tmrLoadProcess->setEnabled(false); // the loader is not under test here
    return m;
}

} // namespace

TEST(frmMainLoad, PreparesTheWindowForTheLoaderAndRefusesACloseMeanwhile)
{
    frmMain &m = freshMain();
    EXPECT_EQ(m.lvwAuctions->ColumnCount(), 18);
    EXPECT_EQ(m.PanelText("IEStatus"), "Ready");
    EXPECT_EQ(m.PanelText("Status"), "Loading...");
    EXPECT_EQ(m.PanelText("Feedback"), "Retrieving rating...");
    EXPECT_EQ(m.Toolbar->StyleOf("Filter"), Toolbar::Check);
    EXPECT_FALSE(m.Toolbar->Enabled("Watch Auction"));

    EXPECT_TRUE(m.blnPreventExit);
    EXPECT_TRUE(m.blnForceRefresh);
    EXPECT_FALSE(m.tmrTimer->Enabled());
    EXPECT_EQ(m.LastDate, QDate::currentDate().addDays(-1));
    EXPECT_EQ(GetSetting("Last Load Step"), "Sizing objects");
    EXPECT_EQ(m.ViewMode, 2);
    EXPECT_NEAR(m.NextRefreshTime.toSecsSinceEpoch(), QDateTime::currentDateTime().addSecs(900).toSecsSinceEpoch(), 5);
    // Loading does not store the view mode back, and a close meanwhile is refused.
    EXPECT_EQ(GetSetting("View Mode", "unset"), "unset");
    EXPECT_FALSE(m.close());
    EXPECT_TRUE(frmMainShell::isLoaded());
}

TEST(frmMainLoad, StoredLayoutIsUsedOnlyWhenValid)
{
    SaveSetting("View Mode", "4");
    SaveSetting("List size", "500");
    SaveSetting("Last Date", "abc");
    frmMain *m = &freshMain();
    EXPECT_EQ(m->ViewMode, 2);
    EXPECT_NEAR(frmMain::TopOf(m->frmResizeList), 1000, 20);
    EXPECT_EQ(m->LastDate, QDate::currentDate().addDays(-1));

    SaveSetting("View Mode", "3");
    SaveSetting("List size", "abc");
    m = &freshMain();
    EXPECT_EQ(m->ViewMode, 3);
    EXPECT_FALSE(m->HTMLList->isVisibleTo(m));
    // The tab strip sits 60 twips below the list's top.
    EXPECT_NEAR(frmMain::TopOf(m->BrowserTabs) - frmMain::TopOf(m->HTMLList), 60, 20);

    SaveSetting("View Mode", "2.0");
    m = &freshMain();
    EXPECT_EQ(m->ViewMode, 2);
    EXPECT_NEAR(frmMain::TopOf(m->frmResizeList), std::max(2000, m->InnerHeight() / 2), 20);
}

// Before the splitter is first dragged, the list takes about half of any
// window (a handful of rows on a large screen, not two), and no less than
// 2000 twips in a small one; the browser keeps the rest.
TEST(frmMainLayout, TheListsFirstHeightShowsAUsableList)
{
    frmMain &m = freshMain();
    m.show();
    for (const QSize size : {QSize(1600, 1000), QSize(900, 700), QSize(1200, 1900), QSize(700, 420)}) {
        m.resize(size);
        m.Form_Resize();
        const int client = m.centralWidget()->height();
        EXPECT_GE(m.HTMLList->height(), std::min(client * 2 / 5, 110)) << size.width() << "x" << size.height();
        EXPECT_GE(m.HTMLList->height(), client * 2 / 5 - 30) << size.width() << "x" << size.height();
        EXPECT_GT(m.WebBrowser->height(), client / 4) << size.width() << "x" << size.height();
    }
    EXPECT_EQ(GetSetting("List size", "unset"), "unset");
}

TEST(frmMainLayout, SplitterDragKeepsItsLimitsAndIsRemembered)
{
    frmMain &m = freshMain();
    m.resize(1000, 800);
    m.show();
    m.Form_Resize();
    const int start = frmMain::TopOf(m.frmResizeList);
    m.frmResizeList_MouseDown(0);
    m.frmResizeList_MouseMove(300);
    EXPECT_NEAR(frmMain::TopOf(m.frmResizeList), start + 300, 20);
    m.frmResizeList_MouseMove(-start); // above 1000 twips: refused
    EXPECT_NEAR(frmMain::TopOf(m.frmResizeList), start + 300, 20);
    m.frmResizeList_MouseMove(300 + 50000); // the browser would vanish: refused
    EXPECT_NEAR(frmMain::TopOf(m.frmResizeList), start + 300, 20);
    m.frmResizeList_MouseUp(0);
    EXPECT_FALSE(m.blnResizingList);
    EXPECT_NEAR(GetSetting("List size").toInt(), start + 300, 20);
    // A move without a press does nothing.
    m.frmResizeList_MouseMove(600);
    EXPECT_NEAR(frmMain::TopOf(m.frmResizeList), start + 300, 20);

    // The view commands store the mode once loading is done.
    m.blnDoneLoading = true;
    m.mnuViewList_Click();
    EXPECT_EQ(GetSetting("View Mode"), "1");
    EXPECT_FALSE(m.WebBrowser->isVisibleTo(&m));
    m.mnuViewListBrowser_Click();
    EXPECT_NEAR(frmMain::TopOf(m.frmResizeList), start + 300, 20);
}

TEST(frmMainLayout, TheOldListViewTakesTheHtmlListsPlaceAndFollowsTheSplitter)
{
    frmMain &m = freshMain();
    m.resize(1000, 800);
    m.show();
    m.mnuViewListBrowser_Click();
    MsgBoxScript::instance().clear();
    frmAbout &about = frmAbout::instance();
    about.show();
    for (const char key : QByteArrayLiteral("/oldlist"))
        if (frmAbout::isLoaded())
            QTest::keyClick(&about, key);
    ASSERT_EQ(MsgBoxScript::instance().lastPrompt(), "Switching to old list view");
    ASSERT_TRUE(m.lvwAuctions->isVisible());
    EXPECT_FALSE(m.HTMLList->isVisible());

    // Where the list was: below the menus and the toolbar, down to the splitter.
    auto inTheListsPlace = [&] {
        return m.lvwAuctions->parentWidget() == m.HTMLList->parentWidget()
               && m.lvwAuctions->geometry() == m.HTMLList->geometry();
    };
    EXPECT_TRUE(inTheListsPlace()) << m.lvwAuctions->geometry().y() << " " << m.lvwAuctions->height();
    EXPECT_GT(m.lvwAuctions->mapTo(&m, QPoint(0, 0)).y(), m.centralWidget()->y());
    m.frmResizeList_MouseDown(0);
    m.frmResizeList_MouseMove(600);
    m.frmResizeList_MouseUp(600);
    EXPECT_TRUE(inTheListsPlace());
    m.resize(900, 700);
    m.Form_Resize();
    EXPECT_TRUE(inTheListsPlace());
}

TEST(frmMainLayout, EscReleasesAutoScrollAndCancelsTheRefresh)
{
    frmMain &m = freshMain();
    m.Form_KeyDown(Qt::Key_Escape);
    EXPECT_FALSE(m.blnCancelRefresh);
    m.Toolbar->setValue("Auto Scroll", 1);
    m.blnRefreshing = true;
    m.Form_KeyDown(Qt::Key_Escape);
    EXPECT_EQ(m.Toolbar->Value("Auto Scroll"), 0);
    EXPECT_TRUE(m.blnCancelRefresh);
}

TEST(frmMainStatus, FreezeHoldsTheStatusUntilTheTimerTicks)
{
    frmMain &m = freshMain();
    m.SetStatus("Bidding 5.00 on item #1...");
    m.FreezeStatus();
    EXPECT_TRUE(m.tmrFreezeStatus->Enabled());
    m.SetStatus("Refreshing in 5 seconds");
    EXPECT_EQ(m.PanelText("Status"), "Bidding 5.00 on item #1...");
    emit m.tmrFreezeStatus->Timer();
    EXPECT_FALSE(m.blnFreezeStatus);
    EXPECT_FALSE(m.tmrFreezeStatus->Enabled());
    m.SetStatus("Done");
    EXPECT_EQ(m.PanelText("Status"), "Done");
}

TEST(frmMainTray, WithoutANotificationAreaTheWindowIsMinimisedNotLost)
{
    frmMain &m = freshMain();
    m.show();
    m.mnuFileTray_Click();
    EXPECT_EQ(m.TrayIcon, nullptr);
    EXPECT_TRUE(m.windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(m.isVisible());
    // A click without a tray window leaves the window reachable.
    m.TrayIcon_Click("LBUTTONUP");
    EXPECT_TRUE(m.isVisible());
    m.TrayIcon_Click("RBUTTONUP");
}

TEST(frmMainLayout, AStoredListSizeBeyondTheWindowLeavesTheBrowserInSight)
{
    SaveSetting("List size", "30000");
    frmMain &m = freshMain(); // maximised, as "Window state" is not stored
    m.show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(m.windowState() & Qt::WindowMaximized);
    auto browserInSight = [&] {
        return frmMain::HeightOf(m.WebBrowser) > 100
               && frmMain::TopOf(m.WebBrowser) + frmMain::HeightOf(m.WebBrowser) <= m.InnerHeight() - 250 + 15;
    };
    EXPECT_TRUE(browserInSight()) << frmMain::TopOf(m.WebBrowser) << " " << frmMain::HeightOf(m.WebBrowser);
    EXPECT_GT(frmMain::TopOf(m.frmResizeList), 1000);
    EXPECT_EQ(GetSetting("List size"), "30000");

    // A window of normal size is not made taller, again and again, for it.
    m.setWindowState(Qt::WindowNoState);
    m.resize(900, 700);
    QCoreApplication::processEvents();
    m.Form_Resize();
    const int height = m.height();
    for (int i = 0; i < 3; ++i) {
        m.Form_Resize();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(m.height(), height);
    EXPECT_TRUE(browserInSight());
    EXPECT_EQ(GetSetting("List size"), "30000");

    // The splitter still drags from there, and a place that fits is used as stored.
    const int top = frmMain::TopOf(m.frmResizeList);
    m.frmResizeList_MouseDown(0);
    m.frmResizeList_MouseMove(-300);
    m.frmResizeList_MouseUp(-300);
    EXPECT_NEAR(GetSetting("List size").toInt(), top - 300, 20);
    SaveSetting("List size", "3000");
    m.Form_Resize();
    EXPECT_NEAR(frmMain::TopOf(m.frmResizeList), 3000, 20);
}

// The refresh's progress bar stands in a place of its own left of "Status",
// at every window width: it covers no panel and none of their edges.
TEST(frmMainLayout, TheProgressBarCoversNoStatusPanel)
{
    frmMain &m = freshMain();
    m.show();
    m.ProgressBar->setVisible(true);
    for (const int width : {1600, 900, 700}) {
        m.resize(width, 700);
        m.Form_Resize();
        QApplication::processEvents();
        const QRect bar = m.ProgressBar->geometry();
        EXPECT_EQ(m.ProgressBar->parentWidget(), m.StatusBar);
        for (int i = 0; i < m.StatusBar->PanelCount(); ++i) {
            const StatusPanel *panel = m.StatusBar->PanelAt(i);
            // One pixel around each panel is its frame's edge.
            EXPECT_FALSE(bar.intersects(panel->geometry().adjusted(-1, 0, 1, 0)))
                << width << ": " << panel->Key().toStdString();
        }
        EXPECT_LT(bar.right(), m.StatusBar->Panel(QStringLiteral("Status"))->geometry().left()) << width;
    }
}
