// The running main window's menu bar against the simulator: every menu and
// item in its order with its caption and enabling, the commands that point
// the browser at a page, the windows opened through their seams, and the
// commands with rules of their own.
#include "tests/integration/refreshsimutil.h"

#include "engine/itemwindows.h"
#include "engine/menucommands.h"
#include "engine/startupwindows.h"
#include "engine/updatecheckseam.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "items/watchedrows.h"
#include "mainwindow/frmmain.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/pageprinter.h"
#include "platform/ticktimer.h"
#include "platform/toolbar.h"
#include "platform/webbrowser.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/tinyhttp.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

namespace {

frmMain &runningMain()
{
    RefreshSim::Server();
    if (frmMainShell::isLoaded())
        frmMainShell::destroyInstance();
    frmMain::registerAsMainWindow();
    frmMain &m = frmMain::instance();
    m.tmrLoadProcess->setEnabled(false); // the loader is not under test here
    MsgBoxScript::instance().clear();
    return m;
}

// The captions of a menu's items, "-" for a separator.
QStringList captions(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

QStringList disabled(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions())
        if (!a->isSeparator() && !a->isEnabled())
            out << a->text();
    return out;
}

// Records where the browser is sent, without loading the page.
struct NavigationLog
{
    QStringList urls;
    explicit NavigationLog(frmMain &m)
    {
        QObject::connect(m.WebBrowser, &WebBrowser::BeforeNavigate2, m.WebBrowser, [this](const QString &url, bool &cancel) {
            urls << url;
            cancel = true;
        });
    }
};

QString sim(const QString &pathAndQuery)
{
    return RefreshSim::Server().url(pathAndQuery);
}

} // namespace

TEST(MainMenus, EveryMenuAndItemInItsOrderWithItsCaptionAndEnabling)
{
    frmMain &m = runningMain();
    QStringList bar;
    for (const QAction *a : m.menuBar()->actions())
        bar << a->text();
    EXPECT_EQ(bar, QStringList({"&File", "&View", "&Items", "&Selling", "&Browser", "&Favorites", "&GoTo", "&Help"}));

    EXPECT_EQ(captions(m.mnuFile), QStringList({"&Change User", "-", "&Settings", "&Minimize to system tray", "-", "Look for &updates", "-",
                                                "&Print", "-", "Join the &affiliate program and get paid!", "Make a &Donation", "-",
                                                "E&xit"}));
    EXPECT_EQ(captions(m.mnuView), QStringList({"&List only", "L&ist && browser", "&Browser only"}));
    EXPECT_EQ(captions(m.mnuAuctions),
              QStringList({"&Bid/Snipe/Buy", "&Watch this item", "Re&move Ended Items", "-", "Auto Search", "-",
                           "&Import auctions from TMR Online", "&Export auctions to TMR Online",
                           "S&ync with TMR Online (Import && Export)", "-", "Im&port watched auctions from eBay", "-",
                           "Re&fresh Auction List"}));
    EXPECT_EQ(captions(m.mnuSelling), QStringList({"Scheduled &Relistings", "Sale Manager", "Feedback"}));
    EXPECT_EQ(captions(m.mnuBrowser), QStringList({"&Log into TMR Online", "-", "&Back", "&Forward", "-", "&Stop", "&Refresh"}));
    EXPECT_EQ(captions(m.mnuGoTo), QStringList({"eBay home", "Advanced Search", "Sell", " My eBay ", "Bidding/Watching", "Selling",
                                                "Favorites"}));
    EXPECT_EQ(captions(m.mnuHelp),
              QStringList({"&Frequently Asked Questions", "&Contact Support", "&Make a Donation", "-", "&About"}));
    EXPECT_EQ(captions(m.mnuUser), QStringList({"Log into TMR Online", "Feedback Profile", "-", "Change user"}));
    EXPECT_EQ(captions(m.mnuFavorites), QStringList({"Add To Favorites", "Organize Favorites", "-", "<no favorites>"}));

    // Only the watch command (until the browser shows an item), the My eBay
    // heading and the favorites placeholder are disabled.
    for (QMenu *menu : {m.mnuFile, m.mnuView, m.mnuSelling, m.mnuBrowser, m.mnuHelp, m.mnuUser})
        EXPECT_EQ(disabled(menu), QStringList()) << menu->title().toStdString();
    EXPECT_EQ(disabled(m.mnuAuctions), QStringList({"&Watch this item"}));
    EXPECT_EQ(disabled(m.mnuGoTo), QStringList({" My eBay "}));
    EXPECT_EQ(disabled(m.mnuFavorites), QStringList({"<no favorites>"}));
}

