#include "foundation/mainformshell.h"

#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/statusbar.h"
#include "platform/toolbar.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>

#include <exception>

namespace {
constexpr int kFreezeStatusSeconds = 3;
QPointer<frmMainShell> g_instance;
std::function<frmMainShell *()> g_factory;
} // namespace

frmMainShell &frmMainShell::instance()
{
    if (!g_instance) {
        frmMainShell *form = g_factory ? g_factory() : new frmMainShell;
        g_instance = form;
        form->Form_Load();
    }
    return *g_instance;
}

bool frmMainShell::isLoaded()
{
    return !g_instance.isNull();
}

void frmMainShell::setFactory(std::function<frmMainShell *()> factory)
{
    g_factory = std::move(factory);
}

bool frmMainShell::hasFactory()
{
    return bool(g_factory);
}

void frmMainShell::destroyInstance()
{
    delete g_instance.data();
    g_instance.clear();
}

frmMainShell::frmMainShell()
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    lvwAuctions = new ListView(this);
    lvwAuctions->hide(); // the list is shown as HTML; the view holds the rows
    HTMLList = new ::WebBrowser(this);
    WebBrowser = new ::WebBrowser(this);
    StatusBar = new ::StatusBar(this);
    setStatusBar(StatusBar);
    Toolbar = new ::Toolbar(this);
    addToolBar(Toolbar);
    ProgressBar = new QProgressBar(StatusBar);
    ProgressBar->setRange(0, 100);
    ProgressBar->setVisible(false);
    Inet = new ::Inet(this);
    tmrTimer = new TickTimer(1000, false, this);
    // Ticks at the start of each second: a snipe's first tick at or after its
    // moment comes within milliseconds of it.
    tmrTimer->setAlignedToClock(true);
    tmrClipboardScan = new TickTimer(1000, false, this);
    tmrLoadProcess = new TickTimer(100, false, this);
    tmrFreezeStatus = new TickTimer(kFreezeStatusSeconds * 1000, false, this);
    connect(tmrFreezeStatus, &TickTimer::Timer, this, &frmMainShell::tmrFreezeStatus_Timer);

    mnuFilter = new QMenu(QStringLiteral("Filter"), this);
    auto filterItem = [this](const QString &caption, bool checked) {
        QAction *a = mnuFilter->addAction(caption);
        a->setCheckable(true);
        a->setChecked(checked);
        return a;
    };
    mnuFilterAll = filterItem(QStringLiteral("All Items"), true);
    mnuFilter->addSeparator();
    mnuFilterActive = filterItem(QStringLiteral("Active"), false);
    mnuFilterEnded = filterItem(QStringLiteral("Ended"), false);
    mnuFilter->addSeparator();
    mnuFilterWatching = filterItem(QStringLiteral("Watching"), false);
    mnuFilterBidding = filterItem(QStringLiteral("Bidding"), false);
    mnuFilterWinning = filterItem(QStringLiteral("Winning/Won"), false);
    mnuFilterLosing = filterItem(QStringLiteral("Losing/Lost"), false);
    mnuFilter->addSeparator();
    mnuFilterMyItems = filterItem(QStringLiteral("Only My Items"), true);

    mnuFavorites = new QMenu(QStringLiteral("F&avorites"), this);
    QAction *none = mnuFavorites->addAction(QStringLiteral("<no favorites>"));
    none->setEnabled(false);
    mnuFavoritesItems << none;
    mnuUser = new QMenu(this);
}

frmMainShell::~frmMainShell() = default;

void frmMainShell::SetStatus(const QString &text, bool force)
{
    if (blnFreezeStatus && !force)
        return;
    StatusBar->Panel(QStringLiteral("Status"))->setText(text);
}

void frmMainShell::SetPanelText(const QString &key, const QString &text)
{
    StatusBar->Panel(key)->setText(text);
}

QString frmMainShell::PanelText(const QString &key) const
{
    return StatusBar->Panel(key)->Text();
}

void frmMainShell::RedrawHTMLList()
{
    try {
        RebuildHTMLList();
    } catch (const std::exception &) {
    }
}

void frmMainShell::FreezeStatus()
{
    blnFreezeStatus = true;
    tmrFreezeStatus->setEnabled(true);
}

void frmMainShell::FreezeStatus(int seconds)
{
    blnFreezeStatus = true;
    tmrFreezeStatus->setInterval(seconds * 1000);
    tmrFreezeStatus->setEnabled(true);
}

void frmMainShell::tmrFreezeStatus_Timer()
{
    tmrFreezeStatus->setEnabled(false);
    tmrFreezeStatus->setInterval(kFreezeStatusSeconds * 1000);
    blnFreezeStatus = false;
}

void frmMainShell::Show()
{
    show();
}

bool frmMainShell::Unload()
{
    if (Form_QueryUnload())
        return false;
    Form_Unload();
    hide();
    if (g_instance == this)
        g_instance.clear();
    deleteLater();
    return true;
}

void frmMainShell::closeEvent(QCloseEvent *event)
{
    // The close box goes through the same shut-down as the menu's Exit.
    if (Form_QueryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
    Form_Unload();
    if (g_instance == this)
        g_instance.clear();
    deleteLater();
}
