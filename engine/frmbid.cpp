// The bid window itself: its controls, the bid windows under way, and how
// a window closes and unloads.
#include "engine/frmbid.h"

#include "engine/bidstate.h"
#include "engine/frmbid_run.h"
#include "engine/frmfailurereport.h"
#include "engine/onerowperitem.h"
#include "foundation/basgeneral.h"
#include "foundation/timetext.h"
#include "platform/ansi.h"
#include "platform/desktop.h"
#include "platform/inet.h"
#include "platform/numberederror.h"
#include "platform/privatefile.h"
#include "platform/ticktimer.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cmath>

using namespace basGeneral;
using namespace BidRun;

const QString frmBid::kCookiesBlocked = QStringLiteral("web browser settings are blocking cookies");
const QString frmBid::kPasswordIncorrect = QStringLiteral("password is incorrect");
const QString frmBid::kEnterNumbers = QStringLiteral("Enter the numbers that you see");
const QString frmBid::kEndedMarker = QStringLiteral(">Ended:</");
const QString frmBid::kCurrencyNotice =
    QStringLiteral("Importation of currency into your country may be subject to certain restrictions");
const QString frmBid::kOutbid = QStringLiteral("Another bidder placed a higher maximum bid");
const QString frmBid::kPurchaseConfirmed = QStringLiteral("You committed to buy this item");

namespace {

constexpr int kRequestTimeoutSeconds = 30;
// The windows counted in ActiveRuns().
QList<frmBid *> g_runs;

} // namespace

frmBid::frmBid()
{
    setWindowTitle(QStringLiteral("Bid Progress"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);

    InetBid = new ::Inet(this);
    InetBid->RequestTimeout = kRequestTimeoutSeconds;

    const QIcon info = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    const QIcon warn = style()->standardIcon(QStyle::SP_MessageBoxWarning);

    Image1 = new QLabel(this);
    Image1->setPixmap(info.pixmap(32, 32));
    lblStatus = new QLabel(QStringLiteral("Signing in..."), this);
    lblNoAccess = new QLabel(QStringLiteral("Do not access the eBay website during this process"), this);

    Image2 = new QLabel(this);
    Image2->setPixmap(warn.pixmap(32, 32));
    Label1 = new QLabel(QStringLiteral("Your bid was not accepted by eBay"), this);
    Image3 = new QLabel(this);
    Image3->setPixmap(info.pixmap(16, 16));
    Label3 = new QLabel(QStringLiteral("The reason for this is listed below:"), this);
    txtDetails = new QPlainTextEdit(this);
    txtDetails->setReadOnly(true);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setEnabled(false);
    for (QLabel *text : {lblStatus, lblNoAccess, Label1, Label3})
        text->setWordWrap(true);
    connect(cmdClose, &QPushButton::clicked, this, &frmBid::cmdClose_Click);

    closeTimer = new TickTimer(1000, false, this);
    connect(closeTimer, &TickTimer::Timer, this, &frmBid::closeTimer_Timer);

    m_confirmTimer = new QTimer(this);
    m_confirmTimer->setSingleShot(true);
    m_confirmTimer->setTimerType(Qt::PreciseTimer);
    connect(m_confirmTimer, &QTimer::timeout, this, &frmBid::ConfirmationDue);

    setFixedWidth(Desktop::TwipsToPixelsX(kWidthTwips));
    SetHeightTwips(kHeightTwips);
}


frmBid::~frmBid()
{
    if (m_counted)
        g_runs.removeOne(this);
    // Gone before its confirmation, no bid of this window's went out; gone
    // while its reply was awaited, it may have.
    const BidState::State state = BidState::Of(ItemNumber);
    if (state == BidState::State::Preparing || state == BidState::State::Prepared)
        BidState::Move(ItemNumber, BidState::State::Failed);
    else if (state == BidState::State::Sending && RunFor(ItemNumber) == nullptr)
        BidState::Move(ItemNumber, BidState::State::SentUnknown);
    // Gone while its confirmation waited: no step of the run will follow.
    if (m_confirmTimer->isActive())
        ReleaseBidding(this);
}

int frmBid::ActiveRuns()
{
    return int(g_runs.size());
}

bool frmBid::OtherRunsCounted(const frmBid *self)
{
    return std::any_of(g_runs.cbegin(), g_runs.cend(), [self](const frmBid *form) { return form != self; });
}

bool frmBid::AnotherRunUnderWay() const
{
    return std::any_of(g_runs.cbegin(), g_runs.cend(), [this](const frmBid *form) { return form != this && form->m_running; });
}

frmBid *frmBid::RunFor(const QString &itemNumber)
{
    for (frmBid *form : std::as_const(g_runs))
        if (form->ItemNumber == itemNumber)
            return form;
    return nullptr;
}

void frmBid::Start()
{
    // The row it was started for, whatever else is listed under its number later.
    if (BidItem && m_rowKey == 0)
        m_rowKey = OneRowPerItem::RowKey(*BidItem);
    if (!m_counted) {
        m_counted = true;
        g_runs.append(this);
    }
    show();
    QMetaObject::invokeMethod(this, &frmBid::Form_Activate, Qt::QueuedConnection);
}

void frmBid::EbaysClockMoved()
{
    for (frmBid *form : std::as_const(g_runs))
        if (form->m_confirmTimer->isActive())
            form->m_confirmTimer->start(0);
}

int frmBid::RoundLeadTime(double seconds)
{
    // The default rounding mode sends a half to the even neighbour.
    return int(std::nearbyint(seconds));
}

int frmBid::ClampLeadTime(int seconds)
{
    return std::clamp(seconds, 3, 30);
}

void frmBid::Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    closeTimer->setEnabled(false);
    hide();
    // A run under way finishes first; it deletes the window when it ends.
    if (!m_running)
        deleteLater();
}

