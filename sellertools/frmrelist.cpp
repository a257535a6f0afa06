#include "sellertools/frmrelist.h"

#include "foundation/basgeneral.h"
#include "foundation/ebayuser.h"
#include "foundation/frmsettings.h"
#include "foundation/hostroles.h"
#include "foundation/mainformshell.h"
#include "foundation/pageaccess.h"
#include "foundation/passwords.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"
#include "sellertools/frmrelistitems.h"
#include "sellertools/relistpages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr int kWatchdogSeconds = 120;

} // namespace

frmRelist::frmRelist()
{
    setWindowTitle(QStringLiteral("Relisting Item"));
    setModal(true);
    Label1 = new QLabel(this);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setRange(0, 100);
    Image1 = new QLabel(this);
    Image1->setPixmap(style()->standardPixmap(QStyle::SP_BrowserReload));
    Image1->installEventFilter(this);
    // The browser lies below the window's visible part until the picture is
    // clicked twice; it keeps loading and running pages meanwhile.
    Label1->setGeometry(60, 10, 330, 40);
    Image1->setGeometry(10, 10, 40, 40);
    ProgressBar->setGeometry(10, 60, 380, 20);
    WebBrowser = new ::WebBrowser(this);
    WebBrowser->setGeometry(10, 100, 800, 600);
    setFixedSize(400, 95);

    RelistTimer = new TickTimer(SecondMs * 5 / 2, false, this);
    tmrProgress = new TickTimer(SecondMs, false, this);
    ExpirationTimer = new TickTimer(SecondMs, true, this);
    connect(RelistTimer, &TickTimer::Timer, this, &frmRelist::RelistTimer_Timer);
    connect(tmrProgress, &TickTimer::Timer, this, &frmRelist::tmrProgress_Timer);
    connect(ExpirationTimer, &TickTimer::Timer, this, &frmRelist::ExpirationTimer_Timer);
}

void frmRelist::Form_Load()
{
    blnCancel = blnStep1 = blnStep2 = blnStep3 = blnStep4 = blnStepSkip = false;
    intRelistSec = intSeconds = 0;
    intTotalTime = 55;
    RelistTimer->setEnabled(true);
}

void frmRelist::Form_Unload()
{
    blnCancel = true;
    RelistTimer->setEnabled(false);
    tmrProgress->setEnabled(false);
    ExpirationTimer->setEnabled(false);
    WebBrowser->Stop();
}

void frmRelist::RelistModal(const QString &itemNumber, const QString &title, const QString &user, QWidget *owner)
{
    if (isLoaded())
        unloadInstance();
    frmRelist &w = instance();
    if (owner) {
        w.setParent(owner, w.windowFlags());
        w.setWindowModality(Qt::WindowModal);
    } else {
        w.setWindowModality(Qt::ApplicationModal);
    }
    w.strItemNumber = itemNumber;
    w.strItemTitle = title;
    w.strUser = user;
    w.blnCancel = false;
    w.intRelistSec = 0;
    w.Label1->setText(QStringLiteral("Relisting #") + itemNumber + kCrLf + title);
    // Over the window that started it, never over the menus in a corner.
    Desktop::CentreOver(w, owner ? *owner->window() : static_cast<const QWidget &>(MainForm()));
    QPointer<frmRelist> guard(&w);
    w.exec();
    // Closed by the user before the script ended: nothing more runs for it.
    if (guard && isLoaded() && &instance() == guard)
        unloadInstance();
}

bool frmRelist::wait(int seconds)
{
    basGeneral::WriteHeartbeat();
    QPointer<frmRelist> self(this);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < qint64(seconds) * SecondMs) {
        Desktop::WaitWithEvents(qMin(50, SecondMs));
        if (!self || blnCancel)
            return false;
    }
    return true;
}

QString frmRelist::lowerPage()
{
    return WebBrowser->DocumentHTML().toLower();
}

