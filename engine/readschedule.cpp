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

namespace {

// Where a row keeps the moment its page was last asked for.
constexpr int kLastReadRole = Qt::UserRole + 1;

QDateTime lastRead(const ListItem *row)
{
    return row->data(0, kLastReadRole).toDateTime();
}

bool alwaysOn()
{
    return frmSettings::instance().optAlwaysOn->isChecked();
}

} // namespace

void frmMainEngine::NoteRowRead(ListItem *row)
{
    row->setData(0, kLastReadRole, EbayClock::ComputerNow());
}

bool frmMainEngine::RowReadDue(const ListItem *row) const
{
    if (!alwaysOn())
        return false;
    const QDateTime last = lastRead(row);
    if (!last.isValid())
        return true;
    const frmSettings &settings = frmSettings::instance();
    return last.addSecs(settings.SyncIntervalSeconds())
        <= EbayClock::ComputerNow().addSecs(settings.FastSyncIntervalSeconds());
}

void frmMainEngine::ScheduleNextRefresh()
{
    const QDateTime now = EbayClock::ComputerNow();
    QDateTime next = now.addSecs(RefreshIntervalSeconds());
    if (alwaysOn()) {
        const frmSettings &settings = frmSettings::instance();
        // A row that could not be read is tried again, but not every second.
        const QDateTime soonest = now.addSecs(settings.FastSyncIntervalSeconds());
        for (int i = 1; i <= lvwAuctions->Count(); ++i) {
            const ListItem *row = lvwAuctions->Item(i);
            if (lvwAuctions->Field(row, QStringLiteral("timeleft")) == TrackedAuction::kEnded)
                continue;
            const QDateTime last = lastRead(row);
            const QDateTime due = last.isValid() ? last.addSecs(settings.SyncIntervalSeconds()) : now;
            next = std::min(next, std::max(due, soonest));
        }
    }
    NextRefreshTime = next;
}
