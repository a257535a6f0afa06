#include "engine/frmbid.h"

#include "engine/bidrecord.h"
#include "engine/bidreply.h"
#include "engine/bidrequests.h"
#include "foundation/ebaysignin.h"
#include "engine/frmfailurereport.h"
#include "engine/mainformengine.h"
#include "engine/sendonce.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/pageaccess.h"
#include "foundation/settingsstore.h"
#include "foundation/timetext.h"
#include "platform/ansi.h"
#include "platform/desktop.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/privatefile.h"
#include "platform/numberederror.h"
#include "platform/ticktimer.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QSaveFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTime>
#include <QTimer>

#include <cmath>
#include <limits>

using namespace basGeneral;

const QString frmBid::kCookiesBlocked = QStringLiteral("web browser settings are blocking cookies");
const QString frmBid::kPasswordIncorrect = QStringLiteral("password is incorrect");
const QString frmBid::kEnterNumbers = QStringLiteral("Enter the numbers that you see");
const QString frmBid::kEndedMarker = QStringLiteral(">Ended:</");
const QString frmBid::kCurrencyNotice =
    QStringLiteral("Importation of currency into your country may be subject to certain restrictions");
const QString frmBid::kOutbid = QStringLiteral("Another bidder placed a higher maximum bid");

namespace {

const QString kBidLog = QStringLiteral("logbids.txt");
constexpr int kRetryLimit = 5;
constexpr int kRetryWaitMs = 1000;
constexpr int kRequestTimeoutSeconds = 30;
constexpr int kCloseCountdown = 60;
constexpr int kPlaceBidRequestLimit = 7; // the retry count up to which PlaceBid asks again
constexpr qint64 kRowLookMs = 500;       // how often a waiting snipe looks at its row

// The window was destroyed while its run waited for a page.
struct WindowGone
{
};

// A bid log line; a log that cannot be written never stops a bid.
void LogBid(const QString &line)
{
    try {
        WriteLog(kBidLog, line);
    } catch (const NumberedError &) {
    }
}

// The program-wide bidding flag goes down; the main window may already be
// gone when a bid ends during the shut-down.
void ReleaseBidding()
{
    if (frmMainShell::isLoaded())
        MainForm().blnBidding = false;
}

// Seconds since midnight, as the run's start is kept in sngLeadTimeStart.
float SecondsSinceMidnight()
{
    return float(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f;
}

// A failure row: the marker that picks it, and what the window shows.
struct FailureRow
{
    QStringList anyOf;     // one of these must be in the page
    QString alsoRequired;  // and this one too (when set)
    QString title;
    QString reason;
    QString logLine;       // written to the bid log when the row holds (when set)
};

bool RowHolds(const FailureRow &row, const BidReply &page)
{
    bool any = false;
    for (const QString &marker : row.anyOf)
        any = any || page.says(marker);
    return any && (row.alsoRequired.isEmpty() || page.says(row.alsoRequired));
}

// The preparation page's known failures (the cookie page and a plain
// ">Ended:</" are handled beside them).
const QList<FailureRow> &PreparationFailures()
{
    static const QList<FailureRow> rows = {
        {{QStringLiteral(">This listing was ended by the seller")}, {}, QStringLiteral("Auction Ended"),
         QStringLiteral("The auction was ended early by the seller"), QStringLiteral("Auction ended by seller, signing out")},
        {{QStringLiteral(" - Invalid Item</")}, {}, QStringLiteral("Auction Invalid"),
         QStringLiteral("This auction is invalid, it may have been removed by eBay"), QStringLiteral("Auction invalid, signing out")},
        {{QStringLiteral(">This Buy It Now listing has ended.")}, {}, QStringLiteral("Auction Ended"),
         QStringLiteral("Auction ended with Buy it Now"), QStringLiteral("Auction ended with Buy It Now, signing out")},
        {{QStringLiteral("this item is restricted for export by the U.S. Department of State (DOS)")}, {},
         QStringLiteral("Item Restricted"), QStringLiteral("This item is restricted for export by the U.S. Department of State (DOS)"),
         QStringLiteral("Auction restricted by US DOS, signing out")},
    };
    return rows;
}

// eBay took the bid but another bidder's maximum is higher: the user was
// outbid, nothing went wrong.
const FailureRow &OutbidRow()
{
    static const FailureRow row{{frmBid::kOutbid}, {}, QStringLiteral("You've Been Outbid"),
                                QStringLiteral("Another bidder placed a higher maximum bid or placed the same maximum bid before you did."),
                                QStringLiteral("Bidding, failed: Other bidder higher")};
    return row;
}

// The bid is below the smallest one eBay takes now.
const FailureRow &TooLowRow()
{
    static const FailureRow row{{QStringLiteral(" or more</div>"), QStringLiteral("<b>or more</b>)</div>")}, QStringLiteral(">error</b>"),
                                QStringLiteral("Bid Too Low"), QStringLiteral("Your bid was not high enough to outbid the highest bidder"),
                                QStringLiteral("Bidding, failed: Bid too low")};
    return row;
}

// The confirmation reply's known failures, in the order they are tried.
const QList<FailureRow> &ConfirmationFailures()
{
    auto blocked = [](const QString &marker) {
        return FailureRow{{marker}, {}, QStringLiteral("Bid Blocked"), marker, {}};
    };
    static const QList<FailureRow> rows = {
        TooLowRow(),
        OutbidRow(),
        {{QStringLiteral("Seller not accepting your bid")}, {}, QStringLiteral("Seller Not Accepting Bid"),
         QStringLiteral("The seller is not accepting your bid"), {}},
        blocked(QStringLiteral("This item is available to buyers who have not received 2 or more unpaid item strike(s) in the past 1 month(s)")),
        blocked(QStringLiteral("This item is available to buyers who have not received 3 or more unpaid item strike(s) in the past 1 month(s)")),
        blocked(QStringLiteral("This item is available to buyers who have not received 2 or more unpaid item strike(s) in the past 12 month(s)")),
        blocked(QStringLiteral("This item is only available to buyers who have not purchased 1 or more items from this seller in the past 10 days")),
        {{QStringLiteral("Registration blocked")}, {}, QStringLiteral("Registration Blocked"),
         QStringLiteral("Registration blocked, please contact support for more details"), {}},
        {{QStringLiteral("Sorry, this item cannot be shipped to")}, {}, QStringLiteral("Bid Blocked"),
         QStringLiteral("This seller does not ship to your location"), {}},
        {{QStringLiteral("Your bid price may not meet or exceed the Buy It Now price")}, {}, QStringLiteral("Bid Blocked"),
         QStringLiteral("Your bid may not meet or exceed the Buy it Now price"), {}},
        {{QStringLiteral("Confirm your identity")}, {}, QStringLiteral("Bid Blocked"),
         QStringLiteral("eBay requests that you confirm your identity before bidding"), {}},
        {{QStringLiteral("eBay has put a temporary block on your site activity")}, {}, QStringLiteral("Bid Blocked"),
         QStringLiteral("eBay has put a temporary block on your activity"), {}},
        {{QStringLiteral("Weapon and Knives policy, it is not possible for you to bid")}, {}, QStringLiteral("Bid Blocked"),
         QStringLiteral("This bid was blocked due to the Weapons and Knives policy"), {}},
        {{QStringLiteral("Sorry, you are not allowed to purchase this item")}, {}, QStringLiteral("Bid Blocked"),
         QStringLiteral("Your are not allowed to purchase this item"), {}},
    };
    return rows;
}

// The one-call bid's replies that say eBay did not take the bid as the
// highest: outbid first (a reply holding a success marker as well counts as
// outbid), then too low.
const FailureRow *OneCallRefusal(const BidReply &reply)
{
    for (const FailureRow *row : {&OutbidRow(), &TooLowRow()})
        if (RowHolds(*row, reply))
            return row;
    return nullptr;
}

bool ConfirmationSucceeded(const BidReply &reply)
{
    return reply.says(QStringLiteral("you're the first bidder")) || reply.says(QStringLiteral("you're currently the highest bidder"));
}

} // namespace

// The state of one run: one retry count for every step and every kind of
// retry, the text of the latest reply that arrived, and the error of the
// latest request.
struct frmBid::Run
{
    explicit Run(frmBid *f) : form(f), guard(f) {}

