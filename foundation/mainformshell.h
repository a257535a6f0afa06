#pragma once

#include "platform/defaultinstance.h"

#include <QDateTime>
#include <QList>
#include <QMainWindow>
#include <QString>

#include <functional>

class Inet;
class ListItem;
class ListView;
class QAction;
class QMenu;
class QProgressBar;
class StatusBar;
class Toolbar;
class TickTimer;
class WebBrowser;

// The main window as every layer below the window itself sees it: its public
// flags and timestamps (the program's shared state), the controls other
// windows read and write, and the procedures they call. The engine adds its
// procedures in a derived class and the main window itself is the most
// derived class; lower layers reach the one instance through instance().
class frmMainShell : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMainShell)

public:
    // The one main window, created (and loaded) on first use by the factory
    // the program registers; without one (tests of a lower layer) a plain
    // shell is made.
    static frmMainShell &instance();
    static bool isLoaded();
    static void setFactory(std::function<frmMainShell *()> factory);
    static bool hasFactory();
    // Destroys the instance at once (tests; the program ends with it).
    static void destroyInstance();

    // Public variables, in their declaration order.
    bool blnAuthorized = false;
    bool blnForceUpdate = false;
    bool blnListLoaded = false;
    QDateTime NextRefreshTime;
    bool blnForceRefresh = false;
    bool blnForceRefreshAll = false;
    ListItem *BidItem = nullptr;
    bool blnItemsEndingSoon = false;
    QDate LastDate;
    int LastWinState = 0;
    bool blnResizingList = false;
    long MousePos = 0;
    bool blnFreezeStatus = false;
    bool blnInetBusy = false;
    bool blnMustExit = false;
    bool blnForceExit = false;
    bool blnListUpdated = false;
    bool blnRefreshEnded = false;
    bool blnExiting = false;
    // A close came while other work waited below it with events running:
    // that work stops at its next step and the close is made again from the
    // top level (frmMain::Form_QueryUnload).
    bool blnCloseDeferred = false;
    bool blnDoneLoading = false;
    bool blnPreventExit = false;
    bool blnBidding = false;
    int ViewMode = 2;
    bool blnShiftPressed = false;
    long lngTimeDiff = 0;
    QString strLastURL;
    QString strLastItemNum;
    QStringList varAltColors;
    bool blnRefreshing = false;
    bool blnCancelRefresh = false;
    bool blnAutoImport = false;
    QDateTime DLTime;
    bool blnFirstRefreshSinceStartup = true;
    QString strLastCB;

    // Controls other windows use.
    ListView *lvwAuctions = nullptr;
    ::WebBrowser *HTMLList = nullptr;
    ::WebBrowser *WebBrowser = nullptr;
    ::StatusBar *StatusBar = nullptr;
    ::Toolbar *Toolbar = nullptr;
    QProgressBar *ProgressBar = nullptr;
    ::Inet *Inet = nullptr;
    TickTimer *tmrTimer = nullptr;
    TickTimer *tmrClipboardScan = nullptr;
    TickTimer *tmrLoadProcess = nullptr;
    TickTimer *tmrFreezeStatus = nullptr;
    QMenu *mnuFilter = nullptr;
    QAction *mnuFilterAll = nullptr;
    QAction *mnuFilterActive = nullptr;
    QAction *mnuFilterEnded = nullptr;
    QAction *mnuFilterWatching = nullptr;
    QAction *mnuFilterBidding = nullptr;
    QAction *mnuFilterWinning = nullptr;
    QAction *mnuFilterLosing = nullptr;
    QAction *mnuFilterMyItems = nullptr;
    QMenu *mnuFavorites = nullptr;
    QList<QAction *> mnuFavoritesItems;
    QMenu *mnuUser = nullptr;

    // Writes a panel's text; the "Status" panel write is skipped while the
    // status is frozen unless `force` is set.
    void SetStatus(const QString &text, bool force = false);
    void SetPanelText(const QString &key, const QString &text);
    QString PanelText(const QString &key) const;

    // Keeps the "Status" panel's message for three seconds, or for `seconds`.
    void FreezeStatus();
    void FreezeStatus(int seconds);

    // Procedures of the main window used by lower layers; the higher layers
    // give them their behaviour.
    virtual void Form_Resize() {}
    virtual void RebuildHTMLList() {}
    // RebuildHTMLList for a command that changed the list: a template that
    // cannot be read leaves the page as it was, and the command goes on to
    // save the list. (The loader lets the error through to its own report.)
    void RedrawHTMLList();
    // Brings the HTML list's rows up to date in place; UpdateAll also paints
    // the backgrounds and rewrites ended rows, strItemNum names a row that is
    // always written (and highlighted with UpdateAll).
    virtual void SyncHTMLList(bool /*UpdateAll*/, const QString & /*strItemNum*/) {}
    virtual void TrayIcon_Click(const QString & /*ClickWhat*/) {}
    virtual void mnuFileTray_Click() {}
    virtual void mnuFileChangeUser_Click() {}
    virtual void mnuAuctionsRefresh_Click() {}
    virtual bool LookForUpdate(bool /*ShowWarnings*/) { return false; }
    // Brings the tracked auctions up to date from eBay: one item, or all;
    // SkipItems runs only the closing steps (the feedback panel).
    virtual void RefreshAuctions(const QString & /*OnlyItemNumber*/, bool /*SkipItems*/, bool /*SkipHTMLSync*/) {}
    // Has a refresh under way stop at its next step.
    virtual void StopRefresh() {}
    // The settings have saved a different "Time Zone": the end times shown
    // and kept in the list file move to it.
    virtual void TimeZoneSaved() {}

    // Shows the window (first use loads it).
    void Show();
    // Asks the window to unload (the shut-down may refuse); true when it did.
    virtual bool Unload();

protected:
    frmMainShell();
    ~frmMainShell() override;

    // Runs once when the instance is first made.
    virtual void Form_Load() {}
    void closeEvent(QCloseEvent *event) override;
    // The shut-down's test; true cancels the unload.
    virtual bool Form_QueryUnload() { return false; }
    virtual void Form_Unload() {}

private:
    void tmrFreezeStatus_Timer();
};

// Short form for lower layers.
inline frmMainShell &MainForm() { return frmMainShell::instance(); }
