#include "engine/mainformengine.h"

#include "engine/trackedauction.h"
#include "platform/vbtimer.h"

frmMainEngine &frmMainEngine::instance()
{
    if (!frmMainShell::isLoaded() && !frmMainShell::hasFactory())
        frmMainShell::setFactory([] { return new frmMainEngine; });
    return static_cast<frmMainEngine &>(frmMainShell::instance());
}

frmMainEngine::frmMainEngine()
{
    connect(tmrLoadProcess, &VbTimer::Timer, this, &frmMainEngine::tmrLoadProcess_Timer);
    connect(tmrTimer, &VbTimer::Timer, this, &frmMainEngine::tmrTimer_Timer);
    ConnectFilterMenu();
    // Counts and prices sort by value, whatever sorts the list.
    TrackedAuction::SortByValue(*lvwAuctions);
}
