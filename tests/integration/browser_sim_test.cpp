// The main window's browser against the simulator, whose eBay hosts carry
// "ebay." names: tabs, address and search boxes, the toolbar's browser
// buttons, the automatic sign-in, the item information bar and auto scroll.
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"
#include "mainwindow/frmautosignin.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/infobar.h"
#include "platform/listview.h"
#include "platform/statusbar.h"
#include "platform/ticktimer.h"
#include "platform/toolbar.h"
#include "platform/webbrowser.h"
#include "sim/core/simserver.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QApplication>

namespace {

Sim::SimServer &sim()
{
    static Sim::SimServer *server = [] {
        Sim::SimServer::Options options;
        options.ebayHostNames = true;
        return RefreshSim::StartServer(options);
    }();
    return RefreshSim::HostsOf(*server);
}

QString ebayUrl(HostRoles::Role role, const QString &path, bool https = false)
{
    return HostRoles::url(role, path, https);
}

// The main window shown, alice (password `password`) the current user.
frmMain &window(const QString &password = QStringLiteral("pw"))
{
    sim().reset();
    sim().addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    if (frmMainShell::isLoaded())
        frmMainShell::destroyInstance();
    frmSettings &s = frmSettings::instance();
    s.lvwUsers->Clear();
    s.lvwUsers->Add(QStringLiteral("alice"))->setTag(basGeneral::ScramblePassword(password));
    s.txtHomepage->setText(ebayUrl(HostRoles::Role::SiteBase, QStringLiteral("/")));
    CurrentUser = QStringLiteral("alice");
    frmMain &m = frmMain::instance();
    m.tmrLoadProcess->setEnabled(false);
    m.blnDoneLoading = true;
    // The user's zone is the machine's, so eBay's end times read as local ones.
    s.cboTimeZone->setCurrentIndex(s.cboTimeZone->findData(QDateTime::currentDateTime().offsetFromUtc() / 3600));
    SaveSetting(QStringLiteral("Time Zone"), QString::number(s.cboTimeZone->currentIndex()));

    m.resize(1000, 800);
    m.show();
    return m;
}

bool shows(frmMain &m, const QString &part)
{
    return waitFor([&] { return m.WebBrowser->LocationURL().contains(part) && !m.WebBrowser->Busy(); });
}

void open(frmMain &m, const QString &url)
{
    m.WebBrowser->Navigate(url);
    ASSERT_TRUE(shows(m, QUrl(url).path()));
}

int requestsFor(const QString &part, qint64 from = 0)
{
    int n = 0;
    for (const Sim::LogEntry &e : sim().requestLog().since(from))
        n += e.target.contains(part) ? 1 : 0;
    return n;
}

void press(QLineEdit *box, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(box, Qt::Key_Return, modifiers);
}

QString searchWordsShown(frmMain &m)
{
    return m.WebBrowser->Element(QStringLiteral("searchwords")).innerText();
}

} // namespace

