#include "engine/mainformengine.h"

#include "engine/clipboardscan.h"
#include "engine/trackedauction.h"
#include "platform/ticktimer.h"

frmMainEngine &frmMainEngine::instance()
{
    if (!frmMainShell::isLoaded() && !frmMainShell::hasFactory())
        frmMainShell::setFactory([] { return new frmMainEngine; });
    return static_cast<frmMainEngine &>(frmMainShell::instance());
}

frmMainEngine::frmMainEngine()
{
    connect(tmrLoadProcess, &TickTimer::Timer, this, &frmMainEngine::tmrLoadProcess_Timer);
    // Queued: a timer never fires again while its own handler runs, so the
    // tick is run from the event queue instead. Then a wait inside a tick (a
    // refresh, a bid window's run started by its countdown pass) no longer
    // holds the next ticks back: they run inside it, with the heartbeat and
    // the other rows' bids. A tick queued before the timer went off is dropped.
    connect(
        tmrTimer, &TickTimer::Timer, this,
        [this] {
            if (tmrTimer->Enabled())
                tmrTimer_Timer();
        },
        Qt::QueuedConnection);
    connect(tmrClipboardScan, &TickTimer::Timer, this, [this] { ClipboardScan::tmrClipboardScan_Timer(*this); });
    ConnectFilterMenu();
    // Counts and prices sort by value, whatever sorts the list.
    TrackedAuction::SortByValue(*lvwAuctions);
}
