// Layout of the main window: the list above the browser, the splitter
// between them, the three view modes and the Esc key. Positions are in twips
// relative to the client area, as the formulas were written.
#include "mainwindow/frmmain.h"

#include "foundation/frmsettings.h"
#include "foundation/settingsstore.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/statusbar.h"
#include "platform/toolbar.h"
#include "platform/webbrowser.h"

#include <QAction>
#include <QCheckBox>
#include <QScopeGuard>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProgressBar>
#include <QTabBar>
#include <QToolButton>

int frmMain::TopOf(const QWidget *w) { return Desktop::PixelsToTwipsY(w->y()); }
int frmMain::HeightOf(const QWidget *w) { return Desktop::PixelsToTwipsY(w->height()); }
int frmMain::WidthOf(const QWidget *w) { return Desktop::PixelsToTwipsX(w->width()); }

// A negative size (a window smaller than the layout's fixed parts) is
// ignored: the control keeps its size.
void frmMain::SetTop(QWidget *w, double twips) { w->move(w->x(), Desktop::TwipsToPixelsY(twips)); }
void frmMain::SetLeft(QWidget *w, double twips) { w->move(Desktop::TwipsToPixelsX(twips), w->y()); }
void frmMain::SetHeight(QWidget *w, double twips)
{
    if (twips >= 0)
        w->resize(w->width(), Desktop::TwipsToPixelsY(twips));
}
void frmMain::SetWidth(QWidget *w, double twips)
{
    if (twips >= 0)
        w->resize(Desktop::TwipsToPixelsX(twips), w->height());
}

// The client area as the layout formulas see it: the status bar (250 twips)
// counts in, so the formulas' fixed offsets hold.
int frmMain::InnerWidth() const { return Desktop::PixelsToTwipsX(Client->width()); }
int frmMain::InnerHeight() const { return Desktop::PixelsToTwipsY(Client->height()) + 250; }