TEST(MainMenus, PageCommandsSendTheBrowserToTheirPagesOnTheSimulatorsHosts)
{
    frmMain &m = runningMain();
    CurrentUser = "a&b";
    frmSettings &settings = frmSettings::instance();
    const QString build = QString::number(TALLOWMERE_VERSION_PATCH);
    NavigationLog log(m);
    const QList<std::pair<QAction *, QString>> pages = {
        {m.mnuFileAffiliate, sim("/affiliate/")},
        {m.mnuFileDonate, sim("/donate/?user=a&b")},
        {m.mnuBrowserTMROLogin, RefreshSim::Server().url("/online/login.asp", true)},
        {m.mnuGotoeBayHome, sim("/")},
        {m.mnuGoToAdvSearch, sim("/ws/search/AdvSearch?sofindtype=1")},
        {m.mnuGotoSell, sim("/sell")},
        {m.mnuGoToMyEbayBidding, sim("/ws/eBayISAPI.dll?MyeBay&CurrentPage=MyeBayAllBuying")},
        {m.mnuGoToMyeBaySelling, sim("/ws/eBayISAPI.dll?MyeBay&CurrentPage=MyeBaySelling")},
        {m.mnuGoToMyeBayFav, sim("/ws/eBayISAPI.dll?MyeBay&CurrentPage=MyeBayAllFavorites")},
        {m.mnuHelpFAQ, sim("/faq.asp")},
        // Only the support page encodes the user ID.
        {m.mnuHelpSupport, sim("/contact.asp?user=a%26b&build=" + build + "&int=" + settings.ddnFastSyncInterval->currentText()
                               + "&delay=" + settings.ddnBidDelay->currentText())},
        {m.mnuHelpDonate, sim("/donate/?user=a&b")},
        {m.mnuUserTMROLogin, RefreshSim::Server().url("/online/login.asp", true)},
        {m.mnuUserFeedback, sim("/ws/eBayISAPI.dll?ViewFeedback&userid=a&b")},
    };
    for (const auto &[action, page] : pages) {
        log.urls.clear();
        action->trigger();
        ASSERT_EQ(log.urls.size(), 1) << action->text().toStdString();
        EXPECT_EQ(QUrl(log.urls[0]), QUrl(page)) << action->text().toStdString() << " went to " << log.urls[0].toStdString();
    }
}

TEST(MainMenus, AMenuPageIsServedByTheSimulatorsVendorRole)
{
    frmMain &m = runningMain();
    const qint64 mark = RefreshSim::Mark();
    m.mnuHelpFAQ->trigger();
    ASSERT_TRUE(waitFor([&m] { return m.WebBrowser->LocationName() == "Frequently Asked Questions"; }));
    bool served = false;
    for (const Sim::LogEntry &e : RefreshSim::RequestsSince(mark))
        served = served || (e.target == "/faq.asp" && e.role == "vendor");
    EXPECT_TRUE(served);
}

TEST(MainMenus, EveryPageCommandShowsAPageOfItsOwnInTheBrowserNotTheNotFoundPage)
{
    frmMain &m = runningMain();
    CurrentUser = "demo";
    for (QAction *action : {m.mnuFileAffiliate, m.mnuFileDonate, m.mnuBrowserTMROLogin, m.mnuGotoeBayHome, m.mnuGoToAdvSearch,
                            m.mnuGotoSell, m.mnuGoToMyEbayBidding, m.mnuGoToMyeBaySelling, m.mnuGoToMyeBayFav, m.mnuHelpFAQ,
                            m.mnuHelpSupport, m.mnuUserFeedback}) {
        SCOPED_TRACE(action->text().toStdString());
        const qint64 mark = RefreshSim::Mark();
        action->trigger();
        // The page itself, not the pictures or icon the browser asks for after it.
        auto pageRequest = [mark] {
            for (const Sim::LogEntry &e : RefreshSim::RequestsSince(mark))
                if (e.status != 0 && !e.target.startsWith(QLatin1String("/favicon")))
                    return e;
            return Sim::LogEntry{};
        };
        ASSERT_TRUE(waitFor([&] { return pageRequest().status != 0; }));
        const Sim::LogEntry served = pageRequest();
        EXPECT_EQ(served.status, 200) << served.target.toStdString();
        EXPECT_FALSE(served.role.isEmpty()) << served.target.toStdString();
        ASSERT_TRUE(waitFor([&m] { return !m.WebBrowser->LocationName().isEmpty(); }));
        EXPECT_FALSE(m.WebBrowser->LocationName().contains(QLatin1String("Not Found")));
    }
}

TEST(MainMenus, WindowCommandsOpenTheirWindowsThroughTheSeamsSyncImportsBeforeItExports)
{
    frmMain &m = runningMain();
    QStringList opened;
    auto record = [&opened](const char *name) { return [&opened, name] { opened << name; }; };
    ItemWindows::AddAuction = record("add");
    MenuCommands::ShowAutoSearch = record("autosearch");
    MenuCommands::ShowImportOnline = record("import-online");
    MenuCommands::ShowExportOnline = record("export-online");
    StartupWindows::ShowWatchingListImport = record("watching");
    MenuCommands::ShowRelistItems = record("relist");
    MenuCommands::ShowSales = record("sales");
    MenuCommands::ShowFeedbackSettings = record("feedback");
    MenuCommands::ShowAbout = record("about");

    for (QAction *a : {m.mnuAuctionsAdd, m.mnuAuctionsAutoSearch, m.mnuAuctionsImportOnline, m.mnuAuctionsImport,
                       m.mnuSellingRelist, m.mnuSellingSaleMgr, m.mnuSellingFeedback, m.mnuHelpAbout})
        a->trigger();
    EXPECT_EQ(opened, QStringList({"add", "autosearch", "import-online", "watching", "relist", "sales", "feedback", "about"}));
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());

    const QString note = "Please note that this exports items to your TMR Online account for watching only, bids will NOT be "
                         "exported.\r\n\r\nTo have your bids placed by the TMR Online server, click the edit bid button for each "
                         "bid and check the box to place the bid using the TMR Online server.";
    opened.clear();
    m.mnuAuctionsExport->trigger();
    m.mnuAuctionsSync->trigger();
    EXPECT_EQ(opened, QStringList({"export-online", "import-online", "export-online"}));
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 2) << "one note for export, one for sync";
    for (const Desktop::MsgBoxCall &call : MsgBoxScript::instance().calls()) {
        EXPECT_EQ(call.prompt, note);
        EXPECT_EQ(call.style, Desktop::BoxInformation);
    }

    // The settings window opens modally from the File menu.
    bool settingsShown = false;
    QTimer::singleShot(0, [&settingsShown] {
        settingsShown = frmSettings::isLoaded() && frmSettings::instance().isVisible();
        frmSettings::instance().cmdCancel_Click();
    });
    m.mnuFileSettings->trigger();
    EXPECT_TRUE(settingsShown);
}

TEST(MainMenus, RemoveEndedItemsAsksThenRemovesOnlyEndedRowsAndWritesTheList)
{
    frmMain &m = runningMain();
    QDir().mkpath(basGeneral::DataFolder());
    const QString listFile = basGeneral::DataFolder() + "data6.dat";
    QFile::remove(listFile);
    for (const auto &[number, left] : {std::pair{"101", "Ended"}, {"102", "2h 5m"}, {"103", "Ended"}}) {
        ListItem *row = m.lvwAuctions->Add(number);
        m.lvwAuctions->setField(row, "timeleft", left);
    }
    MsgBoxScript::instance().answer(Desktop::AnswerNo);
    m.mnuAuctionsRemoveEnded->trigger();
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    EXPECT_EQ(MsgBoxScript::instance().calls()[0].prompt, "Remove all ended auctions?");
    EXPECT_EQ(MsgBoxScript::instance().calls()[0].style, Desktop::BoxYesNo | Desktop::BoxExclamation);
    EXPECT_EQ(m.lvwAuctions->Count(), 3);

    MsgBoxScript::instance().answer(Desktop::AnswerYes);
    m.mnuAuctionsRemoveEnded->trigger();
    ASSERT_EQ(m.lvwAuctions->Count(), 1);
    EXPECT_EQ(m.lvwAuctions->Item(1)->Text(), "102");
    EXPECT_TRUE(QFile::exists(listFile));

    // A list of only ended rows is emptied and the empty list still written.
    m.lvwAuctions->setField(m.lvwAuctions->Item(1), "timeleft", "Ended");
    const QString before = RefreshSim::DataFileText("data6.dat");
    MsgBoxScript::instance().answer(Desktop::AnswerYes);
    m.mnuAuctionsRemoveEnded->trigger();
    EXPECT_EQ(m.lvwAuctions->Count(), 0);
    EXPECT_NE(RefreshSim::DataFileText("data6.dat"), before);
}

TEST(MainMenus, AListTemplateLostWhileRunningEndsNoCommandAndLosesNoRow)
{
    frmMain &m = runningMain();
    QDir().mkpath(basGeneral::DataFolder());
    QFile::remove(basGeneral::DataFolder() + "data6.dat");
    QTemporaryDir dir;
    const QString copy = dir.filePath("default.tmt");
    ASSERT_TRUE(QFile::copy(basGeneral::AppPath() + "default.tmt", copy));
    frmMain::TemplateFile = copy;
    CurrentUser = "alice";
    for (const auto &[number, left] : {std::pair{"101", "Ended"}, {"102", "2h 5m"}}) {
        ListItem *row = m.lvwAuctions->Add(number);
        m.lvwAuctions->setField(row, "timeleft", left);
        m.lvwAuctions->setField(row, "maxbid", "(watching)");
        m.lvwAuctions->setField(row, "user", "alice");
    }
    m.RebuildHTMLList();
    ASSERT_EQ(m.HTMLList->ElementCount("itemnumber"), 3); // two rows and the hidden span
    ASSERT_TRUE(QFile::remove(copy));

    // Remove Ended Items: the row goes and the list file says so; the page
    // keeps what it showed.
    MsgBoxScript::instance().answer(Desktop::AnswerYes);
    EXPECT_NO_THROW(m.mnuAuctionsRemoveEnded->trigger());
    ASSERT_EQ(m.lvwAuctions->Count(), 1);
    EXPECT_TRUE(RefreshSim::DataFileText("data6.dat").startsWith("\"102\""));
    EXPECT_EQ(m.HTMLList->ElementCount("itemnumber"), 3);

    // A filter is chosen all the same.
    EXPECT_NO_THROW(m.mnuFilterEnded->trigger());
    EXPECT_TRUE(m.mnuFilterEnded->isChecked());
    EXPECT_EQ(m.Toolbar->Value("Filter"), 1);

    // Watch this item on an item page: the row is added and saved.
    const QString number = RefreshSim::AddItem(7200);
    m.WebBrowser->Navigate(HostRoles::url(HostRoles::Role::Item, "/ws/eBayISAPI.dll?ViewItem&item=" + number));
    ASSERT_TRUE(waitFor([&m] { return m.mnuAuctionsWatch->isEnabled(); }));
    EXPECT_NO_THROW(m.mnuAuctionsWatch->trigger());
    ASSERT_TRUE(m.lvwAuctions->FindItem(number));
    EXPECT_TRUE(RefreshSim::DataFileText("data6.dat").contains("\"" + number + "\""));
    EXPECT_EQ(m.PanelText("IEStatus"), "");
    EXPECT_TRUE(MsgBoxScript::instance().calls().size() == 1); // only the question of Remove Ended Items

    // A row an import brings: added and saved too.
    const QString imported = RefreshSim::AddItem(7300);
    EXPECT_NO_THROW(WatchedRows::AddAndSave(m, imported));
    EXPECT_TRUE(RefreshSim::DataFileText("data6.dat").contains("\"" + imported + "\""));

    // With the template back, the next command draws the list as it is now.
    ASSERT_TRUE(QFile::copy(basGeneral::AppPath() + "default.tmt", copy));
    m.mnuFilterAll->trigger();
    EXPECT_EQ(m.HTMLList->ElementCount("itemnumber"), 4); // three rows and the hidden span
    frmMain::TemplateFile.clear();
}

TEST(MainMenus, LookForUpdatesWaitsForABusyListAndOtherwiseChecksAndForcesARefresh)
{
    frmMain &m = runningMain();
    int checks = 0;
    UpdateCheckSeam::LookForUpdate = [&checks](bool showWarnings) {
        EXPECT_TRUE(showWarnings);
        ++checks;
        return false;
    };
    // While the main window's transfer control is busy: a message, no check.
    TinyHttp slow([](const TinyHttp::Request &) {
        TinyHttp::Reply r;
        r.hang = true;
        return r;
    });
    m.Inet->Begin(QString::fromLatin1(slow.url("/list")), [](const QString &, const NumberedError *) {});
    ASSERT_TRUE(m.Inet->StillExecuting());
    m.mnuFileUpdate->trigger();
    EXPECT_EQ(checks, 0);
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(),
              "Cannot look for updates while refreshing the items list\r\n\r\nPlease try again when the list is done refreshing");
    m.Inet->Cancel();

    m.blnForceRefresh = false;
    m.SetPanelText("Status", "Busy");
    m.mnuFileUpdate->trigger();
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(m.PanelText("Status"), "Ready");
    EXPECT_TRUE(m.blnForceRefresh);
    UpdateCheckSeam::LookForUpdate = {};
}

TEST(MainMenus, BrowserCommandsWithoutAPageAndTheRefreshCommandDoNoHarm)
{
    frmMain &m = runningMain();
    // The print dialog is cancelled.
    int printDialogs = 0;
    PagePrinter::ChoosePrinter = [&printDialogs](QPrinter &, QWidget *) { return ++printDialogs, false; };
    for (QAction *a : {m.mnuBrowserBack, m.mnuBrowserForward, m.mnuBrowserStop, m.mnuBrowserRefresh, m.mnuFilePrint})
        a->trigger();
    EXPECT_EQ(printDialogs, 1);
    PagePrinter::ChoosePrinter = {};
    // Refreshing an empty list runs the refresh's closing steps only.
    m.mnuAuctionsRefresh->trigger();
    EXPECT_FALSE(m.blnRefreshing);
    EXPECT_TRUE(frmMainShell::isLoaded());
}
