#include "tests/bench/refreshsetup.h"

#include "engine/mainformengine.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/passwords.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/network.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include <cstdio>

namespace RefreshBench {

Simulator::Simulator(int pageHoldMs)
{
    if (!server.start())
        qFatal("simulator: %s", qPrintable(server.errorString()));
    qputenv("TALLOWMERE_HOSTS", server.hostsFile().toUtf8());
    qputenv("TALLOWMERE_CA", server.caFile().toUtf8());
    HostRoles::reload();
    Network::trustConfiguredAuthority();
    server.addAccount(QStringLiteral("alice"), QStringLiteral("pw"), 1234, 99.5);
    if (pageHoldMs > 0) {
        Sim::FaultRule hold;
        hold.pattern = QStringLiteral("*");
        hold.mode = Sim::FaultMode::Hang;
        hold.delayMs = pageHoldMs;
        hold.remaining = -1;
        server.faults().add(hold);
    }
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
}

void Simulator::fillRows(ListView &list) const
{
    for (int i = 0; i < kItems; ++i) {
        ListItem *row = list.Add(numbers[i]);
        list.setField(row, QStringLiteral("maxbid"), i % 3 ? QStringLiteral("1 @ 125.00") : QStringLiteral("(watching)"));
        list.setField(row, QStringLiteral("user"), QStringLiteral("alice"));
        list.setField(row, QStringLiteral("reminders"), i % 7 == 0 ? QStringLiteral("bq") : QString());
        row->setTag(i % 3 ? QStringLiteral("Local") : QString());
    }
}

void Simulator::signIn()
{
    frmSettings::instance().lvwUsers->Add(QStringLiteral("alice"))->setTag(basGeneral::ScramblePassword(QStringLiteral("pw")));
    CurrentUser = QStringLiteral("alice");
}

double TimePlainFetches(benchmark::State &state, const QStringList &urls)
{
    Inet inet;
    QElapsedTimer clock;
    qint64 passes = 0;
    qint64 bytes = 0;
    clock.start();
    for (auto _ : state) {
        for (const QString &url : urls)
            bytes += inet.OpenURL(url).size();
        ++passes;
    }
    state.counters["pages"] = double(urls.size());
    state.SetBytesProcessed(bytes);
    return double(clock.nsecsElapsed()) / 1e9 / double(passes);
}

void TimeRefreshes(benchmark::State &state, frmMainEngine &form, double plainSeconds, const char *what)
{
    QElapsedTimer clock;
    qint64 passes = 0;
    clock.start();
    for (auto _ : state) {
        form.blnItemsEndingSoon = false;
        form.RefreshAuctions(QString(), false, false);
        ++passes;
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9 / double(passes);
    state.counters["rows"] = double(kItems);
    if (plainSeconds > 0) {
        state.counters["vs_plain"] = seconds / plainSeconds;
        state.counters["ms_per_row"] = (seconds - plainSeconds) * 1000.0 / kItems;
        std::fprintf(stderr, "refresh of %d rows%s: %.1f ms; plain fetch of the same pages: %.1f ms; ratio %.2f\n", kItems,
                     what, seconds * 1000.0, plainSeconds * 1000.0, seconds / plainSeconds);
    }
}

} // namespace RefreshBench
