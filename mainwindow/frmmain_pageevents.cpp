// What the main window does as its browser loads pages: the address box,
// padlock, captions and TabURLs follow the page; progress and status texts;
// the automatic sign-in on eBay's sign-in page and the online service's
// login page; the item information bar.
#include "mainwindow/frmmain.h"

#include "engine/ebayclock.h"
#include "foundation/ebayuser.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/passwords.h"
#include "mainwindow/frmautosignin.h"
#include "mainwindow/infobar.h"
#include "mainwindow/pagerules.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/statusbar.h"
#include "platform/toolbar.h"
#include "platform/webbrowser.h"

#include <QAction>
#include <QElapsedTimer>
#include <QPointer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabBar>

namespace {

using HostRoles::servedOverHttps;
using Role = HostRoles::Role;

// Shows the notice over the middle of the window whose browser signs in, and
// gives the page half a second before its form is filled.
void showSigningIn(const QWidget &window)
{
    frmAutoSignIn &notice = frmAutoSignIn::instance();
    Desktop::CentreOver(notice, window);
    notice.show();
    Desktop::WaitWithEvents(500);
}

} // namespace

void frmMain::connectBrowserEvents()
{
    connect(WebBrowser, &::WebBrowser::BeforeNavigate2, this, &frmMain::WebBrowser_BeforeNavigate2);
    connect(WebBrowser, &::WebBrowser::CommandStateChange, this, &frmMain::WebBrowser_CommandStateChange);
    connect(WebBrowser, &::WebBrowser::DocumentComplete, this, &frmMain::WebBrowser_DocumentComplete);
    connect(WebBrowser, &::WebBrowser::ProgressChange, this, &frmMain::WebBrowser_ProgressChange);
    connect(WebBrowser, &::WebBrowser::StatusTextChange, this, &frmMain::WebBrowser_StatusTextChange);
}

void frmMain::WebBrowser_BeforeNavigate2(const QString &, bool &)
{
    if (ViewMode == 1)
        mnuViewListBrowser_Click();
}

void frmMain::WebBrowser_CommandStateChange(int, bool)
{
    const QString url = WebBrowser->LocationURL();
    txtAddress->setText(url);
    StatusBar->Panel(QStringLiteral("IEStatus"))->setPicture(PageRules::IsSecureAddress(url) ? picSecure : QPixmap());
    const bool itemPage = PageRules::IsItemAddress(url);
    Toolbar->setEnabled(QStringLiteral("Watch Auction"), itemPage);
    if (mnuAuctionsWatch)
        mnuAuctionsWatch->setEnabled(itemPage);

    // Reading the title waits on the page and lets events run: the window may
    // be unloaded meanwhile, and then nothing more is written to it.
    const QPointer<frmMain> self(this);
    const QString title = WebBrowser->DocumentTitle();
    if (!self)
        return;
    const QString titleText = PageRules::TitleText(title, url);
    setWindowTitle(ViewMode != 1 ? Desktop::AppTitle() + QStringLiteral(" - ") + title : Desktop::AppTitle());
    const int tab = BrowserTabs->currentIndex();
    if (tab < 0)
        return;
    BrowserTabs->setTabText(tab, PageRules::TabCaption(titleText));
    while (TabURLs.size() <= tab)
        TabURLs.append(QString());
    TabURLs[tab] = url;
}

void frmMain::WebBrowser_DocumentComplete(const QString &)
{
    const QString autoScroll = QStringLiteral("Auto Scroll");
    if (Toolbar->Value(autoScroll) == 1) {
        QElapsedTimer waited;
        waited.start();
        while (!WebBrowser->DocumentHTML().toLower().contains(QLatin1String("</body>")) && waited.elapsed() <= 10000)
            Desktop::WaitWithEvents(100);
        AutoScroll();
    }
    frmAutoSignIn::unloadInstance();

    const QString url = WebBrowser->LocationURL();
    const QString html = WebBrowser->DocumentHTML();
    if (PageRules::IsEbaySignInForm(url, html.toLower()) && servedOverHttps(url, Role::SignIn)) {
        showSigningIn(*this);
        SignIn();
    }
    // The service answers a sent login at the same address: only a page that
    // still holds the login form is filled.
    if (PageRules::IsOnlineLoginPage(url) && servedOverHttps(url, Role::VendorSecure)
        && WebBrowser->ElementCount(QStringLiteral("username")) > 0) {
        showSigningIn(*this);
        // The page may have moved on while the notice was waiting.
        if (servedOverHttps(WebBrowser->LocationURL(), Role::VendorSecure)
            && PageRules::IsOnlineLoginPage(WebBrowser->LocationURL())) {
            WebBrowser->Element(QStringLiteral("username")).setValue(CurrentUser);
            WebBrowser->Element(QStringLiteral("pswd")).setValue(currentUserPassword());
            WebBrowser->ClickElement(QStringLiteral("submit"));
        }
    }

    // eBay's clock as the countdown reads it, also before a refresh has
    // measured it.
    const QDateTime ebayNow = EbayClock::EbayNow();
    const QString fieldHtml = InfoBar::IsItemPage(html)
        ? WebBrowser->ExecScript(QStringLiteral("document.documentElement.outerHTML")).toString()
        : QString();
    const InfoBar::Lines bar = InfoBar::Read(html, fieldHtml, url, ebayNow, InfoBar::PayPalLogo());
    if (bar.itemPage) {
        lblBrowserNotification1->setText(bar.line1);
        lblBrowserNotification2->setText(bar.line2);
        lblBrowserNotification1->adjustSize();
        lblBrowserNotification2->adjustSize();
        if (bar.show) {
            BrowserNotification->setVisible(ViewMode != 1);
            SetHeight(BrowserNotification, 480);
            Form_Resize();
        }
    } else {
        BrowserNotification->hide();
        SetHeight(BrowserNotification, 0);
        lblBrowserNotification1->clear();
        lblBrowserNotification2->clear();
        Form_Resize();
    }
}

QString frmMain::currentUserPassword() const
{
    const ListItem *row = FindEbayUser(*frmSettings::instance().lvwUsers, CurrentUser);
    return row ? basGeneral::UnscramblePassword(row->Tag()) : QString();
}

bool frmMain::SignIn()
{
    // Only eBay's own sign-in host, over HTTPS, is given the password.
    if (!servedOverHttps(WebBrowser->LocationURL(), Role::SignIn))
        return false;
    WebBrowser->SetFormField(0, QStringLiteral("userid"), CurrentUser);
    WebBrowser->SetFormField(0, QStringLiteral("pass"), currentUserPassword());
    WebBrowser->SubmitForm(0);
    return true;
}

void frmMain::WebBrowser_ProgressChange(int Progress, int ProgressMax)
{
    if (ViewMode == 1)
        return;
    ProgressBar->setVisible(Progress >= 1 && blnDoneLoading);
    if (Progress > 0 && ProgressMax >= 1 && Progress <= ProgressMax) {
        ProgressBar->setRange(0, 100);
        ProgressBar->setValue(int(double(Progress) / ProgressMax * 100));
    }
}

void frmMain::WebBrowser_StatusTextChange(const QString &Text)
{
    SetPanelText(QStringLiteral("IEStatus"), Text);
}