TEST(BrowserTabs, TabsKeepTheirPagesAndCaptionsAndClosingFollowsTheStrip)
{
    frmMain &m = window();
    const QString search = ebayUrl(HostRoles::Role::SiteSearch, QStringLiteral("/search/search.dll?MfcISAPICommand=GetResult&query=first"));
    ASSERT_EQ(m.BrowserTabs->tabText(1), "<new tab>");
    open(m, search);
    EXPECT_EQ(TabURLs.value(0), m.WebBrowser->LocationURL());
    EXPECT_EQ(m.BrowserTabs->tabText(0), "first | eBay search");

    // The placeholder opens the home page in a new tab and a new placeholder follows.
    m.BrowserTabs->setCurrentIndex(1);
    ASSERT_TRUE(waitFor([&] { return m.BrowserTabs->count() == 3 && m.WebBrowser->LocationURL().endsWith("/") && !m.WebBrowser->Busy(); }));
    EXPECT_EQ(m.BrowserTabs->tabText(2), "<new tab>");
    ASSERT_TRUE(waitFor([&] { return m.BrowserTabs->tabText(1) != "Loading..."; }));
    const QString home = m.WebBrowser->LocationURL();

    m.BrowserTabs->setCurrentIndex(0);
    ASSERT_TRUE(shows(m, "query=first"));
    m.BrowserTabs->setCurrentIndex(1);
    ASSERT_TRUE(waitFor([&] { return m.WebBrowser->LocationURL() == home && !m.WebBrowser->Busy(); }));

    // Closing the first page tab while it is current leaves the second one, shown.
    m.BrowserTabs->setCurrentIndex(0);
    ASSERT_TRUE(shows(m, "query=first"));
    m.cmdCloseTab_Click();
    EXPECT_EQ(m.BrowserTabs->count(), 2);
    EXPECT_EQ(m.BrowserTabs->currentIndex(), 0);
    EXPECT_EQ(m.BrowserTabs->tabText(1), "<new tab>");
    ASSERT_TRUE(waitFor([&] { return m.WebBrowser->LocationURL() == home && !m.WebBrowser->Busy(); }));
    EXPECT_EQ(TabURLs.value(0), home);

    // The last page tab stays: the window shows the list alone instead.
    m.cmdCloseTab_Click();
    EXPECT_EQ(m.ViewMode, 1);
    EXPECT_EQ(m.BrowserTabs->count(), 2);
    EXPECT_EQ(TabURLs.value(0), home);
}

TEST(BrowserTabs, ClosingTheLastPageTabShowsTheOneBeforeIt)
{
    frmMain &m = window();
    open(m, ebayUrl(HostRoles::Role::SiteSearch, QStringLiteral("/search/search.dll?MfcISAPICommand=GetResult&query=one")));
    m.BrowserTabs->setCurrentIndex(1);
    ASSERT_TRUE(waitFor([&] { return m.BrowserTabs->count() == 3 && !m.WebBrowser->Busy() && m.WebBrowser->LocationURL().endsWith("/"); }));
    m.cmdCloseTab_Click();
    EXPECT_EQ(m.BrowserTabs->count(), 2);
    EXPECT_EQ(m.BrowserTabs->currentIndex(), 0);
    EXPECT_TRUE(shows(m, "query=one"));
}

TEST(BrowserBoxes, AddressBoxFollowsThePageAndItsKeysNavigate)
{
    frmMain &m = window();
    QStringList navigations;
    QObject::connect(m.WebBrowser, &WebBrowser::BeforeNavigate2, [&](const QString &url, bool &) { navigations << url; });

    // Enter goes to the text as typed, and the box follows a clicked link.
    m.txtAddress->setText(ebayUrl(HostRoles::Role::SiteSearch, QStringLiteral("/search/search.dll?MfcISAPICommand=GetResult&query=x")));
    m.mnuViewList_Click();
    press(m.txtAddress);
    EXPECT_EQ(m.ViewMode, 2);
    ASSERT_TRUE(shows(m, "query=x"));
    EXPECT_EQ(m.txtAddress->text(), m.WebBrowser->LocationURL());
    sim().items().add(Sim::SimItem{});
    open(m, ebayUrl(HostRoles::Role::SiteSearch, QStringLiteral("/search/search.dll?MfcISAPICommand=GetResult&query=")));
    m.WebBrowser->ExecScript(QStringLiteral("document.querySelector('div.result a').click()"));
    ASSERT_TRUE(shows(m, "ViewItem"));
    EXPECT_EQ(m.txtAddress->text(), m.WebBrowser->LocationURL());
    EXPECT_TRUE(m.Toolbar->Enabled("Watch Auction"));

    // Ctrl+Enter makes a whole name of a word; "help:contact" opens the support page.
    navigations.clear();
    m.txtAddress->setText("example");
    press(m.txtAddress, Qt::ControlModifier);
    ASSERT_FALSE(navigations.isEmpty());
    EXPECT_EQ(navigations.first(), "http://www.example.com/");
    m.WebBrowser->Stop();
    navigations.clear();
    m.txtAddress->setText("help:contact");
    press(m.txtAddress);
    ASSERT_EQ(navigations.size(), 1);
    EXPECT_TRUE(navigations.first().startsWith(HostRoles::url(HostRoles::Role::Vendor, "/contact.asp?user=alice&build=0&int=")))
        << qPrintable(navigations.first());
}

