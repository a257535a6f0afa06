#include "tests/integration/snipetiming.h"

#include "engine/ebayclock.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/settingsstore.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "tests/integration/refreshsimutil.h"

#include <QComboBox>
#include <QDateTime>
#include <QTimer>
#include <QHash>

#include <algorithm>
#include <cmath>

using namespace RefreshSim;

namespace SnipeTiming {

namespace {

// Time for the first refresh and the sign-in before fast mode.
constexpr int kFirstMomentS = 10;

} // namespace

Result Run(int count, const Setup &setup)
{
    Result result;
    Form &f = FreshForm();
    f.realBid = true;
    if (setup.freshInstall)
        DeleteSetting(QStringLiteral("Lead time"));
    frmSettings &settings = frmSettings::instance();
    settings.ddnBidDelay->setCurrentIndex(settings.ddnBidDelay->findData(setup.bidDelayS));
    Server().setClockOffsetMs(setup.ebayAheadMs);
    const bool misbehaves = setup.staleEvery > 0 || setup.misbehaviour.any();
    if (misbehaves || Server().pathInFront() != (setup.pathDelayMs > 0) || Server().pathDelayMs() != setup.pathDelayMs) {
        Server().setPathMisbehaviour({}, 0, 0);
        Server().setNetworkPath(setup.pathDelayMs);
        if (misbehaves)
            Server().setPathMisbehaviour(setup.misbehaveBeforeMs < 0 ? setup.misbehaviour : Sim::NetworkPath::Misbehaviour{},
                                         setup.staleEvery, setup.staleMs);
        HostRoles::reload();
    }
    const int spacingS = setup.spacingS;
    const qint64 delayS = settings.BidDelaySeconds();
    if (delayS != setup.bidDelayS)
        result.problems << QStringLiteral("no such bid delay");
    const qint64 leadS = GetSetting(QStringLiteral("Lead time"), 15).toInt() + delayS;

    // Ends on whole seconds of eBay's clock, as the item page shows them.
    const qint64 nowS = Server().now().toSecsSinceEpoch();
    QHash<QString, qint64> endMs; // by item number, on the real clock
    for (int i = 0; i < count; ++i) {
        const qint64 aboutMs = (nowS + kFirstMomentS + leadS + qint64(i) * spacingS) * 1000 + setup.ebayAheadMs;
        const qint64 realEndMs = aboutMs - aboutMs % 1000 - setup.ebayAheadMs;
        const QString number = AddItem(0, 1.0, [realEndMs](Sim::SimItem &item) {
            item.endsAt = QDateTime::fromMSecsSinceEpoch(realEndMs, Qt::UTC);
        });
        AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
        endMs.insert(number, realEndMs);
        if (setup.misbehaviour.any() && setup.misbehaveBeforeMs >= 0) {
            const qint64 atMs = realEndMs - delayS * 1000 - setup.misbehaveBeforeMs - QDateTime::currentMSecsSinceEpoch();
            QTimer::singleShot(int(std::max<qint64>(0, atMs)), Qt::PreciseTimer, &f, [setup] {
                Server().setPathMisbehaviour(setup.misbehaviour, setup.staleEvery, setup.staleMs);
            });
        }
    }
    const qint64 mark = Mark();
    const double lastEndS = kFirstMomentS + leadS + double(count - 1) * spacingS;

    ListView &list = *f.lvwAuctions;
    auto allEnded = [&] {
        for (int i = 1; i <= list.Count(); ++i)
            if (Field(list.Item(i), "timeleft") != QLatin1String("Ended"))
                return false;
        return true;
    };
    // Switched on half-way through a second, so a tick that keeps the phase
    // it was started at comes about 500 ms after every moment.
    const qint64 intoSecond = QDateTime::currentMSecsSinceEpoch() % 1000;
    Desktop::WaitWithEvents(int((1500 - intoSecond) % 1000));
    f.tmrTimer->setEnabled(true);
    const bool ended = RunUntil(allEnded, lastEndS + 30);
    f.tmrTimer->setEnabled(false);
    if (!ended)
        result.problems << QStringLiteral("not every auction ended in time");
    result.offsetErrorMs = (EbayTimeOffset - EbayClock::EstimatedOffset()) * 1000 - Server().clockOffsetMs();
    const bool leadKept = GetSetting(QStringLiteral("Lead time"), 15).toInt() + delayS == leadS;

    const QList<Sim::LogEntry> requests = RequestsSince(mark);
    for (auto it = endMs.cbegin(); it != endMs.cend(); ++it) {
        const QString &number = it.key();
        const qsizetype at = f.bids.indexOf(number);
        if (at < 0) {
            result.problems << number + QStringLiteral(": never bid");
            continue;
        }
        if (const Sim::SimItem *item = Server().items().find(number); item && item->winner == QLatin1String("alice"))
            result.won << number;
        if (f.bids.count(number) > 1)
            result.problems << number + QStringLiteral(": bid more than once");
        const auto confirmation = std::find_if(requests.cbegin(), requests.cend(),
                                               [&](const Sim::LogEntry &e) { return IsBidConfirmation(e, number); });
        if (confirmation == requests.cend()) {
            result.problems << number + QStringLiteral(": no confirmation reached the simulator");
            continue;
        }
        Snipe s;
        s.item = number;
        const qint64 tickMs = f.bidMoments[at].toMSecsSinceEpoch();
        const qint64 arrivalMs = confirmation->arrival.toMSecsSinceEpoch();
        // The simulator runs on this computer's clock; a clock offset only
        // moves the times its pages print.
        s.confirmErrorMs = arrivalMs - (it.value() - delayS * 1000);
        s.tickLateMs = leadKept ? tickMs - (it.value() - leadS * 1000) : 0;
        s.pathMs = arrivalMs - tickMs;
        result.snipes << s;
    }
    std::sort(result.snipes.begin(), result.snipes.end(),
              [&](const Snipe &a, const Snipe &b) { return endMs[a.item] < endMs[b.item]; });
    return result;
}

qint64 Percentile(QList<qint64> values, double q)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = qsizetype(std::ceil(q * double(values.size())));
    return values[std::clamp<qsizetype>(rank - 1, 0, values.size() - 1)];
}

} // namespace SnipeTiming
