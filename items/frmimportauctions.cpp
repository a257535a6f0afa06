#include "items/frmimportauctions.h"

#include "engine/mainformengine.h"
#include "foundation/basgeneral.h"
#include "foundation/ebayuser.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/pageaccess.h"
#include "foundation/passwords.h"
#include "items/watchedrows.h"
#include "items/watchinglist.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/webbrowser.h"

#include <QDeadlineTimer>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

namespace {

QString signOutPath()
{
    return QStringLiteral("/ws2/eBayISAPI.dll?SignIn&ssPageName=h:h:sout:US");
}

QString signInPath(const QString &user, const QString &password)
{
    return QStringLiteral("/ws/eBayISAPI.dll?co_partnerid=2&siteid=0&UsingSSL=1&MfcISAPICommand=SignInWelcome&siteid=0"
                          "&co_partnerId=2&UsingSSL=1&i1=-1&userid=")
        + basGeneral::UrlEncode(user) + QStringLiteral("&pass=") + basGeneral::UrlEncode(password);
}

QString watchingListPath()
{
    return QStringLiteral("/ws/eBayISAPI.dll?MyEbayBeta&CurrentPage=MyeBayNextWatching&SubmitAction.ItemsPerPageSave=x"
                          "&CustomizedContainer=240&ItemsPerPage=200&View=MYEBAY_NEXT_CONTAINER_CUSTOMIZE"
                          "&ssPageName=STRK:MEWAX:COUNT:200&tagname=&View=WatchingNext");
}

QString currentPassword()
{
    const ListItem *row = FindEbayUser(*frmSettings::instance().lvwUsers, CurrentUser);
    return row ? basGeneral::UnscramblePassword(row->Tag()) : QString();
}

} // namespace

frmImportAuctions::frmImportAuctions()
{
    setWindowTitle(QStringLiteral("Importing Watched Auctions"));
    setModal(true);
    const auto px = [](int twips) { return Desktop::TwipsToPixelsX(twips); };
    const auto py = [](int twips) { return Desktop::TwipsToPixelsY(twips); };
    setFixedSize(px(5400), py(4500));

    Picture1 = new QLabel(this);
    Picture1->setPixmap(style()->standardIcon(QStyle::SP_DriveNetIcon).pixmap(32, 32));
    Picture1->setGeometry(px(120), py(120), px(600), py(600));
    Animation = new QProgressBar(this);
    Animation->setRange(0, 0);
    Animation->setTextVisible(false);
    Animation->setGeometry(px(840), py(240), px(4440), py(240));
    lblStatus = new QLabel(this);
    lblStatus->setGeometry(px(840), py(600), px(4440), py(255));
    WebBrowser = new ::WebBrowser(this);
    WebBrowser->Silent = true;
    WebBrowser->setGeometry(px(120), py(960), px(5160), py(2880));
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(px(3960), py(3960), px(1320), py(375));

    connect(cmdCancel, &QPushButton::clicked, this, &frmImportAuctions::cmdCancel_Click);
}

void frmImportAuctions::ShowModal()
{
    if (isLoaded())
        unloadInstance();
    instance().exec();
}

void frmImportAuctions::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_activated)
        return;
    m_activated = true;
    QTimer::singleShot(0, this, [this] { Form_Activate(); });
}

void frmImportAuctions::reject()
{
    cmdCancel_Click();
}

void frmImportAuctions::cmdCancel_Click()
{
    lblStatus->setText(QStringLiteral("Canceling..."));
    cmdCancel->setEnabled(false);
    blnCancel = true;
}

bool frmImportAuctions::openPage(const QString &url)
{
    QPointer<frmImportAuctions> self(this);
    WebBrowser->Navigate(url);
    const QDeadlineTimer deadline{std::chrono::seconds(PageWaitSeconds)};
    while (self && WebBrowser->ReadyState() != ::WebBrowser::READYSTATE_COMPLETE) {
        // A close waits for the import: it stops here, as a cancel would.
        if (frmMainShell::isLoaded() && frmMainShell::instance().blnCloseDeferred) {
            WebBrowser->Stop();
            return false;
        }
        if (deadline.hasExpired()) {
            WebBrowser->Stop();
            Desktop::MsgBox(QStringLiteral("The eBay page did not load, please try again later"), Desktop::BoxExclamation);
            return false;
        }
        Desktop::WaitWithEvents(20);
    }
    return self;
}

void frmImportAuctions::Form_Activate()
{
    QPointer<frmImportAuctions> self(this);
    blnCancel = false;
    const QString password = currentPassword();

    lblStatus->setText(QStringLiteral("Signing in..."));
    if (!openPage(HostRoles::url(HostRoles::Role::SignIn, signOutPath())) || blnCancel) {
        if (self)
            unloadInstance();
        return;
    }
    // The password travels only over https.
    if (!openPage(HostRoles::url(HostRoles::Role::SignIn, signInPath(CurrentUser, password), true)) || blnCancel) {
        if (self)
            unloadInstance();
        return;
    }
    lblStatus->setText(QStringLiteral("Retrieving list..."));
    if (!openPage(HostRoles::url(HostRoles::Role::MyEbay, watchingListPath())) || blnCancel) {
        if (self)
            unloadInstance();
        return;
    }
    const QStringList numbers = WatchingList::ItemNumbers(WebBrowser->DocumentHTML());

    lblStatus->setText(QStringLiteral("Importing items..."));
    frmMainEngine &main = frmMainEngine::instance();
    // Each row lets events run: the main window may be closing (the close
    // waits for this loop to stop) or, at worst, gone.
    QPointer<frmMainEngine> window(&main);
    for (const QString &number : numbers) {
        basGeneral::WriteHeartbeat();
        if (blnCancel || !window || main.blnCloseDeferred)
            break;
        WatchedRows::AddAndSave(main, number);
        if (!self)
            return;
        Desktop::DoEvents();
        if (!self)
            return;
    }
    if (window)
        main.SaveList(false);
    unloadInstance();
}