TEST(BrowserBoxes, SearchLandsOnTheResultsWithTheWordsIntactAndTheHintComesBack)
{
    frmMain &m = window();
    m.txtSearch->setFocus();
    ASSERT_TRUE(waitFor([&] { return m.txtSearch->text().isEmpty(); }));
    m.txtSearch->setText("red & blue #2 +50% off");
    press(m.txtSearch);
    ASSERT_TRUE(shows(m, "GetResult"));
    EXPECT_EQ(searchWordsShown(m), "red & blue #2 +50% off");
    m.txtAddress->setFocus();
    m.txtSearch->setText("");
    m.txtSearch->setFocus();
    m.txtAddress->setFocus();
    EXPECT_EQ(m.txtSearch->text(), "<search eBay>");
}

TEST(BrowserButtons, BackForwardStopAndRefreshWorkTheBrowser)
{
    frmMain &m = window();
    const QString a = ebayUrl(HostRoles::Role::SiteSearch, QStringLiteral("/search/search.dll?MfcISAPICommand=GetResult&query=a"));
    const QString b = ebayUrl(HostRoles::Role::SiteSearch, QStringLiteral("/search/search.dll?MfcISAPICommand=GetResult&query=b"));
    open(m, a);
    open(m, b);
    m.Toolbar_ButtonClick("Back");
    ASSERT_TRUE(shows(m, "query=a"));
    m.Toolbar_ButtonClick("Forward");
    ASSERT_TRUE(shows(m, "query=b"));
    const qint64 mark = sim().requestLog().nextIndex();
    m.Toolbar_ButtonClick("Refresh");
    ASSERT_TRUE(waitFor([&] { return requestsFor("query=b", mark) == 1 && !m.WebBrowser->Busy(); }));

    sim().faults().add(Sim::FaultRule{"query=slow", Sim::FaultMode::Hang, 0, 1});
    m.WebBrowser->Navigate(ebayUrl(HostRoles::Role::SiteSearch, QStringLiteral("/search/search.dll?MfcISAPICommand=GetResult&query=slow")));
    ASSERT_TRUE(m.WebBrowser->Busy());
    m.Toolbar_ButtonClick("Stop");
    EXPECT_TRUE(waitFor([&] { return !m.WebBrowser->Busy(); }));
}

TEST(BrowserSignIn, TheSignInPageIsFilledOnceOnEbaysSecureHostOnly)
{
    frmMain &m = window();
    // The sign-in host over HTTPS: filled and sent once, and the user is in.
    open(m, ebayUrl(HostRoles::Role::SignIn, QStringLiteral("/ws/eBayISAPI.dll?SignIn"), true));
    ASSERT_TRUE(waitFor([&] { return requestsFor("SignInWelcome") == 1 && m.WebBrowser->DocumentTitle() == "My eBay: Summary"; }));
    EXPECT_TRUE(requestsFor("userid=alice&pass=pw"));
    EXPECT_TRUE(waitFor([&] { return !frmAutoSignIn::isLoaded(); }));

    // A look-alike host and the plain-HTTP copy of the page are left alone.
    const QUrl secure(ebayUrl(HostRoles::Role::SignIn, QStringLiteral("/ws/eBayISAPI.dll?SignIn"), true));
    QUrl lookAlike = secure;
    lookAlike.setHost(Sim::SimServer::lookAlikeHost());
    open(m, lookAlike.toString());
    EXPECT_FALSE(m.SignIn()) << "not on the sign-in host";
    open(m, ebayUrl(HostRoles::Role::SignIn, QStringLiteral("/ws/eBayISAPI.dll?SignIn"), false));
    // Once more on the real page: the count grows by that one only.
    open(m, secure.toString());
    ASSERT_TRUE(waitFor([&] { return requestsFor("SignInWelcome") == 2; }));
    EXPECT_EQ(requestsFor("SignInWelcome"), 2);
    EXPECT_EQ(RefreshSim::PasswordsInTheClear(sim().requestLog().since(0)), QStringList());
}

