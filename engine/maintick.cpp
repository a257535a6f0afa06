// The main tick: once a second the heartbeat, the daily update check, the
// refresh schedule, the countdown of the auctions in their last hour, the
// bid trigger, the sign-in before an end with fast mode, and the redraw.
#include "engine/mainformengine.h"

#include "engine/ebayclock.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/settingsstore.h"
#include "foundation/timetext.h"
#include "platform/desktop.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/vberror.h"
#include "platform/vbtimer.h"

#include <QPointer>
#include <QRadioButton>

#include <algorithm>

using namespace TrackedAuction;

namespace {

constexpr int kObjectDisconnected = -2147417848;
// Sign-in attempts before an end, tick after tick, before fast mode is
// entered without one.
constexpr int kSignInAttempts = 3;

// The tick runs inside itself when a refresh or a fetch lets the timer fire
// again. While the outer tick waits in its refresh (or update check), an
// inner tick still writes the heartbeat and counts down and triggers bids —
// a slow refresh must not hold a snipe back — but schedules nothing. The
// countdown pass itself lets events run, so it never runs inside itself.
bool g_scheduleRunning = false;
bool g_countdownRunning = false;
// Failed sign-ins since fast mode was last off.
int g_signInFailures = 0;

double leadTimeSeconds()
{
    bool ok = false;
    const double lead = GetSetting(QStringLiteral("Lead time"), 15).trimmed().toDouble(&ok);
    return ok ? lead : 15.0;
}

class FlagGuard
{
public:
    explicit FlagGuard(bool &flag) : m_flag(flag) { m_flag = true; }
    ~FlagGuard() { m_flag = false; }
    Q_DISABLE_COPY_MOVE(FlagGuard)

private:
    bool &m_flag;
};

} // namespace

void frmMainEngine::tmrTimer_Timer()
{
    if (g_countdownRunning)
        return;
    const bool insideRefresh = g_scheduleRunning;
    QPointer<frmMainEngine> self(this);
    // The settings window may be closed (and unloaded) while events run, so
    // each use fetches it afresh; rows may be removed meanwhile too.
    try {
        basGeneral::WriteHeartbeat();

        if (!insideRefresh) {
            FlagGuard scheduling(g_scheduleRunning);
            if (QDate::currentDate() != LastDate && !blnItemsEndingSoon && !Inet->StillExecuting())
                LookForUpdate(false);
            if (!self)
                return;
            tickSchedule();
            if (!self)
                return;
        }

        if (blnExiting)
            return;
        FlagGuard counting(g_countdownRunning);
        tickCountdown();
    } catch (const std::exception &e) {
        if (!self)
            return;
        tickFailed(e);
    }
}

void frmMainEngine::tickSchedule()
{
    QPointer<frmMainEngine> self(this);
    auto settings = [] { return &frmSettings::instance(); };
    if (settings()->optAlwaysOn->isChecked() || blnItemsEndingSoon) {
        if (!NextRefreshTime.isValid() || QDateTime::currentDateTime() >= NextRefreshTime || blnForceRefresh
            || !blnListUpdated) {
            blnForceRefresh = false;
            RefreshAuctions(QString(), false, false);
            if (!self)
                return;
            NextRefreshTime = QDateTime::currentDateTime().addSecs(RefreshIntervalSeconds());
        }
        if (!blnFreezeStatus) {
            int wait = int(qMax<qint64>(0, QDateTime::currentDateTime().secsTo(NextRefreshTime)));
            SetStatus(QStringLiteral("Refreshing in ") + basGeneral::FormatDuration(wait));
        }
    } else {
        SetStatus(QString(), true);
    }
}

