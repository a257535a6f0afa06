// Refreshing 200 tracked auctions in the real main window, its HTML list
// live, against the simulator in this process holding every page 5 ms, beside
// fetching the same 200 item pages one after another with a plain transfer
// control in the same run. The network, not the machine, sets the scale: the
// "vs_plain" counter is the ratio of the two, "ms_per_row" the program's own
// work per row (what the refresh takes beyond the plain fetches).
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/passwords.h"
#include "mainwindow/frmmain.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/network.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"
#include "sim/core/simserver.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>

namespace {

constexpr int kItems = 200;
constexpr int kPageHoldMs = 5;

struct Setup
{
    Sim::SimServer server;
    QStringList numbers;
    QStringList urls;

    Setup()
    {
        if (!server.start())
            qFatal("simulator: %s", qPrintable(server.errorString()));
        qputenv("TALLOWMERE_HOSTS", server.hostsFile().toUtf8());
        qputenv("TALLOWMERE_CA", server.caFile().toUtf8());
        HostRoles::reload();
        Network::trustConfiguredAuthority();
        server.addAccount(QStringLiteral("alice"), QStringLiteral("pw"), 1234, 99.5);
        Sim::FaultRule hold;
        hold.pattern = QStringLiteral("*");
        hold.mode = Sim::FaultMode::Hang;
        hold.delayMs = kPageHoldMs;
        hold.remaining = -1;
        server.faults().add(hold);
        for (int i = 0; i < kItems; ++i) {
            Sim::SimItem item;
            item.title = QStringLiteral("Vintage brass table lamp with opal glass shade, no. %1").arg(i);
            item.price = 10.0 + i;
            item.bids = i % 17;
            item.quantity = 1 + i % 3;
            item.endsAt = server.now().addSecs(7200 + i * 60);
            const QString number = server.items().add(item);
            numbers << number;
            urls << HostRoles::url(HostRoles::Role::Item, QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + number);
        }

        frmSettings::instance().lvwUsers->Add(QStringLiteral("alice"))->setTag(basGeneral::ScramblePassword(QStringLiteral("pw")));
        CurrentUser = QStringLiteral("alice");
        frmMain &form = frmMain::instance();
        form.tmrLoadProcess->setEnabled(false);
        form.tmrTimer->setEnabled(false); // the refresh alone, no countdown ticks between its rows
        ListView &list = *form.lvwAuctions;
        for (int i = 0; i < kItems; ++i) {
            ListItem *row = list.Add(numbers[i]);
            list.setField(row, QStringLiteral("maxbid"), i % 3 ? QStringLiteral("1 @ 125.00") : QStringLiteral("(watching)"));
            list.setField(row, QStringLiteral("user"), QStringLiteral("alice"));
            list.setField(row, QStringLiteral("reminders"), i % 7 == 0 ? QStringLiteral("bq") : QString());
            row->setTag(i % 3 ? QStringLiteral("Local") : QString());
        }
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
    Setup &s = setup();
    Inet inet;
    QElapsedTimer clock;
    qint64 passes = 0;
    clock.start();
    for (auto _ : state) {
        for (const QString &url : std::as_const(s.urls))
            benchmark::DoNotOptimize(inet.OpenURL(url).size());
        ++passes;
    }
    g_plainSeconds = double(clock.nsecsElapsed()) / 1e9 / double(passes);
    state.counters["pages"] = double(kItems);
}
BENCHMARK(BM_PlainFetchOfTheItemPages)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_RefreshInTheMainWindow(benchmark::State &state)
{
    Setup &s = setup();
    frmMain &form = frmMain::instance();
    QElapsedTimer clock;
    qint64 passes = 0;
    clock.start();
    for (auto _ : state) {
        // A whole refresh outside fast mode: the clock page, every row with
        // the HTML list synced after it, the feedback page and the save.
        form.blnItemsEndingSoon = false;
        form.RefreshAuctions(QString(), false, false);
        ++passes;
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9 / double(passes);
    state.counters["rows"] = double(kItems);
    if (g_plainSeconds > 0) {
        state.counters["vs_plain"] = seconds / g_plainSeconds;
        state.counters["ms_per_row"] = (seconds - g_plainSeconds) * 1000.0 / kItems;
        std::fprintf(stderr, "refresh of %d rows in the window: %.1f ms; plain fetch of the same pages: %.1f ms; ratio %.2f\n",
                     kItems, seconds * 1000.0, g_plainSeconds * 1000.0, seconds / g_plainSeconds);
    }
    ListView &list = *form.lvwAuctions;
    if (list.Field(list.Item(1), QStringLiteral("itemtitle")) != s.server.items().find(s.numbers[0])->title)
        state.SkipWithError("the refresh did not fill the rows");
    else if (form.HTMLList->Element(QStringLiteral("itemtitle"), kItems - 1).innerText()
             != list.Field(list.Item(kItems), QStringLiteral("itemtitle")))
        state.SkipWithError("the HTML list does not show the refreshed rows");
}
BENCHMARK(BM_RefreshInTheMainWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace
