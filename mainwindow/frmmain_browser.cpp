// The browser's tab strip, address and search boxes, and the toolbar's
// dispatch. The tabs share the one WebBrowser: a tab keeps only the address it
// last showed (TabURLs), and switching tabs navigates the browser there.
#include "mainwindow/frmmain.h"

#include "engine/browserseams.h"
#include "engine/itemwindows.h"
#include "foundation/pageaccess.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "mainwindow/pagerules.h"
#include "platform/msgbox.h"
#include "platform/toolbar.h"
#include "platform/webbrowser.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QShortcut>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

const QString kNewTab = QStringLiteral("<new tab>");
const QString kSearchHint = QStringLiteral("<search eBay>");

// Gives a box's key presses (as character codes: 13 Enter, 10 Ctrl+Enter)
// and focus changes to the window's handlers; a handler that sets the code
// to 0 swallows the key.
class BoxEvents final : public QObject
{
public:
    std::function<void(int &)> keyPress;
    std::function<void()> gotFocus;
    std::function<void()> lostFocus;

    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress: {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
                break;
            int code = (key->modifiers() & Qt::ControlModifier) ? 10 : 13;
            if (keyPress)
                keyPress(code);
            return code == 0;
        }
        case QEvent::FocusIn:
            if (gotFocus) {
                // After the line edit's own focus handling, which would undo a selection.
                QTimer::singleShot(0, watched, gotFocus);
            }
            break;
        case QEvent::FocusOut:
            if (lostFocus)
                lostFocus();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }
};

QPixmap padlock()
{
    QPixmap pm(12, 14);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x80, 0x60, 0x10), 1.6));
    p.drawArc(QRectF(2.5, 1, 7, 8), 0, 180 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd4, 0xa0, 0x17));
    p.drawRoundedRect(QRectF(1, 6, 10, 7.5), 1.5, 1.5);
    return pm;
}

} // namespace

void frmMain::buildBrowserBands()
{
    BrowserTabs->addTab(QStringLiteral("Loading..."));
    BrowserTabs->addTab(kNewTab);
    connect(BrowserTabs, &QTabBar::currentChanged, this, [this](int) { BrowserTabs_Click(-1); });
    connect(cmdCloseTab, &QToolButton::clicked, this, &frmMain::cmdCloseTab_Click);

    lblBrowserNotification2 = new QLabel(BrowserNotification);
    lblBrowserNotification2->setTextFormat(Qt::PlainText);
    lblBrowserNotification2->move(6, 17);
    picSecure = padlock();

    // The cool bar's bands after the toolbar: the search box, then the address box.
    CoolBar = new QToolBar(QStringLiteral("Address"), this);
    CoolBar->setObjectName(QStringLiteral("CoolBar"));
    CoolBar->setMovable(false);
    txtSearch = new QLineEdit(kSearchHint, CoolBar);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setMaximumWidth(200);
    CoolBar->addWidget(txtSearch);
    CoolBar->addSeparator();
    CoolBar->addWidget(new QLabel(QStringLiteral("Address: "), CoolBar));
    txtAddress = new QLineEdit(CoolBar);
    txtAddress->setObjectName(QStringLiteral("txtAddress"));
    CoolBar->addWidget(txtAddress);
    addToolBar(Qt::TopToolBarArea, CoolBar);

    auto *address = new BoxEvents(txtAddress);
    address->keyPress = [this](int &k) { txtAddress_KeyPress(k); };
    address->gotFocus = [this] { txtAddress_GotFocus(); };
    txtAddress->installEventFilter(address);
    auto *search = new BoxEvents(txtSearch);
    search->keyPress = [this](int &k) { txtSearch_KeyPress(k); };
    search->gotFocus = [this] { txtSearch_GotFocus(); };
    search->lostFocus = [this] { txtSearch_LostFocus(); };
    txtSearch->installEventFilter(search);

    // Esc reaches the window's key handler also while the page has the focus.
    auto *esc = new QShortcut(QKeySequence(Qt::Key_Escape), WebBrowser, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(esc, &QShortcut::activated, this, [this] { Form_KeyDown(Qt::Key_Escape); });
}

void frmMain::BrowserTabs_Click(int)
{
    const int tab = BrowserTabs->currentIndex();
    if (tab < 0)
        return;
    if (BrowserTabs->tabText(tab) != kNewTab) {
        WebBrowser->Navigate(TabURLs.value(tab));
        WebBrowser->setFocus();
        return;
    }
    // The placeholder becomes a page tab showing the home page.
    cmdCloseTab->setEnabled(true);
    BrowserTabs->setTabText(tab, QStringLiteral("Loading..."));
    const QString home = frmSettings::instance().txtHomepage->text();
    WebBrowser->Navigate(home);
    while (TabURLs.size() < tab + 1)
        TabURLs.append(QString());
    TabURLs.resize(tab + 1);
    TabURLs[tab] = home;
    const QSignalBlocker quiet(BrowserTabs);
    BrowserTabs->addTab(kNewTab);
}

void frmMain::cmdCloseTab_Click()
{
    if (BrowserTabs->count() == 2) {
        mnuViewList_Click();
        return;
    }
    WebBrowser->setFocus();
    {
        // Moving captions and removing the last tab select nothing by themselves.
        const QSignalBlocker quiet(BrowserTabs);
        const int count = BrowserTabs->count();
        for (int i = BrowserTabs->currentIndex(); i < count - 1; ++i) {
            if (i < count - 2 && i + 1 < TabURLs.size())
                TabURLs[i] = TabURLs[i + 1];
            BrowserTabs->setTabText(i, BrowserTabs->tabText(i + 1));
        }
        BrowserTabs->removeTab(count - 1);
        TabURLs.resize(BrowserTabs->count());
    }
    if (BrowserTabs->currentIndex() == BrowserTabs->count() - 1)
        BrowserTabs->setCurrentIndex(BrowserTabs->count() - 2);
    WebBrowser->Navigate(TabURLs.value(BrowserTabs->currentIndex()));
}

void frmMain::txtAddress_GotFocus()
{
    txtAddress->setSelection(0, txtAddress->text().size());
}

void frmMain::txtAddress_KeyPress(int &KeyAscii)
{
    if (KeyAscii != 13 && KeyAscii != 10)
        return;
    const bool wholeName = KeyAscii == 10;
    KeyAscii = 0;
    if (ViewMode == 1)
        mnuViewListBrowser_Click();
    const QString text = txtAddress->text();
    if (wholeName) {
        WebBrowser->Navigate(QStringLiteral("http://www.") + text + QStringLiteral(".com/"));
    } else if (text == QLatin1String("help:contact")) {
        mnuHelpSupport_Click();
        return;
    } else {
        WebBrowser->Navigate(text);
    }
    WebBrowser->setFocus();
}

void frmMain::txtSearch_GotFocus()
{
    if (txtSearch->text() == kSearchHint)
        txtSearch->clear();
    txtSearch->setSelection(0, txtSearch->text().size());
}

void frmMain::txtSearch_LostFocus()
{
    if (txtSearch->text().isEmpty())
        txtSearch->setText(kSearchHint);
}

void frmMain::txtSearch_KeyPress(int &KeyAscii)
{
    if (KeyAscii != 13)
        return;
    KeyAscii = 0;
    if (ViewMode == 1)
        mnuViewListBrowser_Click();
    const QString domain = frmSettings::instance().txteBayDomain->currentText().toLower();
    WebBrowser->Navigate(PageRules::SearchURL(domain, txtSearch->text()));
    WebBrowser->setFocus();
}

void frmMain::Toolbar_ButtonClick(const QString &key)
{
    if (key == QLatin1String("Add Auction")) {
        mnuAuctionsAdd_Click();
    } else if (key == QLatin1String("Watch Auction")) {
        mnuAuctionsWatch_Click();
    } else if (key == QLatin1String("Settings")) {
        mnuFileSettings_Click();
    } else if (key == QLatin1String("Refresh List")) {
        mnuAuctionsRefresh_Click();
    } else if (key == QLatin1String("Filter")) {
        Toolbar->setValue(key, 1);
        QWidget *button = Toolbar->widgetForAction(Toolbar->ButtonByKey(key));
        if (mnuFilter && button) {
            // A chosen filter sets the button through ApplyFilters; a menu closed
            // without a choice leaves the button as the filters stand, so it is
            // never shown pressed while every item is listed.
            connect(
                mnuFilter, &QMenu::aboutToHide, this,
                [this, key] { Toolbar->setValue(key, mnuFilterAll && mnuFilterAll->isChecked() ? 0 : 1); },
                Qt::SingleShotConnection);
            mnuFilter->popup(button->mapToGlobal(QPoint(0, button->height())));
        }
    } else if (key == QLatin1String("Refresh")) {
        mnuBrowserRefresh_Click();
    } else if (key == QLatin1String("Stop")) {
        mnuBrowserStop_Click();
    } else if (key == QLatin1String("Back")) {
        mnuBrowserBack_Click();
    } else if (key == QLatin1String("Forward")) {
        mnuBrowserForward_Click();
    } else if (key == QLatin1String("Auto Scroll")) {
        AutoScroll();
    }
}