void frmBid::closeEvent(QCloseEvent *event)
{
    // The close box unloads like the Close button, but not in the middle of
    // a bid: the transfer under way must not be torn down.
    event->ignore();
    if (!m_running)
        Unload();
}

void frmBid::reject()
{
    if (!m_running)
        Unload();
}

void frmBid::cmdClose_Click()
{
    Unload();
}

void frmBid::closeTimer_Timer()
{
    --CloseTime;
    if (CloseTime < 1) {
        closeTimer->setEnabled(false);
        Unload();
        return;
    }
    setWindowTitle(QStringLiteral("Bid Complete (Closing in ") + FormatMinSec(CloseTime) + QStringLiteral(")"));
}

void frmBid::Form_Activate()
{
    // Once per window. A later call neither starts a second run nor touches
    // the transfer of the run under way.
    if (HasActivated)
        return;
    HasActivated = true;
    RunFlow();
}

void frmBid::ShowFailure(const QString &reason)
{
    lblNoAccess->hide();
    lblStatus->setText(QStringLiteral("An error has occured"));
    txtDetails->setPlainText(reason);
    SetHeightTwips(kFailureHeightTwips);
    cmdClose->setEnabled(true);
}

void frmBid::HandToFailureReport()
{
    frmFailureReport &report = frmFailureReport::instance();
    report.strUsername = UserName;
    report.strItemNumber = ItemNumber;
    report.strResultSignOut = strResultSignOut;
    report.strResultSignIn = strResultSignIn;
    report.strResultSendBid = strResultSendBid;
    report.strResultConfirmBid = strResultConfirmBid;
    report.Show();
}

void frmBid::FinishRun()
{
    m_running = false;
    if (m_counted) {
        m_counted = false;
        g_runs.removeOne(this);
    }
    // The last run to end takes the flag down, also where each released it
    // while another was still under way.
    if (g_runs.isEmpty())
        ReleaseBidding(this);
    emit RunEnded();
    if (m_unloaded)
        deleteLater();
}

void frmBid::SaveData(const QString &Data, const QString &filename)
{
    const QString path = DataFolder() + filename;
    // Written beside the old file and renamed over it: a process ended
    // half-way leaves the previous file whole.
    QSaveFile file(path);
    if (!PrivateFile::open(file))
        throw NumberedError(ErrorNumber::PathNotFound, QStringLiteral("Path not found: ") + path);
    const QByteArray bytes = Ansi::encode(Data + QStringLiteral("\r\n"));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw NumberedError(ErrorNumber::PermissionDenied, QStringLiteral("Permission denied: ") + path);
}
