#include "tests/bench/refreshsetup.h"

#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/passwords.h"
#include "platform/listview.h"
#include "platform/network.h"

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

} // namespace RefreshBench
