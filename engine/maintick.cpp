// The main tick: once a second the heartbeat, the daily update check, the
// refresh schedule, the countdown of the auctions in their last hour, the
// bid trigger, the sign-in before an end with fast mode, and the redraw.
#include "engine/mainformengine.h"

#include "engine/countdownrows.h"
#include "engine/ebayclock.h"
#include "engine/ebayclockwatch.h"
#include "engine/ebayfineclock.h"
#include "engine/frmbid.h"
#include "engine/bidstate.h"
#include "engine/missedsnipe.h"
#include "engine/outcomesettler.h"
#include "engine/readfirst.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/settingsstore.h"
#include "foundation/timetext.h"
#include "platform/desktop.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/longpasshold.h"
#include "platform/numberederror.h"
#include "platform/ticktimer.h"

#include <QPointer>
#include <QRadioButton>
#include <QSet>

#include <algorithm>

using namespace TrackedAuction;

namespace {

constexpr int kObjectDisconnected = -2147417848;
// Sign-in attempts before an end, tick after tick, before fast mode is
// entered without one.
constexpr int kSignInAttempts = 3;

// The tick runs inside itself whenever events run under it: in a refresh
// or an update check, in the countdown pass (which pumps events after each
// row) and in a bid window's run started there. Every tick, inner ones too,
// writes the heartbeat and counts down and starts the bids that are due — no
// wait further down the stack may hold a snipe back or stop the heartbeat —
// but a tick inside the refresh schedule schedules nothing.
bool g_scheduleRunning = false;
// The rows whose Bid() call has not returned yet: an inner tick does not
// start them again before they are marked "Ready to bid".
QSet<const ListItem *> g_startingBids;
// The window whose sign-in before an end is under way (one pair at a time,
// and none of a window that has gone).
QPointer<frmMainEngine> g_signInRunning;
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

// Holds a row in g_startingBids while its Bid() call runs.
class StartingBid
{
public:
    explicit StartingBid(const ListItem *row) : m_row(row) { g_startingBids.insert(row); }
    ~StartingBid() { g_startingBids.remove(m_row); }
    Q_DISABLE_COPY_MOVE(StartingBid)

private:
    const ListItem *m_row;
};

} // namespace