void frmRelist::RelistTimer_Timer()
{
    QPointer<frmRelist> self(this);
    RelistTimer->setEnabled(false);
    tmrProgress->setEnabled(true);

    WebBrowser->Navigate(
        HostRoles::url(HostRoles::Role::SignIn, QStringLiteral("/ws2/eBayISAPI.dll?SignIn&ssPageName=h:h:sout:US")));
    if (!wait(5))
        return;
    WebBrowser->Silent = true;
    WebBrowser->Navigate(HostRoles::url(HostRoles::Role::SignIn, QStringLiteral("/ws/eBayISAPI.dll?SignIn"), true));
    if (!wait(10))
        return;

    QString page = lowerPage();
    if (RelistPages::IsSignInForm(WebBrowser->LocationURL(), page) && !WebBrowser->Busy()) {
        const ListItem *account = FindEbayUser(*frmSettings::instance().lvwUsers, strUser);
        WebBrowser->SetFormField(QStringLiteral("SignInForm"), QStringLiteral("userid"), strUser);
        WebBrowser->SetFormField(QStringLiteral("SignInForm"), QStringLiteral("pass"),
                                 account ? basGeneral::UnscramblePassword(account->Tag()) : QString());
        WebBrowser->SubmitForm(QStringLiteral("SignInForm"));
    }
    if (!wait(10))
        return;

    page = lowerPage();
    if (RelistPages::ShowsUser(page, strUser) && !blnStep1) {
        blnStep1 = true;
        WebBrowser->Navigate(HostRoles::url(HostRoles::Role::Relist,
                                            QStringLiteral("/ws2/eBayISAPI.dll?SellSimilarItem&item=") + strItemNumber));
    }
    if (!wait(10))
        return;

    page = lowerPage();
    if (RelistPages::IsCatalogPage(page) && !blnStepSkip) {
        intTotalTime = 65;
        blnStepSkip = true;
        QString html = WebBrowser->DocumentHTML();
        QString link = QStringLiteral("Continue listing without using our catalog");
        const QString target = basGeneral::GetLinkHref(link, html);
        if (!target.isEmpty())
            WebBrowser->Navigate(target);
        if (!wait(10))
            return;
        page = lowerPage();
    }
    if (RelistPages::IsCreatePage(page) && !blnStep2) {
        blnStep2 = true;
        WebBrowser->ClickElement(QStringLiteral("aidZ1_btnLbl"));
    }
    if (!wait(10))
        return;

    page = lowerPage();
    if (RelistPages::IsReviewPage(page) && !blnStep3) {
        blnStep3 = true;
        WebBrowser->ClickElement(QStringLiteral("aidZ18"));
        WebBrowser->ClickElement(QStringLiteral("aidZ126"));
    }
    if (!wait(10))
        return;

    page = lowerPage();
    if (!blnStep4) {
        if (const auto newNumber = RelistPages::NewItemNumber(page)) {
            blnStep4 = true;
            if (frmRelistItems::isLoaded())
                if (ListItem *row = frmRelistItems::instance().lvwRelist->FindItem(strItemNumber))
                    row->setText(*newNumber);
            Desktop::DoEvents();
            if (self)
                unloadInstance();
        }
    }
    // Without the confirmation the window stays; the watchdog fails the relist.
}

void frmRelist::tmrProgress_Timer()
{
    ++intSeconds;
    if (intSeconds < intTotalTime) {
        ProgressBar->setValue(intSeconds * 100 / intTotalTime);
    } else {
        ProgressBar->setValue(100);
        tmrProgress->setEnabled(false);
    }
}

void frmRelist::ExpirationTimer_Timer()
{
    ++intRelistSec;
    if (intRelistSec < kWatchdogSeconds)
        return;
    ExpirationTimer->setEnabled(false);
    blnCancel = true;
    frmRelistFailed &failed = frmRelistFailed::instance();
    failed.lblMsg->setText(QStringLiteral("Failed to relist item #") + strItemNumber + kCrLf + strItemTitle);
    Desktop::SetClipboardText(WebBrowser->DocumentHTML());
    hide();
    // Not modal, unless a modal window is open (settings, the schedule):
    // left outside the modal state then, it would take no click or key
    // until that window had closed. A modality takes effect at a showing.
    failed.hide();
    failed.setWindowModality(QApplication::activeModalWidget() ? Qt::ApplicationModal : Qt::NonModal);
    Desktop::CentreOver(failed, MainForm());
    failed.show();
    failed.Command1->setFocus();
    unloadInstance();
}

void frmRelist::Image1_Click()
{
    if (++m_imageClicks >= 2)
        setFixedSize(Desktop::TwipsToPixelsX(8500), Desktop::TwipsToPixelsY(6500));
}

void frmRelist::closeEvent(QCloseEvent *event)
{
    blnCancel = true;
    event->accept();
    unloadInstance();
}

bool frmRelist::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Image1 && event->type() == QEvent::MouseButtonPress)
        Image1_Click();
    return QDialog::eventFilter(watched, event);
}

frmRelistFailed::frmRelistFailed()
{
    setWindowTitle(QStringLiteral("Relist Failed"));
    lblMsg = new QLabel(QStringLiteral("A relist operation has failed"), this);
    Label1 = new QLabel(QStringLiteral("HTML copied to clipboard"), this);
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setDefault(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblMsg);
    layout->addWidget(Label1);
    layout->addWidget(Command1);
    connect(Command1, &QPushButton::clicked, this, [] { unloadInstance(); });
}
