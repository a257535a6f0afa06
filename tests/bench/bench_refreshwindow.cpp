// Refreshing 200 tracked auctions in the real main window, its HTML list
// live, against the simulator in this process holding every page 5 ms, beside
// fetching the same 200 item pages one after another with a plain transfer
// control in the same run. The network, not the machine, sets the scale: the
// "vs_plain" counter is the ratio of the two, "ms_per_row" the program's own
// work per row (what the refresh takes beyond the plain fetches).
#include "engine/trackedauction.h"
#include "mainwindow/frmmain.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"
#include "tests/bench/refreshsetup.h"

#include <benchmark/benchmark.h>

namespace {

using RefreshBench::kItems;
constexpr int kPageHoldMs = 5;

struct Setup : RefreshBench::Simulator
{
    Setup() : Simulator(kPageHoldMs)
    {
        signIn();
        frmMain &form = frmMain::instance();
        form.tmrLoadProcess->setEnabled(false);
        form.tmrTimer->setEnabled(false); // the refresh alone, no countdown ticks between its rows
        fillRows(*form.lvwAuctions);
        form.resize(1000, 800);
        form.show();
        form.RebuildHTMLList();
    }
};

Setup &setup()
{
    static Setup *s = new Setup;
    return *s;
}

// Mean real time of one pass of the plain fetches, for the ratio.
double g_plainSeconds = 0;

void BM_PlainFetchOfTheItemPages(benchmark::State &state)
{
    g_plainSeconds = RefreshBench::TimePlainFetches(state, setup().urls);
}
BENCHMARK(BM_PlainFetchOfTheItemPages)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_RefreshInTheMainWindow(benchmark::State &state)
{
    Setup &s = setup();
    frmMain &form = frmMain::instance();
    // The HTML list is synced after every row.
    RefreshBench::TimeRefreshes(state, form, g_plainSeconds, " in the window");
    ListView &list = *form.lvwAuctions;
    if (list.Field(list.Item(1), QStringLiteral("itemtitle")) != s.server.items().find(s.numbers[0])->title)
        state.SkipWithError("the refresh did not fill the rows");
    else if (form.HTMLList->Element(QStringLiteral("itemtitle"), kItems - 1).innerText()
             != list.Field(list.Item(kItems), QStringLiteral("itemtitle")))
        state.SkipWithError("the HTML list does not show the refreshed rows");
}
BENCHMARK(BM_RefreshInTheMainWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace
