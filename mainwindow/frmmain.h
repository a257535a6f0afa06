#pragma once

#include "engine/mainformengine.h"

#include <QPixmap>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QLineEdit;
class QToolBar;
class QTabBar;
class QToolButton;
class frmSysTray;

// The main window: the HTML auction list above the tabbed browser, with the
// menus, toolbar and status bar. The engine's procedures and the shared flags
// come from the classes below it.
class frmMain final : public frmMainEngine
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    // Registers the main window as the program's one main window; after
    // this, every layer's instance() gives this window.
    static void registerAsMainWindow();
    static frmMain &instance();

    // Controls of the window (beside those of the lower layers).
    QWidget *Client = nullptr; // the client area the layout places controls in
    QTabBar *BrowserTabs = nullptr;
    QToolButton *cmdCloseTab = nullptr;
    QFrame *BrowserNotification = nullptr;
    QLabel *lblBrowserNotification1 = nullptr;
    QFrame *frmResizeList = nullptr;
    QPixmap picDownArrow;

    // The menu bar and the "User Menu" pop-up (frmmain_menus.cpp).
    QMenu *mnuFile = nullptr;
    QAction *mnuFileChangeUser = nullptr;
    QAction *mnuFileSettings = nullptr;
    QAction *mnuFileTray = nullptr;
    QAction *mnuFileUpdate = nullptr;
    QAction *mnuFilePrint = nullptr;
    QAction *mnuFileAffiliate = nullptr;
    QAction *mnuFileDonate = nullptr;
    QAction *mnuFileExit = nullptr;
    QMenu *mnuView = nullptr;
    QAction *mnuViewList = nullptr;
    QAction *mnuViewListBrowser = nullptr;
    QAction *mnuViewBrowser = nullptr;
    QMenu *mnuAuctions = nullptr;
    QAction *mnuAuctionsAdd = nullptr;
    QAction *mnuAuctionsWatch = nullptr;
    QAction *mnuAuctionsRemoveEnded = nullptr;
    QAction *mnuAuctionsAutoSearch = nullptr;
    QAction *mnuAuctionsImportOnline = nullptr;
    QAction *mnuAuctionsExport = nullptr;
    QAction *mnuAuctionsSync = nullptr;
    QAction *mnuAuctionsImport = nullptr;
    QAction *mnuAuctionsRefresh = nullptr;
    QMenu *mnuSelling = nullptr;
    QAction *mnuSellingRelist = nullptr;
    QAction *mnuSellingSaleMgr = nullptr;
    QAction *mnuSellingFeedback = nullptr;
    QMenu *mnuBrowser = nullptr;
    QAction *mnuBrowserTMROLogin = nullptr;
    QAction *mnuBrowserBack = nullptr;
    QAction *mnuBrowserForward = nullptr;
    QAction *mnuBrowserStop = nullptr;
    QAction *mnuBrowserRefresh = nullptr;
    QMenu *mnuGoTo = nullptr;
    QAction *mnuGotoeBayHome = nullptr;
    QAction *mnuGoToAdvSearch = nullptr;
    QAction *mnuGotoSell = nullptr;
    QAction *mnuGoToMyeBay = nullptr; // a heading, no command
    QAction *mnuGoToMyEbayBidding = nullptr;
    QAction *mnuGoToMyeBaySelling = nullptr;
    QAction *mnuGoToMyeBayFav = nullptr;
    QMenu *mnuHelp = nullptr;
    QAction *mnuHelpFAQ = nullptr;
    QAction *mnuHelpSupport = nullptr;
    QAction *mnuHelpDonate = nullptr;
    QAction *mnuHelpAbout = nullptr;
    QAction *mnuUserTMROLogin = nullptr;
    QAction *mnuUserFeedback = nullptr;
    QAction *mnuUserChange = nullptr;

    // The browser's boxes, bar and padlock (frmmain_browser.cpp).
    QToolBar *CoolBar = nullptr; // the search box's and the address box's bands
    QLineEdit *txtAddress = nullptr;
    QLineEdit *txtSearch = nullptr;
    QLabel *lblBrowserNotification2 = nullptr;
    QPixmap picSecure;

    // The tray window while the program sits in the notification area.
    frmSysTray *TrayIcon = nullptr;

    // Layout (positions in twips).
    void Form_Resize() override;
    void BrowserResize();
    // The splitter's top (twips) as stored by the last drag; before any drag
    // (or for a stored value that does not read), a first height that shows
    // a usable list: about half the window, never less than 2000 twips.
    double StoredSplitterTop() const;
    void mnuViewList_Click();
    void mnuViewListBrowser_Click();
    void mnuViewBrowser_Click();
    void frmResizeList_MouseDown(double Y);
    void frmResizeList_MouseMove(double Y);
    void frmResizeList_MouseUp(double Y);
    void Form_KeyDown(int KeyCode);

    // Tray and status bar.
    void mnuFileTray_Click() override;
    void TrayIcon_Click(const QString &ClickWhat) override;
    void mnuFileChangeUser_Click() override;
    void StatusBar_PanelClick(const QString &key);

    // Menu commands (frmmain_menus.cpp).
    void mnuFileSettings_Click();
    void mnuFileUpdate_Click();
    void mnuFilePrint_Click();
    void mnuFileAffiliate_Click();
    void mnuFileDonate_Click();
    void mnuFileExit_Click();
    void mnuAuctionsAdd_Click();
    void mnuAuctionsWatch_Click();
    void mnuAuctionsRemoveEnded_Click();
    void mnuAuctionsAutoSearch_Click();
    void mnuAuctionsImportOnline_Click();
    void mnuAuctionsExport_Click();
    void mnuAuctionsSync_Click();
    void mnuAuctionsImport_Click();
    void mnuAuctionsRefresh_Click() override;
    void mnuSellingRelist_Click();
    void mnuSellingSaleMgr_Click();
    void mnuSellingFeedback_Click();
    void mnuBrowserTMROLogin_Click();
    void mnuBrowserBack_Click();
    void mnuBrowserForward_Click();
    void mnuBrowserStop_Click();
    void mnuBrowserRefresh_Click();
    void mnuGotoeBayHome_Click();
    void mnuGoToAdvSearch_Click();
    void mnuGotoSell_Click();
    void mnuGoToMyEbayBidding_Click();
    void mnuGoToMyeBaySelling_Click();
    void mnuGoToMyeBayFav_Click();
    void mnuHelpFAQ_Click();
    void mnuHelpSupport_Click();
    void mnuHelpDonate_Click();
    void mnuHelpAbout_Click();
    void mnuUserTMROLogin_Click();
    void mnuUserFeedback_Click();
    void mnuUserChange_Click();

    // The HTML auction list (htmllist.cpp). A template that cannot be read
    // stops the rebuild with a NumberedError, the page left as it was.
    void RebuildHTMLList() override;
    // The list template; empty is "default.tmt" in the program folder.
    // Tests give a copy of their own.
    inline static QString TemplateFile;
    void SyncHTMLList(bool UpdateAll, const QString &strItemNum) override;
    void HTMLList_BeforeNavigate2(const QString &URL, bool &Cancel);

    // Favorites (frmmain_favorites.cpp). BuildFavoritesMenu puts the commands
    // in front of the favorites and gives the "&Favorites" menu for the menu
    // bar; the favorites themselves are mnuFavoritesItems.
    QMenu *BuildFavoritesMenu();
    QAction *mnuFavoritesAdd = nullptr;
    QAction *mnuFavoritesOrganize = nullptr;
    void mnuFavoritesAdd_Click();
    void mnuFavoritesOrganize_Click();
    void mnuFavoritesItems_Click(int Index);
    // Writes "favorites.dat" from the menu.
    void SaveFavorites();
    // True while the menu shows only the disabled "<no favorites>" element.
    bool HasNoFavorites() const;
    // Appends a favorite (into element 0 while there is none).
    void AddFavorite(const QString &caption, const QString &url);
    // Replaces every favorite: (caption, URL) pairs in menu order.
    void SetFavorites(const QList<QPair<QString, QString>> &favorites);
    // The browser's tabs, boxes and toolbar (frmmain_browser.cpp).
    void BrowserTabs_Click(int PreviousTab);
    void cmdCloseTab_Click();
    void txtAddress_GotFocus();
    void txtAddress_KeyPress(int &KeyAscii);
    void txtSearch_GotFocus();
    void txtSearch_KeyPress(int &KeyAscii);
    void txtSearch_LostFocus();
    // Dispatches by key to the menu commands (frmmain_menus.cpp).
    void Toolbar_ButtonClick(const QString &key);

    // The browser's page events (frmmain_pageevents.cpp) and auto scroll (autoscroll.cpp).
    void WebBrowser_BeforeNavigate2(const QString &URL, bool &Cancel);
    void WebBrowser_CommandStateChange(int Command, bool Enable);
    void WebBrowser_DocumentComplete(const QString &URL);
    void WebBrowser_ProgressChange(int Progress, int ProgressMax);
    void WebBrowser_StatusTextChange(const QString &Text);
    bool SignIn();
    void AutoScroll();

    // Geometry of a control in twips, relative to the client area.
    static int TopOf(const QWidget *w);
    static int HeightOf(const QWidget *w);
    static int WidthOf(const QWidget *w);
    static void SetTop(QWidget *w, double twips);
    static void SetHeight(QWidget *w, double twips);
    static void SetWidth(QWidget *w, double twips);
    static void SetLeft(QWidget *w, double twips);
    int InnerWidth() const;
    int InnerHeight() const;

protected:
    frmMain();
    void Form_Load() override;
    bool Form_QueryUnload() override;
    void Form_Unload() override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void buildBrowserBands();
    void connectBrowserEvents();
    QString currentUserPassword() const;
    // Points the browser at `url`; `stopFirst` ends the current load first.
    void openPage(const QString &url, bool stopFirst);
    void buildImageList();
    void prepareStatusBar();
    void prepareToolbar();
    void prepareListView();
    void loadStep(const QString &step, const std::function<void()> &work);
    void putInTray();
    void minimiseWithoutTray();
    void placeOldListView();
    // Has the work under way stop and makes the close again once nothing
    // waits below the top level any more.
    void deferClose();

    QHash<QString, QIcon> m_images;
    bool m_inResize = false;
    bool m_retriedLayout = false;
    bool m_askingToExit = false;
    bool m_shutDown = false;
    bool m_inCloseEvent = false;
};