    frmBid *form;
    QPointer<frmBid> guard;
    int retries = 0;
    QString reply;
    BidReply read; // the reply as the run judges it
    int error = 0;
    QString reason;
    QElapsedTimer sinceStart; // the lead time, on a clock that midnight does not reset
    bool signOutNow = false;  // no confirmation: straight to the sign-out
    qint64 holdStartedMs = 0; // sinceStart when the confirmation began to wait
    qint64 heldMs = 0;        // how long it waited: no part of the lead time
    int repreparations = 0;   // preparations again for a changed maximum

    void alive() const
    {
        if (!guard)
            throw WindowGone{};
    }

    // One request; the reply text stays as it was when the request fails,
    // and the step's page takes that same text.
    void attempt(const QString &url, QString &page)
    {
        error = 0;
        try {
            const QString text = form->Fetch(url);
            alive();
            reply = text;
            read = BidReply(text);
        } catch (const NumberedError &e) {
            alive();
            error = e.number() == 0 ? ErrorNumber::InetRequestFailed : e.number();
        }
        page = reply;
    }

    // After a failed request: whether to send it again. A time-out goes
    // again at once, any other error after a second; 5 retries in all.
    bool retryAfterError()
    {
        if (error == 0 || retries >= kRetryLimit)
            return false;
        ++retries;
        if (error == ErrorNumber::InetTimeout) {
            LogBid(QStringLiteral("Request timed out, retry ") + QString::number(retries));
        } else {
            LogBid(QStringLiteral("Error # ") + QString::number(error));
            wait();
        }
        return true;
    }

