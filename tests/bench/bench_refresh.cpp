// Refreshing 200 tracked auctions against the simulator in this process,
// beside fetching the same 200 item pages one after another with a plain
// transfer control. The refresh's "vs_plain" counter is the ratio of the
// two: what reading the fields, the clock and feedback pages, the heartbeat
// per row and the save add to the bare requests.
#include "engine/mainformengine.h"
#include "engine/trackedauction.h"
#include "foundation/timetext.h"
#include "platform/listview.h"
#include "platform/statusbar.h"
#include "platform/ticktimer.h"
#include "tests/bench/refreshsetup.h"

#include <benchmark/benchmark.h>

namespace {

using RefreshBench::kItems;

struct Setup : RefreshBench::Simulator
{
    Setup()
    {
        frmMainEngine &form = frmMainEngine::instance();
        form.tmrLoadProcess->setEnabled(false);
        form.lvwAuctions->ClearColumns();
        for (const auto &c : TrackedAuction::kColumns)
            form.lvwAuctions->AddColumn(c.key, c.caption);
        for (const char *key : {"IEStatus", "Status", "Feedback"})
            form.StatusBar->AddPanel(QString::fromLatin1(key));
        fillRows(*form.lvwAuctions);
        signIn();
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
BENCHMARK(BM_PlainFetchOfTheItemPages)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RefreshAuctions(benchmark::State &state)
{
    Setup &s = setup();
    frmMainEngine &form = frmMainEngine::instance();
    RefreshBench::TimeRefreshes(state, form, g_plainSeconds, "");
    if (form.lvwAuctions->Field(form.lvwAuctions->Item(1), QStringLiteral("itemtitle")) != s.server.items().find(s.numbers[0])->title)
        state.SkipWithError("the refresh did not fill the rows");
}
BENCHMARK(BM_RefreshAuctions)->Unit(benchmark::kMillisecond)->UseRealTime();

// The date work of one refreshed row: the page's end time read, shown on the
// saved zone's clock and written back as text.
void BM_EndDateOfARow(benchmark::State &state)
{
    for (auto _ : state) {
        const QString end = basGeneral::ParseShortDate(QStringLiteral("Dec-06-13 14:03:22 PST"));
        const QDateTime read = basGeneral::ReadDate(end).value_or(basGeneral::ZeroDate());
        const QDateTime shown = basGeneral::PacificToLocal(end);
        benchmark::DoNotOptimize(basGeneral::DateText(read).size() + basGeneral::DateText(shown).size());
    }
}
BENCHMARK(BM_EndDateOfARow)->Unit(benchmark::kMicrosecond);

} // namespace
