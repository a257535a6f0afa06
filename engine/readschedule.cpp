// When the refresh reads each row: fast mode reads only the auctions near
// their end, and every return to the normal interval started its countdown
// afresh, so with auctions ending every few minutes a far row could go
// unread for much longer than the interval. Each row keeps the moment its
// page was last asked for; the schedule and fast mode go by it.
#include "engine/mainformengine.h"

#include "engine/ebayclock.h"
#include "engine/trackedauction.h"
#include "foundation/frmsettings.h"
#include "platform/listview.h"

#include <QRadioButton>

#include <algorithm>
#include <optional>

namespace {

// Where a row keeps the moment its page was last asked for, in milliseconds
// since the epoch (0: never): a plain number, so the schedule goes over a
// long list without a date's time-zone arithmetic for every row.
constexpr int kLastReadRole = Qt::UserRole + 1;

qint64 lastReadMs(const ListItem *row)
{
    return row->data(0, kLastReadRole).toLongLong();
}

bool alwaysOn()
{
    return frmSettings::instance().optAlwaysOn->isChecked();
}

} // namespace

void frmMainEngine::NoteRowRead(ListItem *row)
{
    row->setData(0, kLastReadRole, EbayClock::ComputerNow().toMSecsSinceEpoch());
}

bool frmMainEngine::RowReadDue(const ListItem *row) const
{
    if (!alwaysOn())
        return false;
    const qint64 last = lastReadMs(row);
    if (last == 0)
        return true;
    const frmSettings &settings = frmSettings::instance();
    return last + settings.SyncIntervalSeconds() * 1000
        <= EbayClock::ComputerNow().toMSecsSinceEpoch() + settings.FastSyncIntervalSeconds() * 1000;
}

void frmMainEngine::ScheduleNextRefresh()
{
    const QDateTime now = EbayClock::ComputerNow();
    QDateTime next = now.addSecs(RefreshIntervalSeconds());
    if (alwaysOn()) {
        const frmSettings &settings = frmSettings::instance();
        // The row read longest ago is the first to run out of its interval.
        const int timeLeft = lvwAuctions->SubItemIndex(QStringLiteral("timeleft"));
        std::optional<qint64> oldestMs;
        for (int i = 1; i <= lvwAuctions->Count(); ++i) {
            const ListItem *row = lvwAuctions->Item(i);
            if (row->SubItem(timeLeft) == TrackedAuction::kEnded)
                continue;
            const qint64 last = lastReadMs(row);
            oldestMs = std::min(oldestMs.value_or(last), last);
        }
        if (oldestMs) {
            const QDateTime due = *oldestMs == 0 ? now : now.addMSecs(*oldestMs + settings.SyncIntervalSeconds() * 1000
                                                                     - now.toMSecsSinceEpoch());
            // A row that could not be read is tried again, but not every second.
            const QDateTime soonest = now.addSecs(settings.FastSyncIntervalSeconds());
            next = std::min(next, std::max(due, soonest));
        }
    }
    NextRefreshTime = next;
}