namespace {

// A window that the layout's minimum size applies to (step 1 of Form_Resize).
bool sizedByLayout(const QWidget &window)
{
    return !(window.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
}

// The lowest splitter top (twips) for the window as it is: the drag's limit,
// which keeps the browser more than 100 twips high, and in a window that the
// layout's minimum size applies to, the top below which that rule would make
// the window taller (each layout would then grow it a little more).
double lowestSplitterTop(const frmMain &m)
{
    // BrowserResize puts the notice bar and the browser this far below the splitter's top ...
    const int barBelowSplitter = 150 + frmMain::HeightOf(m.BrowserTabs) - 45;
    const int browserBelowSplitter = barBelowSplitter + frmMain::HeightOf(m.BrowserNotification);
    // ... and makes the browser inner height - its top - 250 high, which must
    // stay above 100; two pixels to spare keep it there once twips become pixels.
    const double spare = 2 * Desktop::TwipsPerPixelY();
    double lowest = m.InnerHeight() - 250 - 100 - browserBelowSplitter - spare;
    if (sizedByLayout(m))
        lowest = std::min(lowest, Desktop::PixelsToTwipsY(m.height()) - 1550 - barBelowSplitter - spare);
    return lowest;
}

} // namespace

void frmMain::Form_Resize()
{
    if (m_inResize)
        return;
    m_inResize = true;
    const auto done = qScopeGuard([this] { m_inResize = false; });

    // 1. Minimum size (a maximised or minimised window keeps its size).
    if (sizedByLayout(*this)) {
        if (Desktop::PixelsToTwipsX(width()) < 5300)
            resize(Desktop::TwipsToPixelsX(5300), height());
        if (TopOf(BrowserNotification) + 1550 > Desktop::PixelsToTwipsY(height()))
            resize(width(), Desktop::TwipsToPixelsY(TopOf(BrowserNotification) + 1550));
    }
    // 2. Widths.
    const int inner = InnerWidth();
    SetWidth(lvwAuctions, inner);
    SetWidth(HTMLList, inner);
    SetWidth(frmResizeList, WidthOf(lvwAuctions));
    SetWidth(WebBrowser, inner);
    SetWidth(BrowserTabs, WidthOf(WebBrowser));
    SetWidth(BrowserNotification, WidthOf(WebBrowser));
    SetLeft(cmdCloseTab, inner - WidthOf(cmdCloseTab));
    // 3. The status bar places its progress bar itself.
    // 4. The view mode.
    switch (ViewMode) {
    case 1:
        HTMLList->show();
        for (QWidget *w : {static_cast<QWidget *>(frmResizeList), static_cast<QWidget *>(BrowserTabs),
                           static_cast<QWidget *>(cmdCloseTab), static_cast<QWidget *>(WebBrowser),
                           static_cast<QWidget *>(BrowserNotification)})
            w->hide();
        SetHeight(HTMLList, InnerHeight() - TopOf(HTMLList) - 250);
        break;
    case 2: {
        for (QWidget *w : {static_cast<QWidget *>(frmResizeList), static_cast<QWidget *>(HTMLList),
                           static_cast<QWidget *>(BrowserTabs), static_cast<QWidget *>(cmdCloseTab),
                           static_cast<QWidget *>(WebBrowser)})
            w->show();
        BrowserNotification->setVisible(HeightOf(BrowserNotification) > 0);
        double top = StoredSplitterTop();
        // The drag's limits hold for the stored place too, which stays as
        // stored: the browser keeps more than 100 twips (and the window is
        // not made taller for the list), a list below 1000 twips is raised
        // to 1000, and in a window too low for both the list keeps its 1000.
        top = std::min(top, lowestSplitterTop(*this));
        SetTop(frmResizeList, std::max(top, 1000.0));
        BrowserResize();
        break;
    }
    case 3:
        frmResizeList->hide();
        HTMLList->hide();
        for (QWidget *w : {static_cast<QWidget *>(BrowserTabs), static_cast<QWidget *>(cmdCloseTab),
                           static_cast<QWidget *>(WebBrowser)})
            w->show();
        BrowserNotification->setVisible(HeightOf(BrowserNotification) > 0);
        SetTop(frmResizeList, TopOf(HTMLList) - 90);
        BrowserResize();
        break;
    default:
        break;
    }
    // 5. The browser fills the rest.
    SetHeight(WebBrowser, InnerHeight() - TopOf(WebBrowser) - 250);
    placeOldListView();
    // 6. Into the tray when minimised with the tray option on.
    if ((windowState() & Qt::WindowMinimized) && frmSettings::instance().chkMinToTray->isChecked())
        mnuFileTray_Click();
    // 7. The last state that was not minimised.
    if (!(windowState() & Qt::WindowMinimized))
        LastWinState = (windowState() & Qt::WindowMaximized) ? 2 : 0;
}

double frmMain::StoredSplitterTop() const
{
    constexpr double kFirstListShare = 0.5;
    bool ok = false;
    const double stored = GetSetting(QStringLiteral("List size"), QString()).toDouble(&ok);
    return ok ? stored : std::max(2000.0, InnerHeight() * kFirstListShare);
}

void frmMain::BrowserResize()
{
    const int splitter = TopOf(frmResizeList);
    SetHeight(HTMLList, splitter - 315);
    SetTop(BrowserTabs, splitter + 150);
    SetTop(BrowserNotification, TopOf(BrowserTabs) + HeightOf(BrowserTabs) - 45);
    SetTop(WebBrowser, TopOf(BrowserTabs) + HeightOf(BrowserTabs) - 45 + HeightOf(BrowserNotification));
    SetHeight(WebBrowser, InnerHeight() - TopOf(WebBrowser) - 250);
    SetTop(cmdCloseTab, TopOf(BrowserNotification) - HeightOf(cmdCloseTab));
    placeOldListView();
    frmResizeList->raise();
    cmdCloseTab->raise();
}

// The plain list view, when shown in place of the HTML list, takes exactly
// the list's place as the layout sets it.
void frmMain::placeOldListView()
{
    lvwAuctions->setGeometry(HTMLList->geometry());
}

void frmMain::frmResizeList_MouseDown(double Y)
{
    blnResizingList = true;
    MousePos = std::lround(Y);
}

void frmMain::frmResizeList_MouseMove(double Y)
{
    if (!blnResizingList)
        return;
    const double d = Y - MousePos;
    if (TopOf(frmResizeList) + d > 1000 && HeightOf(WebBrowser) - d > 100) {
        SetTop(frmResizeList, TopOf(frmResizeList) + d);
        BrowserResize();
    }
}

void frmMain::frmResizeList_MouseUp(double)
{
    blnResizingList = false;
    if (ViewMode == 2)
        SaveSetting(QStringLiteral("List size"), QString::number(TopOf(frmResizeList)));
}

namespace {
void setViewChecks(QAction *list, QAction *both, QAction *browser, int mode)
{
    list->setChecked(mode == 1);
    both->setChecked(mode == 2);
    browser->setChecked(mode == 3);
}
} // namespace

void frmMain::mnuViewList_Click()
{
    setViewChecks(mnuViewList, mnuViewListBrowser, mnuViewBrowser, 1);
    ViewMode = 1;
    if (blnDoneLoading)
        SaveSetting(QStringLiteral("View Mode"), QStringLiteral("1"));
    Form_Resize();
    setWindowTitle(Desktop::AppTitle());
    HTMLList->setFocus();
}

void frmMain::mnuViewListBrowser_Click()
{
    setViewChecks(mnuViewList, mnuViewListBrowser, mnuViewBrowser, 2);
    ViewMode = 2;
    if (blnDoneLoading)
        SaveSetting(QStringLiteral("View Mode"), QStringLiteral("2"));
    Form_Resize();
}

void frmMain::mnuViewBrowser_Click()
{
    setViewChecks(mnuViewList, mnuViewListBrowser, mnuViewBrowser, 3);
    ViewMode = 3;
    if (blnDoneLoading)
        SaveSetting(QStringLiteral("View Mode"), QStringLiteral("3"));
    Form_Resize();
}

void frmMain::Form_KeyDown(int KeyCode)
{
    if (KeyCode != Qt::Key_Escape)
        return;
    if (Toolbar->Value(QStringLiteral("Auto Scroll")) == 1)
        Toolbar->setValue(QStringLiteral("Auto Scroll"), 0);
    if (blnRefreshing)
        blnCancelRefresh = true;
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    frmMainEngine::resizeEvent(event);
    Form_Resize();
}

void frmMain::keyPressEvent(QKeyEvent *event)
{
    Form_KeyDown(event->key());
    frmMainEngine::keyPressEvent(event);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == frmResizeList) {
        const auto y = [&] { return Desktop::PixelsToTwipsY(static_cast<QMouseEvent *>(event)->position().y()); };
        switch (event->type()) {
        case QEvent::MouseButtonPress: frmResizeList_MouseDown(y()); return true;
        case QEvent::MouseMove: frmResizeList_MouseMove(y()); return true;
        case QEvent::MouseButtonRelease: frmResizeList_MouseUp(y()); return true;
        default: break;
        }
    }
    return frmMainEngine::eventFilter(watched, event);
}
