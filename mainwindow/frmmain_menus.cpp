// The main window's menu bar, the "User Menu" pop-up of the status bar's
// feedback panel, and the commands they hold. Windows of the item and seller
// tools are opened through their seams (engine/menucommands.h and the other
// seam headers), which the program installs.
#include "mainwindow/frmmain.h"
#include "mainwindow/menupages.h"

#include "engine/browserseams.h"
#include "engine/itemwindows.h"
#include "engine/menucommands.h"
#include "engine/startupwindows.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/pageaccess.h"
#include "platform/desktop.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/pageprinter.h"
#include "platform/webbrowser.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>


namespace {

void run(const std::function<void()> &command)
{
    if (command)
        command();
}

QString chosenDomain()
{
    return frmSettings::instance().txteBayDomain->currentText().toLower();
}

} // namespace

void frmMain::buildMenus()
{
    QMenuBar *bar = menuBar();
    auto item = [this](QMenu *menu, const QString &caption, void (frmMain::*handler)()) {
        QAction *a = menu->addAction(caption);
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };

    mnuFile = bar->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileChangeUser = item(mnuFile, QStringLiteral("&Change User"), &frmMain::mnuFileChangeUser_Click);
    mnuFile->addSeparator();
    mnuFileSettings = item(mnuFile, QStringLiteral("&Settings"), &frmMain::mnuFileSettings_Click);
    mnuFileTray = item(mnuFile, QStringLiteral("&Minimize to system tray"), &frmMain::mnuFileTray_Click);
    mnuFile->addSeparator();
    mnuFileUpdate = item(mnuFile, QStringLiteral("Look for &updates"), &frmMain::mnuFileUpdate_Click);
    mnuFile->addSeparator();
    mnuFilePrint = item(mnuFile, QStringLiteral("&Print"), &frmMain::mnuFilePrint_Click);
    mnuFile->addSeparator();
    mnuFileAffiliate = item(mnuFile, QStringLiteral("Join the &affiliate program and get paid!"), &frmMain::mnuFileAffiliate_Click);
    mnuFileDonate = item(mnuFile, QStringLiteral("Make a &Donation"), &frmMain::mnuFileDonate_Click);
    mnuFile->addSeparator();
    mnuFileExit = item(mnuFile, QStringLiteral("E&xit"), &frmMain::mnuFileExit_Click);

    mnuView = bar->addMenu(QStringLiteral("&View"));
    mnuView->setObjectName(QStringLiteral("mnuView"));
    mnuViewList = item(mnuView, QStringLiteral("&List only"), &frmMain::mnuViewList_Click);
    mnuViewListBrowser = item(mnuView, QStringLiteral("L&ist && browser"), &frmMain::mnuViewListBrowser_Click);
    mnuViewBrowser = item(mnuView, QStringLiteral("&Browser only"), &frmMain::mnuViewBrowser_Click);
    for (QAction *a : {mnuViewList, mnuViewListBrowser, mnuViewBrowser})
        a->setCheckable(true);

    mnuAuctions = bar->addMenu(QStringLiteral("&Items"));
    mnuAuctions->setObjectName(QStringLiteral("mnuAuctions"));
    mnuAuctionsAdd = item(mnuAuctions, QStringLiteral("&Bid/Snipe/Buy"), &frmMain::mnuAuctionsAdd_Click);
    mnuAuctionsWatch = item(mnuAuctions, QStringLiteral("&Watch this item"), &frmMain::mnuAuctionsWatch_Click);
    // Enabled by the browser while it shows an item page.
    mnuAuctionsWatch->setEnabled(false);
    mnuAuctionsRemoveEnded = item(mnuAuctions, QStringLiteral("Re&move Ended Items"), &frmMain::mnuAuctionsRemoveEnded_Click);
    mnuAuctions->addSeparator();
    mnuAuctionsAutoSearch = item(mnuAuctions, QStringLiteral("Auto Search"), &frmMain::mnuAuctionsAutoSearch_Click);
    mnuAuctions->addSeparator();
    mnuAuctionsImportOnline = item(mnuAuctions, QStringLiteral("&Import auctions from TMR Online"), &frmMain::mnuAuctionsImportOnline_Click);
    mnuAuctionsExport = item(mnuAuctions, QStringLiteral("&Export auctions to TMR Online"), &frmMain::mnuAuctionsExport_Click);
    mnuAuctionsSync = item(mnuAuctions, QStringLiteral("S&ync with TMR Online (Import && Export)"), &frmMain::mnuAuctionsSync_Click);
    mnuAuctions->addSeparator();
    mnuAuctionsImport = item(mnuAuctions, QStringLiteral("Im&port watched auctions from eBay"), &frmMain::mnuAuctionsImport_Click);
    mnuAuctions->addSeparator();
    mnuAuctionsRefresh = item(mnuAuctions, QStringLiteral("Re&fresh Auction List"), &frmMain::mnuAuctionsRefresh_Click);

    mnuSelling = bar->addMenu(QStringLiteral("&Selling"));
    mnuSelling->setObjectName(QStringLiteral("mnuSelling"));
    mnuSellingRelist = item(mnuSelling, QStringLiteral("Scheduled &Relistings"), &frmMain::mnuSellingRelist_Click);
    mnuSellingSaleMgr = item(mnuSelling, QStringLiteral("Sale Manager"), &frmMain::mnuSellingSaleMgr_Click);
    mnuSellingFeedback = item(mnuSelling, QStringLiteral("Feedback"), &frmMain::mnuSellingFeedback_Click);

    mnuBrowser = bar->addMenu(QStringLiteral("&Browser"));
    mnuBrowser->setObjectName(QStringLiteral("mnuBrowser"));
    mnuBrowserTMROLogin = item(mnuBrowser, QStringLiteral("&Log into TMR Online"), &frmMain::mnuBrowserTMROLogin_Click);
    mnuBrowser->addSeparator();
    mnuBrowserBack = item(mnuBrowser, QStringLiteral("&Back"), &frmMain::mnuBrowserBack_Click);
    mnuBrowserForward = item(mnuBrowser, QStringLiteral("&Forward"), &frmMain::mnuBrowserForward_Click);
    mnuBrowser->addSeparator();
    mnuBrowserStop = item(mnuBrowser, QStringLiteral("&Stop"), &frmMain::mnuBrowserStop_Click);
    mnuBrowserRefresh = item(mnuBrowser, QStringLiteral("&Refresh"), &frmMain::mnuBrowserRefresh_Click);

    mnuFavorites->setObjectName(QStringLiteral("mnuFavorites"));
    bar->addMenu(BuildFavoritesMenu());

    mnuGoTo = bar->addMenu(QStringLiteral("&GoTo"));
    mnuGoTo->setObjectName(QStringLiteral("mnuGoTo"));
    mnuGotoeBayHome = item(mnuGoTo, QStringLiteral("eBay home"), &frmMain::mnuGotoeBayHome_Click);
    mnuGoToAdvSearch = item(mnuGoTo, QStringLiteral("Advanced Search"), &frmMain::mnuGoToAdvSearch_Click);
    mnuGotoSell = item(mnuGoTo, QStringLiteral("Sell"), &frmMain::mnuGotoSell_Click);
    mnuGoToMyeBay = mnuGoTo->addAction(QStringLiteral(" My eBay "));
    mnuGoToMyeBay->setEnabled(false);
    mnuGoToMyEbayBidding = item(mnuGoTo, QStringLiteral("Bidding/Watching"), &frmMain::mnuGoToMyEbayBidding_Click);
    mnuGoToMyeBaySelling = item(mnuGoTo, QStringLiteral("Selling"), &frmMain::mnuGoToMyeBaySelling_Click);
    mnuGoToMyeBayFav = item(mnuGoTo, QStringLiteral("Favorites"), &frmMain::mnuGoToMyeBayFav_Click);

    mnuHelp = bar->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpFAQ = item(mnuHelp, QStringLiteral("&Frequently Asked Questions"), &frmMain::mnuHelpFAQ_Click);
    mnuHelpSupport = item(mnuHelp, QStringLiteral("&Contact Support"), &frmMain::mnuHelpSupport_Click);
    mnuHelpDonate = item(mnuHelp, QStringLiteral("&Make a Donation"), &frmMain::mnuHelpDonate_Click);
    mnuHelp->addSeparator();
    mnuHelpAbout = item(mnuHelp, QStringLiteral("&About"), &frmMain::mnuHelpAbout_Click);

    mnuUser->setTitle(QStringLiteral("User Menu"));
    mnuUser->setObjectName(QStringLiteral("mnuUser"));
    mnuUserTMROLogin = item(mnuUser, QStringLiteral("Log into TMR Online"), &frmMain::mnuUserTMROLogin_Click);
    mnuUserFeedback = item(mnuUser, QStringLiteral("Feedback Profile"), &frmMain::mnuUserFeedback_Click);
    mnuUser->addSeparator();
    mnuUserChange = item(mnuUser, QStringLiteral("Change user"), &frmMain::mnuUserChange_Click);
}

void frmMain::openPage(const QString &url, bool stopFirst)
{
    if (stopFirst)
        WebBrowser->Stop();
    WebBrowser->Navigate(url);
}

// --- File ---

void frmMain::mnuFileSettings_Click()
{
    frmSettings::instance().exec();
}

void frmMain::mnuFileUpdate_Click()
{
    if (Inet->StillExecuting()) {
        Desktop::MsgBox(QStringLiteral("Cannot look for updates while refreshing the items list\r\n\r\n"
                                       "Please try again when the list is done refreshing"),
                        Desktop::BoxInformation);
        return;
    }
    LookForUpdate(true);
    SetPanelText(QStringLiteral("Status"), QStringLiteral("Ready"));
    blnForceRefresh = true;
}

void frmMain::mnuFilePrint_Click()
{
    // The print dialog, then the page the browser shows goes to the printer chosen.
    WebBrowser->setFocus();
    PagePrinter::Print(WebBrowser, this);
}

void frmMain::mnuFileAffiliate_Click()
{
    openPage(MenuPages::Affiliate(), true);
}

void frmMain::mnuFileDonate_Click()
{
    openPage(MenuPages::Donate(CurrentUser), true);
}

void frmMain::mnuFileExit_Click()
{
    Unload();
}

// --- Items ---

void frmMain::mnuAuctionsAdd_Click()
{
    run(ItemWindows::AddAuction);
}

void frmMain::mnuAuctionsWatch_Click()
{
    QString url = WebBrowser->LocationURL();
    WatchAuction(basGeneral::GetItemNumberFromURL(url));
}

void frmMain::mnuAuctionsRemoveEnded_Click()
{
    if (Desktop::MsgBox(QStringLiteral("Remove all ended auctions?"), Desktop::BoxYesNo | Desktop::BoxExclamation)
        != Desktop::AnswerYes)
        return;
    // In one go: row by row, a long list took seconds.
    const ListView &list = *lvwAuctions;
    lvwAuctions->RemoveWhere([&list](const ListItem *row) {
        return list.Field(row, QStringLiteral("timeleft")) == QLatin1String("Ended");
    });
    SaveList(true);
    RedrawHTMLList();
}

void frmMain::mnuAuctionsAutoSearch_Click()
{
    run(MenuCommands::ShowAutoSearch);
}

namespace {

void showExportNote()
{
    Desktop::MsgBox(QStringLiteral("Please note that this exports items to your TMR Online account for watching only, bids will NOT be exported.")
                        + QStringLiteral("\r\n\r\n")
                        + QStringLiteral("To have your bids placed by the TMR Online server, click the edit bid button for each bid and check the "
                                         "box to place the bid using the TMR Online server."),
                    Desktop::BoxInformation);
}

} // namespace