TEST(BrowserSignIn, APageReportingAWrongPasswordIsNotFilledAgain)
{
    frmMain &m = window(QStringLiteral("wrong"));
    open(m, ebayUrl(HostRoles::Role::SignIn, QStringLiteral("/ws/eBayISAPI.dll?SignIn"), true));
    ASSERT_TRUE(waitFor([&] { return m.WebBrowser->DocumentHTML().contains("incorrect"); }));
    // The rejected page's own completion has run: the notice is gone.
    ASSERT_TRUE(waitFor([&] { return !frmAutoSignIn::isLoaded() && !m.WebBrowser->Busy(); }));
    open(m, ebayUrl(HostRoles::Role::SiteBase, QStringLiteral("/")));
    EXPECT_EQ(requestsFor("SignInWelcome"), 1);
}

TEST(BrowserSignIn, TheOnlineServiceLoginIsFilledOnItsSecureHostAndNotAfterAFailure)
{
    frmMain &m = window();
    sim().online().addAccount(Sim::OnlineAccount{"alice", "pw", "Alice", "a@x.org", {}});
    open(m, HostRoles::url(HostRoles::Role::VendorSecure, QStringLiteral("/online/login.asp"), true));
    ASSERT_TRUE(waitFor([&] { return requestsFor("/online/login.asp") >= 2 && !m.WebBrowser->Busy(); }));
    EXPECT_FALSE(m.WebBrowser->LocationURL().contains("error="));

    const qint64 mark = sim().requestLog().nextIndex();
    open(m, HostRoles::url(HostRoles::Role::VendorSecure, QStringLiteral("/online/login.asp?error=1"), true));
    open(m, HostRoles::url(HostRoles::Role::VendorSecure, QStringLiteral("/online/login.asp"), false));
    EXPECT_EQ(requestsFor("/online/login.asp", mark), 2) << "only the two pages themselves";
    EXPECT_EQ(RefreshSim::PasswordsInTheClear(sim().requestLog().since(0)), QStringList());
}

TEST(BrowserSignIn, TheNoticeSitsOverTheWindowAndGoesOnceTheServiceHasLoggedTheUserIn)
{
    frmMain &m = window();
    m.move(150, 120);
    sim().online().addAccount(Sim::OnlineAccount{"alice", "pw", "Alice", "a@x.org", {}});
    QRect noticeAt;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (noticeAt.isNull() && frmAutoSignIn::isLoaded() && frmAutoSignIn::instance().isVisible())
            noticeAt = frmAutoSignIn::instance().geometry();
    });
    look.start(20);
    // Counted after the window's own handler has run for the same page.
    int loginPagesDone = 0;
    QObject::connect(m.WebBrowser, &WebBrowser::DocumentComplete, &look,
                     [&](const QString &url) { loginPagesDone += url.contains("/online/login.asp") ? 1 : 0; });

    m.WebBrowser->Navigate(HostRoles::url(HostRoles::Role::VendorSecure, QStringLiteral("/online/login.asp"), true));
    // The login form, then the account page the sent form leads to (same address).
    ASSERT_TRUE(waitFor([&] { return loginPagesDone >= 2; }));
    EXPECT_TRUE(m.WebBrowser->DocumentHTML().contains("Logged in as alice"));
    EXPECT_FALSE(frmAutoSignIn::isLoaded()) << "the sign-in is done; nothing is left to fill";

    ASSERT_FALSE(noticeAt.isNull()) << "shown while the form was filled";
    EXPECT_TRUE(m.geometry().contains(noticeAt)) << "over the main window, not in a corner of the screen";
    EXPECT_LE((noticeAt.center() - m.geometry().center()).manhattanLength(), 4);
}

