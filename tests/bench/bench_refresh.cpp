// Refreshing 200 tracked auctions against the simulator in this process,
// beside fetching the same 200 item pages one after another with a plain
// transfer control. The refresh's "vs_plain" counter is the ratio of the
// two: what reading the fields, the clock and feedback pages, the heartbeat
// per row and the save add to the bare requests.
#include "engine/mainformengine.h"
#include "engine/trackedauction.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/passwords.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/network.h"
#include "platform/statusbar.h"
#include "platform/ticktimer.h"
#include "sim/core/simserver.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>

namespace {

constexpr int kItems = 200;

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

        frmMainEngine &form = frmMainEngine::instance();
        form.tmrLoadProcess->setEnabled(false);
        form.lvwAuctions->ClearColumns();
        for (const auto &c : TrackedAuction::kColumns)
            form.lvwAuctions->AddColumn(c.key, c.caption);
        for (const char *key : {"IEStatus", "Status", "Feedback"})
            form.StatusBar->AddPanel(QString::fromLatin1(key));
        for (int i = 0; i < kItems; ++i) {
            ListItem *row = form.lvwAuctions->Add(numbers[i]);
            form.lvwAuctions->setField(row, QStringLiteral("maxbid"),
                                       i % 3 ? QStringLiteral("1 @ 125.00") : QStringLiteral("(watching)"));
            form.lvwAuctions->setField(row, QStringLiteral("user"), QStringLiteral("alice"));
            form.lvwAuctions->setField(row, QStringLiteral("reminders"), i % 7 == 0 ? QStringLiteral("bq") : QString());
            row->setTag(i % 3 ? QStringLiteral("Local") : QString());
        }
        frmSettings::instance().lvwUsers->Add(QStringLiteral("alice"))->setTag(basGeneral::ScramblePassword(QStringLiteral("pw")));
        CurrentUser = QStringLiteral("alice");
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
    qint64 bytes = 0;
    clock.start();
    for (auto _ : state) {
        for (const QString &url : std::as_const(s.urls))
            bytes += inet.OpenURL(url).size();
        ++passes;
    }
    g_plainSeconds = double(clock.nsecsElapsed()) / 1e9 / double(passes);
    state.counters["pages"] = double(kItems);
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_PlainFetchOfTheItemPages)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RefreshAuctions(benchmark::State &state)
{
    Setup &s = setup();
    frmMainEngine &form = frmMainEngine::instance();
    QElapsedTimer clock;
    qint64 passes = 0;
    clock.start();
    for (auto _ : state) {
        // A whole refresh outside fast mode: the clock page, every row, the
        // feedback page and the save.
        form.blnItemsEndingSoon = false;
        form.RefreshAuctions(QString(), false, false);
        ++passes;
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9 / double(passes);
    state.counters["rows"] = double(kItems);
    if (g_plainSeconds > 0) {
        state.counters["vs_plain"] = seconds / g_plainSeconds;
        std::fprintf(stderr, "refresh of %d rows: %.1f ms; plain fetch of the same pages: %.1f ms; ratio %.2f\n", kItems,
                     seconds * 1000.0, g_plainSeconds * 1000.0, seconds / g_plainSeconds);
    }
    if (form.lvwAuctions->Field(form.lvwAuctions->Item(1), QStringLiteral("itemtitle")) != s.server.items().find(s.numbers[0])->title)
        state.SkipWithError("the refresh did not fill the rows");
}
BENCHMARK(BM_RefreshAuctions)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