void frmMainEngine::tmrTimer_Timer()
{
    const bool insideRefresh = g_scheduleRunning;
    QPointer<frmMainEngine> self(this);
    // The settings window may be closed (and unloaded) while events run, so
    // each use fetches it afresh; rows may be removed meanwhile too.
    try {
        // First, whatever else runs: the monitor restarts a program whose
        // heartbeat stands still.
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
        const bool due = !NextRefreshTime.isValid() || EbayClock::ComputerNow() >= NextRefreshTime
                         || blnForceRefresh || !blnListUpdated;
        if (due && !LongPassHold::Holding()) {
            blnForceRefresh = false;
            RefreshAuctions(QString(), false, false);
            if (!self)
                return;
            // End times are known now, however their rows came into a group.
            WarnOfGroupRowsTooClose();
            ScheduleNextRefresh();
        }
        if (!blnFreezeStatus) {
            int wait = int(qMax<qint64>(0, EbayClock::ComputerNow().secsTo(NextRefreshTime)));
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
    // A row is still listed while its place holds it; rows may go while
    // events run.
    auto listed = [this](const QPersistentModelIndex &at, const ListItem *row) {
        return at.isValid() && lvwAuctions->topLevelItem(at.row()) == row;
    };
    if (blnItemsEndingSoon)
        g_signInFailures = 0;
    bool lastHour = false;
    bool signInTried = false;
    // The nearest snipe still to be placed here: eBay's clock is watched
    // closely in its last minutes.
    std::optional<qint64> nearestSnipe;
    // Only rows in their last hour are counted down; the others wait for the
    // refresh to bring them there, and cost the tick nothing.
    const QList<QPersistentModelIndex> rows = CountdownRows::Of(*lvwAuctions).InListOrder();
    QList<ListItem *> items;
    items.reserve(rows.size());
    for (const QPersistentModelIndex &at : rows)
        items << lvwAuctions->Item(at.row() + 1);
    for (qsizetype k = 0; k < rows.size(); ++k) {
        const QPersistentModelIndex &at = rows[k];
        ListItem *row = items[k];
        if (!listed(at, row))
            continue;
        const QString endDate = lvwAuctions->Field(row, QStringLiteral("enddate"));
        const bool inLastHour = CountdownRows::InLastHour(lvwAuctions->Field(row, QStringLiteral("timeleft")));
        lastHour = lastHour || inLastHour;
        // eBay's clock at its latest by the fine offset: a bid starts and a
        // snipe's end is seen early rather than late.
        const auto secondsLeft =
            inLastHour ? EbayClock::SecondsLeft(endDate, EbayFineClock::LatestEbayNow()) : std::nullopt;
        if (secondsLeft) {
            const qint64 secs = *secondsLeft;
            const QString timeLeft = secs > 0 ? basGeneral::FormatTimeLeft(secs) : QStringLiteral("0 s");
            lvwAuctions->setField(row, QStringLiteral("timeleft"), timeLeft);
            // Whatever answers the list's change signals must not take the
            // row away; should it ever, the row is not read again.
            if (!self)
                return;
            if (!listed(at, row))
                continue;

            const QString tag = row->Tag();
            const QString maxBid = lvwAuctions->Field(row, QStringLiteral("maxbid"));
            const QString group = lvwAuctions->Field(row, QStringLiteral("group"));
            // A settled outcome is not bid on again whatever the row's tag
            // says; a bid out is only when the row was set up again for it.
            const BidState::State bidState = BidState::Of(row->Text());
            const bool due = !BidState::Settled(bidState)
                && (!BidState::BidOut(bidState) || BidState::IsSetUpAgain(row->Text())) && leadTimeSeconds() + settings()->BidDelaySeconds() >= double(secs) && secs != 0
                && tag != SnipeState::Online && tag != SnipeState::BidComplete && tag != SnipeState::ReadyToBid
                && tag != SnipeState::OutcomeUnknown
                && maxBid != kWatching && TimeLeftSeconds(timeLeft) != 0 && !ItemInGroupWon(group);
            const bool snipeToPlace = maxBid != kWatching
                && (tag == SnipeState::Local || tag == SnipeState::Both || tag == SnipeState::ReadyToBid);
            if (snipeToPlace && secs >= 0)
                nearestSnipe = std::min(nearestSnipe.value_or(secs), secs);
            if (due && !g_startingBids.contains(row)) {
                BidItem = row;
                {
                    const StartingBid starting(row);
                    Bid(row, true, false);
                }
                if (!self)
                    return;
                if (listed(at, row))
                    row->setTag(SnipeState::ReadyToBid);
            }

            // A started bid is over when its auction is, also when no
            // tick fell on its very last second.
            if (secs <= 0 && listed(at, row) && row->Tag() == SnipeState::ReadyToBid) {
                row->setTag(SnipeState::BidComplete);
                // Its outcome is read next: in the pass under way, or in one
                // started on the next tick.
                ReadFirst::Add(row->Text());
                if (!blnRefreshing)
                    blnForceRefresh = true;
            }
            // A snipe whose bid never started by its end says so.
            if (secs <= 0 && listed(at, row))
                MissedSnipe::CheckRow(*this, row, MissedSnipe::EndedBeforeStart());
            // Over, and its outcome not read yet: never shown won before the
            // page says; a bid out has its page read now.
            if (secs <= 0 && listed(at, row)) {
                const BidState::State now = BidState::Of(row->Text());
                if (now != BidState::State::Won)
                    lvwAuctions->setField(row, QStringLiteral("won"), TrackedAuction::kFalse);
                if (BidState::BidOut(now))
                    OutcomeSettler::Follow(row->Text());
            }

            if (secs <= 300 && secs != 0) {
                if (!blnItemsEndingSoon && !signInTried) {
                    signInTried = true;
                    tickSignIn();
                    if (!self)
                        return;
                }
                if (blnItemsEndingSoon) {
                    const QDateTime soon = EbayClock::ComputerNow().addSecs(settings()->FastSyncIntervalSeconds());
                    if (!NextRefreshTime.isValid() || NextRefreshTime > soon)
                        NextRefreshTime = soon;
                }
            }
        }
        Desktop::DoEvents();
        if (!self)
            return;
    }

    EbayClockWatch::Keep(this, nearestSnipe);
    if (!isMinimized() && isVisible() && lastHour)
        SyncHTMLList(false, QString());
}

void frmMainEngine::tickSignIn()
{
    // One pair at a time, and never while a refresh or a bid could be sent
    // with it: the pair's sign-out would end a bid's session. It is tried on
    // a later tick instead.
    if (g_signInRunning == this || Inet->StillExecuting() || blnRefreshing || blnBidding || frmBid::ActiveRuns() > 0)
        return;
    // The pair runs without a nested wait: the countdown, the bids of the
    // other rows and the heartbeat go on while it is under way, and fast mode
    // begins when it has ended.
    g_signInRunning = this;
    QPointer<frmMainEngine> self(this);
    BeginSignInBeforeEnd([self](const NumberedError *error) {
        if (!self || g_signInRunning != self)
            return;
        g_signInRunning = nullptr;
        if (!error) {
            g_signInFailures = 0;
            self->blnItemsEndingSoon = true;
            return;
        }
        // The countdown goes on; the sign-in is tried again on later ticks, a
        // few times, and then fast mode begins without it.
        ++g_signInFailures;
        const QString text = QStringLiteral("Error #") + QString::number(error->number()) + QLatin1Char(' ')
            + error->description();
        // A bid that cancelled the pair shows its own text.
        if (error->number() != ErrorNumber::InetCancelled) {
            self->SetStatus(text, true);
            self->FreezeStatus();
        }
        try {
            basGeneral::WriteLog(QStringLiteral("log.txt"), QStringLiteral("Sign-in before an auction's end failed: ") + text);
        } catch (const NumberedError &) {
        }
        if (g_signInFailures >= kSignInAttempts) {
            g_signInFailures = 0;
            self->blnItemsEndingSoon = true;
        }
    });
}

int frmMainEngine::RefreshIntervalSeconds() const
{
    const frmSettings &settings = frmSettings::instance();
    return blnItemsEndingSoon ? settings.FastSyncIntervalSeconds() : settings.SyncIntervalSeconds();
}

void frmMainEngine::tickFailed(const std::exception &e)
{
    const auto *numbered = dynamic_cast<const NumberedError *>(&e);
    const int number = numbered ? numbered->number() : 51;
    const QString description = numbered ? numbered->description() : QString::fromLocal8Bit(e.what());
    try {
        if (number == kObjectDisconnected) {
            basGeneral::WriteLog(QStringLiteral("log.txt"), QStringLiteral("Error -2147417848 in tmrTimer, restarting..."));
            tmrTimer->setEnabled(false);
        }
    } catch (const NumberedError &) {
    }
    SetStatus(QStringLiteral("Error #") + QString::number(number) + QLatin1Char(' ') + description, true);
    FreezeStatus();
    ScheduleNextRefresh();
}