void frmMainEngine::tickCountdown()
{
    QPointer<frmMainEngine> self(this);
    auto settings = [] { return &frmSettings::instance(); };
    auto listed = [this](ListItem *row) { return lvwAuctions->indexOfTopLevelItem(row) >= 0; };
    if (blnItemsEndingSoon)
        g_signInFailures = 0;
    bool lastHour = false;
    bool signInTried = false;
    for (int i = 1; i <= lvwAuctions->Count();) {
        ListItem *row = lvwAuctions->Item(i);
        const QString endDate = lvwAuctions->Field(row, QStringLiteral("enddate"));
        const int t = TimeLeftSeconds(lvwAuctions->Field(row, QStringLiteral("timeleft")));
        if (t > 0 && t < 3600)
            lastHour = true;
        const auto secondsLeft =
            t > 0 && t < 3600 ? EbayClock::SecondsLeft(endDate, EbayClock::EbayNow()) : std::nullopt;
        if (secondsLeft && listed(row)) {
            const qint64 secs = *secondsLeft;
            const QString timeLeft = secs > 0 ? basGeneral::FormatTimeLeft(secs) : QStringLiteral("0 s");
            lvwAuctions->setField(row, QStringLiteral("timeleft"), timeLeft);

            const QString tag = row->Tag();
            const QString maxBid = lvwAuctions->Field(row, QStringLiteral("maxbid"));
            const QString group = lvwAuctions->Field(row, QStringLiteral("group"));
            const bool due = leadTimeSeconds() + settings()->BidDelaySeconds() >= double(secs) && secs != 0
                && tag != SnipeState::Online && tag != SnipeState::BidComplete && tag != SnipeState::ReadyToBid
                && maxBid != kWatching && TimeLeftSeconds(timeLeft) != 0 && !ItemInGroupWon(group);
            if (due && listed(row)) {
                BidItem = row;
                Bid(row, true, false);
                if (!self)
                    return;
                if (listed(row))
                    row->setTag(SnipeState::ReadyToBid);
            }

            // A started bid is over when its auction is, also when no
            // tick fell on its very last second.
            if (secs <= 0 && listed(row) && row->Tag() == SnipeState::ReadyToBid)
                row->setTag(SnipeState::BidComplete);

            if (secs <= 300 && secs != 0) {
                if (!blnItemsEndingSoon && !signInTried) {
                    signInTried = true;
                    bool signedIn = false;
                    try {
                        SignInBeforeEnd();
                        signedIn = true;
                    } catch (const VbError &e) {
                        // The countdown and the other rows go on; the
                        // sign-in is tried again on the next ticks, a
                        // few times, and then fast mode begins without it.
                        ++g_signInFailures;
                        SetStatus(QStringLiteral("Error #") + QString::number(e.number()) + QLatin1Char(' ')
                                      + e.description(),
                                  true);
                        FreezeStatus();
                        try {
                            basGeneral::WriteLog(QStringLiteral("log.txt"),
                                                 QStringLiteral("Sign-in before an auction's end failed: Error #")
                                                     + QString::number(e.number()) + QLatin1Char(' ') + e.description());
                        } catch (const VbError &) {
                        }
                    }
                    if (!self)
                        return;
                    if (signedIn || g_signInFailures >= kSignInAttempts) {
                        g_signInFailures = 0;
                        blnItemsEndingSoon = true;
                    }
                }
                if (blnItemsEndingSoon) {
                    const QDateTime soon = QDateTime::currentDateTime().addSecs(settings()->FastSyncIntervalSeconds());
                    if (!NextRefreshTime.isValid() || NextRefreshTime > soon)
                        NextRefreshTime = soon;
                }
            }
        }
        Vb::DoEvents();
        if (!self)
            return;
        // Go on after this row where it is now, or at its old place
        // when it was removed meanwhile.
        const int now = lvwAuctions->indexOfTopLevelItem(row);
        if (now >= 0)
            i = std::max(i + 1, now + 2);
    }

    if (!isMinimized() && isVisible() && lastHour)
        SyncHTMLList(false, QString());
}

int frmMainEngine::RefreshIntervalSeconds() const
{
    const frmSettings &settings = frmSettings::instance();
    return blnItemsEndingSoon ? settings.FastSyncIntervalSeconds() : settings.SyncIntervalSeconds();
}

void frmMainEngine::tickFailed(const std::exception &e)
{
    const auto *vbError = dynamic_cast<const VbError *>(&e);
    const int number = vbError ? vbError->number() : 51;
    const QString description = vbError ? vbError->description() : QString::fromLocal8Bit(e.what());
    try {
        if (number == kObjectDisconnected) {
            basGeneral::WriteLog(QStringLiteral("log.txt"), QStringLiteral("Error -2147417848 in tmrTimer, restarting..."));
            tmrTimer->setEnabled(false);
        }
    } catch (const VbError &) {
    }
    SetStatus(QStringLiteral("Error #") + QString::number(number) + QLatin1Char(' ') + description, true);
    FreezeStatus();
    NextRefreshTime = QDateTime::currentDateTime().addSecs(RefreshIntervalSeconds());
}