TEST(BrowserPageEvents, TheInformationBarShowsTheItemAndHidesElsewhere)
{
    frmMain &m = window();
    Sim::SimItem item;
    item.seller = QStringLiteral("bobsells");
    item.feedbackScore = 321;
    item.feedbackPercent = 99.5;
    item.price = 12.5;
    item.bids = 3;
    item.quantity = 4;
    item.endsAt = QDateTime::currentDateTimeUtc().addSecs(2 * 3600 + 600);
    const QString number = sim().items().add(item);
    open(m, ebayUrl(HostRoles::Role::Item, QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + number));
    ASSERT_TRUE(waitFor([&] { return m.BrowserNotification->isVisible(); }));
    EXPECT_EQ(m.lblBrowserNotification1->text(), "Seller: bobsells (Feedback: 321; 99.5% Positive)");
    EXPECT_TRUE(m.lblBrowserNotification2->text().startsWith("Time Left: 2 h 9 m") || m.lblBrowserNotification2->text().startsWith("Time Left: 2 h 10 m"))
        << qPrintable(m.lblBrowserNotification2->text());
    EXPECT_TRUE(m.lblBrowserNotification2->text().endsWith(" - Current Bid: US $12.50 - Qty. Available: 4"))
        << qPrintable(m.lblBrowserNotification2->text());
    EXPECT_EQ(frmMain::HeightOf(m.BrowserNotification), 480);

    open(m, ebayUrl(HostRoles::Role::SiteBase, QStringLiteral("/")));
    ASSERT_TRUE(waitFor([&] { return !m.BrowserNotification->isVisible(); }));
    EXPECT_EQ(m.lblBrowserNotification1->text(), "");
    EXPECT_FALSE(m.Toolbar->Enabled("Watch Auction"));
}

namespace {

// Six results, two pages; scrolling as fast as the settings allow.
void resultsOfTwoPages(frmMain &m, int speed)
{
    for (int i = 0; i < 6; ++i) {
        Sim::SimItem item;
        item.title = QStringLiteral("gadget %1").arg(i);
        item.endsAt = QDateTime::currentDateTimeUtc().addDays(1);
        sim().items().add(item);
    }
    frmSettings::instance().sliScrollSpeed->setValue(speed);
    frmSettings::instance().sliScrollFPS->setValue(30);
    open(m, ebayUrl(HostRoles::Role::SiteSearch, QStringLiteral("/search/search.dll?MfcISAPICommand=GetResult&query=gadget")));
    ASSERT_GT(m.WebBrowser->BodyScrollHeight(), m.WebBrowser->BodyClientHeight());
}

} // namespace

TEST(BrowserAutoScroll, ScrollsToTheBottomOpensTheNextPageAndStopsAtTheLast)
{
    frmMain &m = window();
    resultsOfTwoPages(m, 300);
    m.Toolbar->setValue("Auto Scroll", 1);
    m.Toolbar_ButtonClick("Auto Scroll");
    ASSERT_TRUE(waitFor([&] { return m.Toolbar->Value("Auto Scroll") == 0; }, 60000));
    EXPECT_TRUE(m.WebBrowser->LocationURL().contains("fgtp=2")) << qPrintable(m.WebBrowser->LocationURL());
    EXPECT_TRUE(m.WebBrowser->DocumentHTML().contains("<B>Page 2</B> of 2"));
    EXPECT_EQ(m.WebBrowser->BodyScrollTop() + m.WebBrowser->BodyClientHeight(), m.WebBrowser->BodyScrollHeight());
    EXPECT_EQ(m.PanelText("IEStatus"), "");
}

TEST(BrowserAutoScroll, EscWhileThePageHasTheFocusStopsWithoutMovingOn)
{
    frmMain &m = window();
    resultsOfTwoPages(m, 10);
    m.WebBrowser->setFocus();
    m.Toolbar->setValue("Auto Scroll", 1);
    QTimer::singleShot(400, [&] {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : m.WebBrowser;
        QTest::keyClick(target, Qt::Key_Escape);
    });
    m.Toolbar_ButtonClick("Auto Scroll");
    EXPECT_EQ(m.Toolbar->Value("Auto Scroll"), 0);
    EXPECT_FALSE(m.WebBrowser->LocationURL().contains("fgtp="));
    EXPECT_EQ(m.PanelText("IEStatus"), "Auto scrolling, press ESC to stop");
}