void frmMain::mnuAuctionsImportOnline_Click()
{
    run(MenuCommands::ShowImportOnline);
}

void frmMain::mnuAuctionsExport_Click()
{
    showExportNote();
    run(MenuCommands::ShowExportOnline);
}

void frmMain::mnuAuctionsSync_Click()
{
    showExportNote();
    run(MenuCommands::ShowImportOnline);
    run(MenuCommands::ShowExportOnline);
}

void frmMain::mnuAuctionsImport_Click()
{
    run(StartupWindows::ShowWatchingListImport);
}

void frmMain::mnuAuctionsRefresh_Click()
{
    RefreshAuctions(QString(), false, false);
}

// --- Selling ---

void frmMain::mnuSellingRelist_Click()
{
    run(MenuCommands::ShowRelistItems);
}

void frmMain::mnuSellingSaleMgr_Click()
{
    run(MenuCommands::ShowSales);
}

void frmMain::mnuSellingFeedback_Click()
{
    run(MenuCommands::ShowFeedbackSettings);
}

// --- Browser ---

void frmMain::mnuBrowserTMROLogin_Click()
{
    openPage(MenuPages::OnlineLogin(), true);
}

void frmMain::mnuBrowserBack_Click()
{
    WebBrowser->GoBack();
    WebBrowser->setFocus();
}

void frmMain::mnuBrowserForward_Click()
{
    WebBrowser->GoForward();
    WebBrowser->setFocus();
}

void frmMain::mnuBrowserStop_Click()
{
    WebBrowser->Stop();
}

void frmMain::mnuBrowserRefresh_Click()
{
    WebBrowser->Refresh();
}

// --- GoTo ---

void frmMain::mnuGotoeBayHome_Click()
{
    openPage(MenuPages::EbayHome(chosenDomain()), false);
}

void frmMain::mnuGoToAdvSearch_Click()
{
    openPage(MenuPages::AdvancedSearch(chosenDomain()), false);
}

void frmMain::mnuGotoSell_Click()
{
    openPage(MenuPages::Sell(chosenDomain()), false);
}

void frmMain::mnuGoToMyEbayBidding_Click()
{
    openPage(MenuPages::MyEbayBidding(chosenDomain()), false);
}

void frmMain::mnuGoToMyeBaySelling_Click()
{
    openPage(MenuPages::MyEbaySelling(chosenDomain()), false);
}

void frmMain::mnuGoToMyeBayFav_Click()
{
    openPage(MenuPages::MyEbayFavorites(chosenDomain()), false);
}

// --- Help ---

void frmMain::mnuHelpFAQ_Click()
{
    openPage(MenuPages::Faq(), true);
}

void frmMain::mnuHelpSupport_Click()
{
    frmSettings &settings = frmSettings::instance();
    openPage(MenuPages::Support(CurrentUser, BrowserSeams::ProgramRevision ? BrowserSeams::ProgramRevision() : 0,
                                settings.ddnFastSyncInterval->currentText(), settings.ddnBidDelay->currentText()),
             true);
}

void frmMain::mnuHelpDonate_Click()
{
    mnuFileDonate_Click();
}

void frmMain::mnuHelpAbout_Click()
{
    run(MenuCommands::ShowAbout);
}

// --- User Menu ---

void frmMain::mnuUserTMROLogin_Click()
{
    mnuBrowserTMROLogin_Click();
}

void frmMain::mnuUserFeedback_Click()
{
    openPage(MenuPages::Feedback(chosenDomain(), CurrentUser), false);
}

void frmMain::mnuUserChange_Click()
{
    mnuFileChangeUser_Click();
}