    void wait()
    {
        Desktop::WaitWithEvents(kRetryWaitMs);
        alive();
    }

    // A step's request under the request rule. The sign-in also repeats at
    // once, without a log line, on eBay's cookie page. A purchase is never
    // sent twice: it may have gone through although no reply came back.
    void send(const QString &url, QString &page, bool signIn = false, bool repeatable = true)
    {
        for (;;) {
            attempt(url, page);
            if (signIn && read.says(kCookiesBlocked) && retries < kRetryLimit) {
                ++retries;
                continue;
            }
            if (!repeatable) {
                if (error != 0)
                    LogBid(QStringLiteral("Purchase not confirmed, not sent again: Error # ") + QString::number(error));
                return;
            }
            if (!retryAfterError())
                return;
        }
    }
};

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

namespace {
// The windows counted in ActiveRuns().
QList<frmBid *> g_runs;
}

frmBid::~frmBid()
{
    if (m_counted)
        g_runs.removeOne(this);
    // Gone while its confirmation waited: no step of the run will follow.
    if (m_confirmTimer->isActive())
        ReleaseBidding();
}

int frmBid::ActiveRuns()
{
    return int(g_runs.size());
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
    if (!m_counted) {
        m_counted = true;
        g_runs.append(this);
    }
    show();
    QMetaObject::invokeMethod(this, &frmBid::Form_Activate, Qt::QueuedConnection);
}

QString frmBid::Fetch(const QString &url)
{
    // Each request on a fresh connection of its own, sent once: a bid's
    // requests go out exactly as the run decides and never ride on a
    // connection another request left open.
    return SendOnce::Get(url, InetBid->RequestTimeout);
}

void frmBid::SetHeightTwips(int twips)
{
    m_heightTwips = twips;
    LayOutText();
    ApplyHeight();
}

namespace {

// A control's place on the window as designed, in twips.
struct DesignPlace
{
    int left;
    int top;
    int width;
    int height;
};

constexpr DesignPlace kImage1{120, 240, 480, 480};
constexpr DesignPlace kStatus{720, 345, 3135, 255};
constexpr DesignPlace kNoAccess{720, 840, 3135, 255};
constexpr DesignPlace kImage2{120, 1380, 480, 480};
constexpr DesignPlace kLabel1{720, 1440, 3135, 255};
constexpr DesignPlace kImage3{120, 1800, 480, 255};
constexpr DesignPlace kLabel3{720, 1800, 3135, 255};
constexpr DesignPlace kDetails{120, 2040, 3735, 1575};
constexpr DesignPlace kClose{2640, 3720, 1215, 375};
// Below the status part's last line, and between the window's right edge
// and a label grown to take in its text on one line.
constexpr int kPartMarginTwips = 120;
constexpr int kRightMarginTwips = 60;

QRect Pixels(const DesignPlace &p)
{
    return QRect(Desktop::TwipsToPixelsX(p.left), Desktop::TwipsToPixelsY(p.top), Desktop::TwipsToPixelsX(p.width),
                 Desktop::TwipsToPixelsY(p.height));
}

// The height a label's text takes at a width.
int TextHeight(const QLabel *label, int width)
{
    const int wrapped = label->heightForWidth(width);
    return wrapped > 0 ? wrapped : label->sizeHint().height();
}

} // namespace

void frmBid::LayOutText()
{
    // The designed places hold where the text fits. A label is as wide as
    // its text on one line up to the window's edge and wraps beyond it; a
    // row of the window moves down as far as the text above it needs, its
    // icon with it, and the failure part stays below the status part.
    const int maxRight = Desktop::TwipsToPixelsX(kWidthTwips - kRightMarginTwips);
    const int partMargin = Desktop::TwipsToPixelsY(kPartMarginTwips);
    int textBottom = 0;
    auto placeRow = [&](QWidget *widget, const DesignPlace &design, QLabel *icon, const DesignPlace &iconDesign, int gap) {
        // The row's top is its own or its icon's, whichever is higher.
        QRect rect = Pixels(design);
        const int rowTop = icon ? std::min(rect.top(), Pixels(iconDesign).top()) : rect.top();
        const int shift = std::max(0, textBottom + gap - rowTop);
        rect.translate(0, shift);
        if (auto *label = qobject_cast<QLabel *>(widget)) {
            const int oneLine = label->fontMetrics().horizontalAdvance(label->text()) + 2 * label->margin();
            rect.setWidth(std::max(rect.width(), std::min(oneLine, maxRight - rect.left())));
            const int needed = TextHeight(label, rect.width());
            rect.setHeight(std::max(rect.height(), needed));
            widget->setGeometry(rect);
            textBottom = rect.top() + needed;
        } else {
            widget->setGeometry(rect);
            textBottom = rect.bottom() + 1;
        }
        if (icon)
            icon->setGeometry(Pixels(iconDesign).translated(0, shift));
    };
    const int gap = Desktop::TwipsToPixelsY(15);
    placeRow(lblStatus, kStatus, Image1, kImage1, gap);
    placeRow(lblNoAccess, kNoAccess, nullptr, {}, gap);
    placeRow(Label1, kLabel1, Image2, kImage2, partMargin);
    placeRow(Label3, kLabel3, Image3, kImage3, gap);
    placeRow(txtDetails, kDetails, nullptr, {}, gap);
    placeRow(cmdClose, kClose, nullptr, {}, gap);
}

void frmBid::ApplyHeight()
{
    // Every control the height reaches into shows whole, with the margin
    // the design leaves below the status part.
    int height = Desktop::TwipsToPixelsY(m_heightTwips);
    const int margin = Desktop::TwipsToPixelsY(kPartMarginTwips);
    const std::initializer_list<QWidget *> topToBottom = {lblStatus, lblNoAccess, Label1, Label3, txtDetails, cmdClose};
    for (QWidget *w : topToBottom) {
        if (w->y() >= height)
            break;
        const auto *label = qobject_cast<QLabel *>(w);
        const int bottom = label ? label->y() + TextHeight(label, label->width()) : w->geometry().bottom() + 1;
        height = std::max(height, bottom + margin);
    }
    setFixedHeight(height);
}

bool frmBid::event(QEvent *event)
{
    // A label's text changed: it may need more room now.
    if (event->type() == QEvent::LayoutRequest) {
        LayOutText();
        ApplyHeight();
    }
    return QDialog::event(event);
}

int frmBid::HeightTwips() const
{
    return Desktop::PixelsToTwipsY(height());
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
    emit RunEnded();
    if (m_unloaded)
        deleteLater();
}

void frmBid::RunFlow()
{
    m_run = std::make_shared<Run>(this);
    const std::shared_ptr<Run> keep = m_run; // the window may go while events run
    Run &run = *keep;
    m_running = true;
    try {
        if (!frmSettings::isLoaded())
            frmSettings::instance();
        BidTime = frmSettings::instance().BidDelaySeconds();
        MainForm().Inet->Cancel();
        setWindowTitle(Buy ? QStringLiteral("Purchase Progress") : QStringLiteral("Bid Progress"));
        BidComplete = false;
        Ready = false;
        InetBid->Cancel();
        Desktop::DoEvents();
        run.alive();

        sngLeadTimeStart = SecondsSinceMidnight();
        run.sinceStart.start();
        SignInAndPrepare(run, false);
    } catch (const WindowGone &) {
        // Destroyed under the run: nothing of it may be touched any more.
        ReleaseBidding();
        return;
    }
    HoldConfirmation();
}

void frmBid::SignInAndPrepare(Run &run, bool signedIn)
{
    bool &signOutNow = run.signOutNow;
    for (;;) {
        if (!signedIn) {
            // Sign-in.
            lblStatus->setText(QStringLiteral("Signing in..."));
            LogBid(QStringLiteral("Signing in to bid on item # ") + ItemNumber);
            run.send(eBaySignIn::SignInURL(UserName, Password), strResultSignIn, true);

            if (run.read.says(kPasswordIncorrect) || run.read.says(kEnterNumbers)) {
                LogBid(QStringLiteral("Invalid username or password"));
                blnFailed = true;
                SetHeightTwips(kFailureHeightTwips);
                cmdClose->setEnabled(true);
                setWindowTitle(QStringLiteral("Login Failed"));
                run.reason = QStringLiteral("Your username or password is invalid, or your password is too weak. "
                                            "Please contact support if you need help resolving this issue.");
                ReleaseBidding();
                signOutNow = true;
                return;
            }
        }
        signedIn = false;

        // Preparation.
        lblStatus->setText(QStringLiteral("Sending bid..."));
        LogBid(QStringLiteral("Preparing bid"));
        run.send(BidRequests::MakeBidURL(ItemNumber, MaxBid, Qty), strResultSendBid);

        if (!run.read.namesUser(UserName) && !run.read.says(kEndedMarker) && run.retries < kRetryLimit) {
            ++run.retries;
            LogBid(QStringLiteral("Prepare bid failed, retry ") + QString::number(run.retries));
            run.wait();
            continue; // sign in again and prepare again
        }
        break;
    }
    JudgePreparation(run);
}

void frmBid::JudgePreparation(Run &run)
{
    // The preparation page's known failures.
    auto fail = [&](const QString &logLine, const QString &title, const QString &reason) {
        LogBid(logLine);
        setWindowTitle(title);
        run.reason = reason;
        ReleaseBidding();
        run.signOutNow = true;
    };
    if (BidReply(strResultSignIn).says(kCookiesBlocked)) {
        fail(QStringLiteral("Cookies rejected"), QStringLiteral("Cookies Blocked"),
             QStringLiteral("Could not sign in because your Internet Options in the Windows Control Panel are blocking cookies"));
        return;
    }
    for (const FailureRow &row : PreparationFailures()) {
        if (RowHolds(row, run.read)) {
            fail(row.logLine, row.title, row.reason);
            return;
        }
    }
    if (run.read.says(kEndedMarker)) {
        blnFailed = true;
        SetHeightTwips(kFailureHeightTwips);
        cmdClose->setEnabled(true);
        fail(QStringLiteral("Auction ended, signing out"), QStringLiteral("Auction Ended"),
             QStringLiteral("Auction ended before bid could be placed"));
        return;
    }

    // The tokens of the preparation page.
    try {
        strUIID = run.read.input(QStringLiteral("uiid"));
        strSTOK = run.read.input(QStringLiteral("stok"));
    } catch (const NumberedError &) {
        // A page too broken to hold them: the confirmation goes without.
    }
}

qint64 frmBid::MsecsUntilConfirmation() const
{
    return ConfirmAt.isValid() ? QDateTime::currentDateTime().msecsTo(ConfirmAt) : 0;
}

void frmBid::HoldConfirmation()
{
    // Signed in and prepared early so the confirmation is ready; it waits for
    // its moment without holding up the tick, the other bids or the window.
    m_run->holdStartedMs = m_run->sinceStart.elapsed();
    ConfirmationDue();
}

void frmBid::ConfirmationDue()
{
    const std::shared_ptr<Run> keep = m_run;
    Run &run = *keep;
    try {
        FollowRow(run);
    } catch (const WindowGone &) {
        ReleaseBidding();
        return;
    }
    const qint64 waitMs = run.signOutNow ? 0 : MsecsUntilConfirmation();
    if (waitMs > 0) {
        // Woken now and then to look at the row again, so a bid taken back
        // signs out at once rather than at its moment.
        m_confirmTimer->start(int(std::min<qint64>(waitMs, kRowLookMs)));
        return;
    }
    run.heldMs = run.sinceStart.elapsed() - run.holdStartedMs;
    ConfirmAndSignOut();
}

frmBid::RowWish frmBid::ReadRow(QString &amount, qint16 &qty) const
{
    if (m_withdrawn)
        return RowWish::Withdrawn;
    if (!frmMainShell::isLoaded())
        return RowWish::Unchanged;
    const ListView &list = *MainForm().lvwAuctions;
    const ListItem *row = list.FindItem(ItemNumber);
    if (!row)
        return RowWish::Withdrawn;
    const QString maxBid = list.Field(row, QStringLiteral("maxbid"));
    if (maxBid == TrackedAuction::kWatching || row->Tag() == SnipeState::Online
        || list.Field(row, QStringLiteral("user")).compare(UserName, Qt::CaseInsensitive) != 0)
        return RowWish::Withdrawn;
    // Never more than the row holds: a maximum that no longer reads as one
    // stops the bid.
    amount = GetBidAmount(maxBid);
    bool qtyOk = false;
    const int rowQty = GetBidQty(maxBid).trimmed().toInt(&qtyOk);
    if (!qtyOk || rowQty < 1 || rowQty > 32767 || !ReadsAsNumber(amount) || PriceToDouble(amount) <= 0)
        return RowWish::Withdrawn;
    qty = qint16(rowQty);
    return amount == MaxBid && qty == Qty ? RowWish::Unchanged : RowWish::Changed;
}

void frmBid::FollowRow(Run &run)
{
    // Only a snipe started from a row waits long enough for the row to
    // change; a bid taken back stops whatever it is.
    if (run.signOutNow || (!m_withdrawn && (!BidItem || !ConfirmAt.isValid())))
        return;
    for (;;) {
        QString amount;
        qint16 qty = 0;
        const RowWish wish = ReadRow(amount, qty);
        if (wish == RowWish::Unchanged)
            return;
        if (wish == RowWish::Withdrawn || run.repreparations >= kRetryLimit) {
            LogBid(QStringLiteral("Bid cancelled, signing out"));
            run.signOutNow = true;
            return;
        }
        // eBay's preparation page stands for one amount and quantity: a
        // changed maximum is prepared again rather than confirmed on the
        // tokens of another amount.
        ++run.repreparations;
        LogBid(QStringLiteral("Maximum bid changed to ") + QString::number(qty) + QStringLiteral(" @ ") + amount
               + QStringLiteral(", preparing again"));
        MaxBid = amount;
        Qty = qty;
        strUIID.clear();
        strSTOK.clear();
        SignInAndPrepare(run, true);
        if (run.signOutNow)
            return;
    }
}

void frmBid::WithdrawBid()
{
    if (m_confirmationSent || m_withdrawn)
        return;
    m_withdrawn = true;
    // A confirmation waiting for its moment looks at once.
    if (m_confirmTimer->isActive())
        m_confirmTimer->start(0);
}

void frmBid::ConfirmAndSignOut()
{
    const std::shared_ptr<Run> keep = m_run;
    Run &run = *keep;
    try {
        const bool signOutNow = run.signOutNow;
        if (!signOutNow) {
            // Confirmation.
            lblStatus->setText(QStringLiteral("Confirming bid..."));
            LogBid(QStringLiteral("Confirming bid"));
            m_confirmationSent = true;
            BidRecord::MarkSent(ItemNumber);
            run.send(BidRequests::ConfirmBidURL(strUIID, ItemNumber, MaxBid, Qty, UserName, Password, strSTOK),
                     strResultConfirmBid, false, !Buy);
            // Only a reply to the confirmation itself can confirm the bid: when
            // no retry was left the reply text may still be an earlier page.
            const bool confirmationAnswered = run.error == 0;

            if (run.retries == 0 && confirmationAnswered) {
                intLeadTime = qint16(RoundLeadTime(double(run.sinceStart.elapsed() - run.heldMs) / 1000.0));
                LogBid(QStringLiteral("Lead time: ") + QString::number(intLeadTime));
                try {
                    SaveSetting(QStringLiteral("Lead time"), QString::number(ClampLeadTime(intLeadTime)));
                } catch (const NumberedError &) {
                }
            }

            if (confirmationAnswered && run.read.says(kCurrencyNotice)) {
                QString uiid, fired, stok;
                try {
                    uiid = run.read.input(QStringLiteral("uiid"));
                    fired = run.read.input(QStringLiteral("firedFilteredId"));
                    stok = run.read.input(QStringLiteral("stok"));
                } catch (const NumberedError &) {
                }
                QString notUsed;
                run.attempt(BidRequests::CurrencyConfirmURL(uiid, ItemNumber, MaxBid, UserName, fired, stok), notUsed);
            }

            bool known = false;
            for (const FailureRow &row : ConfirmationFailures()) {
                if (RowHolds(row, run.read)) {
                    setWindowTitle(row.title);
                    run.reason = row.reason;
                    if (!row.logLine.isEmpty())
                        LogBid(row.logLine);
                    ReleaseBidding();
                    known = true;
                    break;
                }
            }
            const bool succeeded = !known && confirmationAnswered && ConfirmationSucceeded(run.read);
            if (!known && !succeeded) {
                blnFailed = true;
                blnUnknownFail = true;
            }
            RecordConfirmation(succeeded, known || confirmationAnswered);
        } else {
            // Stopped before the confirmation: no bid went in.
            BidRecord::MarkFailed(ItemNumber);
        }

        // Sign-out, on every path.
        lblStatus->setText(QStringLiteral("Signing out..."));
        LogBid(QStringLiteral("Signing out"));
        run.send(eBaySignIn::SignOutURL(), strResultSignOut);
        ReleaseBidding();

        if (blnFailed && blnUnknownFail)
            HandToFailureReport();
        if (run.reason.isEmpty()) {
            Unload();
        } else {
            ShowFailure(run.reason);
        }
        FinishRun();
    } catch (const WindowGone &) {
        // Destroyed under the run: nothing of it may be touched any more.
        ReleaseBidding();
    }
}

void frmBid::RecordConfirmation(bool succeeded, bool judged)
{
    // A confirmation that got no reply may still have gone in: it stays
    // recorded as sent.
    if (succeeded)
        BidRecord::MarkConfirmed(ItemNumber);
    else if (judged)
        BidRecord::MarkFailed(ItemNumber);
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

namespace {

// The error handler of the one-call bid gave up: the message is shown and
// the window unloaded.
struct PlaceBidFailed
{
    int number = 0;
    QString description;
};

// "W" and "F": a stored number goes up by one, anything else becomes 1.
void CountUp(const QString &key)
{
    const QString stored = GetSetting(key, QStringLiteral("0"));
    QString next = QStringLiteral("1");
    if (ReadsAsNumber(stored)) {
        bool ok = false;
        const double value = QString(stored).remove(QLatin1Char(',')).trimmed().toDouble(&ok);
        if (ok)
            next = QString::number(value + 1, 'g', 15);
    }
    SaveSetting(key, next);
}

} // namespace

void frmBid::PlaceBid()
{
    QPointer<frmBid> self(this);
    auto alive = [&self] {
        if (!self)
            throw WindowGone{};
    };
    // One count for the confirmation loop and the error handler.
    int retries = 0;
    // A statement under the error handler: an error with a number runs it
    // again while the count allows, anything else gives up.
    auto guarded = [&](const auto &statement) {
        for (;;) {
            try {
                statement();
                return;
            } catch (const NumberedError &e) {
                ++retries;
                if (e.number() != 0 && retries <= kRetryLimit) {
                    Desktop::DoEvents();
                    alive();
                    continue;
                }
                throw PlaceBidFailed{e.number(), e.description()};
            }
        }
    };

    m_running = true;
    try {
        Desktop::DoEvents();
        alive();
        InetBid->Cancel();
        Desktop::DoEvents();
        alive();

        const QString url = Buy ? BidRequests::OneCallPurchaseURL(strUIID, ItemNumber, Qty, UserName, Password)
                                : BidRequests::OneCallBidURL(strUIID, ItemNumber, MaxBid, Qty, UserName, Password);
        QString reply;
        for (;;) {
            const QString attempt = QString::number(retries);
            guarded([&] { WriteLog(kBidLog, QStringLiteral("Bidding, confirming bid, retry ") + attempt); });
            // A failed request reads as an empty reply.
            BidRecord::MarkSent(ItemNumber);
            try {
                reply = Fetch(url);
            } catch (const NumberedError &) {
                reply.clear();
            }
            alive();
            strResultConfirmBid = reply;

            const BidReply read(reply);
            if (const FailureRow *refused = OneCallRefusal(read)) {
                blnFailed = true;
                SetHeightTwips(kFailureHeightTwips);
                cmdClose->setEnabled(true);
                setWindowTitle(refused->title);
                txtDetails->setPlainText(refused->reason);
                guarded([refused] { WriteLog(kBidLog, refused->logLine); });
                BidRecord::MarkFailed(ItemNumber);
            } else if (read.says(QStringLiteral("you're currently the highest bidder"))
                       || read.says(QStringLiteral("you're the first bidder.")) || (Buy && !reply.isEmpty())) {
                // A purchase counts as confirmed whenever eBay answered at all
                // without refusing it.
                guarded([] { CountUp(QStringLiteral("W")); });
                BidRecord::MarkConfirmed(ItemNumber);
                if (frmMainShell::isLoaded())
                    if (ListItem *row = MainForm().lvwAuctions->FindItem(ItemNumber))
                        row->setTag(QStringLiteral("Bid complete"));
                guarded([] { WriteLog(kBidLog, QStringLiteral("Bidding, bid confirmed")); });
            } else {
                const QString count = QString::number(retries);
                guarded([&] { WriteLog(kBidLog, QStringLiteral("Bidding, bid not confirmed retry ") + count); });
                // A purchase is never asked for again: without a reply it may
                // still have gone through.
                if (!Buy && retries <= kPlaceBidRequestLimit) {
                    ++retries;
                    InetBid->Cancel();
                    Desktop::DoEvents();
                    alive();
                    continue;
                }
                guarded([] { CountUp(QStringLiteral("F")); });
                if (!reply.isEmpty())
                    BidRecord::MarkFailed(ItemNumber);
                blnFailed = true;
                HandToFailureReport();
            }

            // An empty bid reply is asked for again while the count allows.
            if (reply.isEmpty() && !Buy) {
                if (retries <= kPlaceBidRequestLimit) {
                    ++retries;
                    InetBid->Cancel();
                    Desktop::DoEvents();
                    alive();
                    continue;
                }
                throw PlaceBidFailed{};
            }
            break;
        }

        strResultConfirmBid.remove(QChar(0xC2));
        if (DebugMode)
            guarded([&] { SaveData(reply, QStringLiteral("4result.htm")); });

        BidComplete = true;
        Desktop::DoEvents();
        alive();
        cmdClose->setEnabled(true);
        cmdClose->setFocus();
        CloseTime = kCloseCountdown;
        lblNoAccess->hide();
        ReleaseBidding();

        if (!blnFailed) {
            closeTimer->setEnabled(true);
            Desktop::DoEvents();
            alive();
            Unload();
        }
        FinishRun();
    } catch (const PlaceBidFailed &failure) {
        LogBid(QStringLiteral("Bidding, error: ") + failure.description);
        ReleaseBidding();
        const QString crlf2 = QStringLiteral("\r\n\r\n");
        Desktop::MsgBox(QStringLiteral("An error occured while bidding: ") + crlf2 + QStringLiteral("Error: ") + failure.description
                       + crlf2
                       + QStringLiteral("Please use Help>Contact support from within this program if you are unable to solve this issue.")
                       + crlf2 + QStringLiteral("Error #") + QString::number(failure.number),
                   Desktop::BoxCritical);
        if (!self)
            return;
        Unload();
        FinishRun();
    } catch (const WindowGone &) {
        ReleaseBidding();
    }
}
