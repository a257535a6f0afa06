#include "sellertools/updatecheck.h"

#include "engine/updatecheckseam.h"
#include "foundation/basgeneral.h"
#include "foundation/hostroles.h"
#include "foundation/mainformshell.h"
#include "foundation/pageaccess.h"
#include "platform/desktop.h"
#include "platform/inet.h"
#include "platform/msgbox.h"
#include "platform/numberederror.h"
#include "sellertools/frmupdate.h"
#include "sellertools/updateinfo.h"

#include <QLabel>
#include <QPlainTextEdit>

namespace UpdateCheck {

QByteArray ReleaseKey = QByteArray::fromBase64(QByteArrayLiteral(TALLOWMERE_RELEASE_KEY_DER));

namespace {

constexpr qint64 kRetryAfterFailureSecs = 3600;
const QString kCrLf2 = QStringLiteral("\r\n\r\n");

bool g_running = false;

class RunningGuard
{
public:
    RunningGuard() { g_running = true; }
    ~RunningGuard() { g_running = false; }
    Q_DISABLE_COPY_MOVE(RunningGuard)
};

bool waitingAfterFailure()
{
    if (!LastFailure.isValid())
        return false;
    const qint64 since = LastFailure.secsTo(QDateTime::currentDateTime());
    // A clock set back must not hold the check off for longer than an hour.
    return since >= 0 && since < kRetryAfterFailureSecs;
}

// The update information comes from the vendor's secure host and nowhere
// else: whoever answered a plain request, or a redirect, could offer any notes
// and release.
QString fetchUpdateInfo(Inet &inet)
{
    const bool kept = inet.KeepToOrigin;
    inet.KeepToOrigin = true;
    const QString reply = basGeneral::GetURL(
        HostRoles::url(HostRoles::Role::VendorSecure, QStringLiteral("/?app=tallow&action=getinf"), true), inet);
    inet.KeepToOrigin = kept;
    return reply;
}

void offer(const ReleaseInfo &info)
{
    frmUpdate &window = frmUpdate::instance();
    window.lblCritical->setVisible(info.critical);
    window.lblMsg->setVisible(!info.critical);
    window.txtNotes->setPlainText(info.notes);
    window.blnCritical = info.critical;
    // Over the main window, not in the screen's corner over its menus.
    if (!window.isVisible())
        Desktop::CentreOver(window, MainForm());
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

int RunningRevision()
{
    return TALLOWMERE_VERSION_PATCH;
}

bool LookForUpdate(bool ShowWarnings)
{
    frmMainShell &main = MainForm();
    if (main.blnBidding || g_running)
        return false;
    if (!ShowWarnings && waitingAfterFailure())
        return false;
    RunningGuard running;

    QString step;
    try {
        main.blnPreventExit = true;
        bool offered = false;
        main.SetStatus(QStringLiteral("Looking for updates..."), true);
        main.FreezeStatus();

        step = QStringLiteral("Connecting to server");
        main.Inet->Cancel();
        const QString reply = fetchUpdateInfo(*main.Inet);
        // An empty reply is a request that failed (no connection, a time-out),
        // not a reply that names no release.
        if (reply.isEmpty())
            throw NumberedError(ErrorNumber::InetRequestFailed, QStringLiteral("The update server sent no reply"));

        step = QStringLiteral("Server responded");
        const QString folder = basGeneral::DataFolder();
        UpdateInfoFile::Save(folder, reply);

        step = QStringLiteral("Response saved");
        const ReleaseInfo info = UpdateInfoFile::Read(folder, [] { Desktop::DoEvents(); });
        // A newer revision is only the server's word until the vendor's
        // signature covers it; a release named must be one the updater takes.
        const bool newer = info.version > RunningRevision();
        if (newer || !info.path.isEmpty())
            UpdateInfoFile::CheckRelease(info, ReleaseKey);

        step = QStringLiteral("Response processed");
        main.LastDate = QDate::currentDate();
        LastFailure = QDateTime();

        if (newer || main.blnForceUpdate) {
            offered = true;
            offer(info);
        } else if (ShowWarnings) {
            Desktop::MsgBox(QStringLiteral("You are currently using the latest version of ") + Desktop::AppTitle(),
                       Desktop::BoxInformation);
        }
        main.blnForceUpdate = false;
        main.blnPreventExit = false;
        return offered;
    } catch (const NumberedError &e) {
        // A forced offer is for the next check only, whether or not it got through.
        main.blnForceUpdate = false;
        main.blnPreventExit = false;
        main.Inet->Cancel();
        LastFailure = QDateTime::currentDateTime();
        if (ShowWarnings)
            Desktop::MsgBox(QStringLiteral("An error occured while looking for updates") + kCrLf2
                           + QStringLiteral("The last step completed was: ") + step + kCrLf2 + QStringLiteral("Error: #")
                           + QString::number(e.number()) + QLatin1Char(' ') + e.description(),
                       Desktop::BoxExclamation);
        return false;
    }
}

void Register()
{
    UpdateCheckSeam::LookForUpdate = [](bool ShowWarnings) { return LookForUpdate(ShowWarnings); };
}

} // namespace UpdateCheck
