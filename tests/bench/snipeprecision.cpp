// How close a snipe's confirmation lands to its moment, the end less the bid
// delay (see tests/integration/snipetiming.h): snipes placed by the main tick
// against the simulator in this process, then, as a baseline on the same
// machine at the same time, requests sent the way a confirmation goes by a
// timer aimed straight at a whole second. The time shown is the median
// confirmation error; the counters give its 90th percentile and worst, the
// tick's lateness, the path from the tick to the confirmation, the baseline's
// median and the ratio of the two medians (1: the bid adds nothing to what
// any request sent on time would show), and the arrival against the moment
// with its sign (median, and the worst by size). With eBay's clock a
// fraction of a second off this computer's, the page's whole seconds hide
// the fraction. It times real seconds: each run takes about a minute.
//
// BM_SnipeOverPath runs the same snipes over the simulator's network path:
// its arguments are the path's one-way delay (ms), eBay's clock against this
// computer's (ms, either way) and the number of snipes. Its counters give the
// confirmation's arrival at the simulator against the moment, signed (late
// is positive): the median and the worst, and how many items were won. Cells
// are independent: run them in parallel with --benchmark_filter.
//
// BM_SnipeWhenServersMisbehave runs them with the 1 s bid delay against
// servers that misbehave (its argument picks the case, named in its label):
// a time page served a second stale every 2nd or every 5th reading, the
// handshake of the connection opened ahead never answered, a secure host
// that closes connections idle for 0.7 s, one that closes the 5 connections
// opened from 4 s before the moment at their hello, and ten snipes ending
// within 10 s while as many busy processes as cores load the machine.
#include "engine/sendonce.h"
#include "foundation/hostroles.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/integration/snipetiming.h"

#include <benchmark/benchmark.h>

#include <QDateTime>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace {

// Requests of the baseline, a second apart.
constexpr int kBaselineShots = 10;
// Between the ends of the snipes over a network path: each bid window signs
// out before the next one signs in, so no sign-out ends another's session.
constexpr int kPathSpacingS = 8;

QList<qint64> valuesOf(const QList<SnipeTiming::Snipe> &snipes, const std::function<qint64(const SnipeTiming::Snipe &)> &value)
{
    QList<qint64> values;
    for (const SnipeTiming::Snipe &s : snipes)
        values << value(s);
    return values;
}

// How late a request sent at a whole second by a precise timer reaches the
// simulator, for each of `shots` seconds: the least a confirmation can be
// off its moment on this machine now.
QList<qint64> baselineErrors(int shots)
{
    const QString number = RefreshSim::AddItem(600);
    const QString url = HostRoles::url(HostRoles::Role::Item, QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + number);
    const qint64 mark = RefreshSim::Mark();
    QList<qint64> moments;
    for (int i = 0; i < shots; ++i) {
        const qint64 momentMs = (QDateTime::currentMSecsSinceEpoch() / 1000 + 1) * 1000;
        bool sent = false;
        QTimer::singleShot(int(momentMs - QDateTime::currentMSecsSinceEpoch()), Qt::PreciseTimer, [&] {
            try {
                SendOnce::Get(url, 30);
            } catch (...) {
                // Its arrival is what counts, not the answer.
            }
            sent = true;
        });
        RefreshSim::RunUntil([&] { return sent; }, 35);
        moments << momentMs;
    }
    QList<qint64> errors;
    const QList<Sim::LogEntry> requests = RefreshSim::RequestsSince(mark);
    for (const Sim::LogEntry &e : requests)
        if (e.target.contains(number) && errors.size() < moments.size())
            errors << e.arrival.toMSecsSinceEpoch() - moments[errors.size()];
    return errors;
}

void setRow(benchmark::State &state, const char *name, const QList<qint64> &values)
{
    state.counters[std::string(name) + "_median_ms"] = double(SnipeTiming::Percentile(values, 0.5));
    state.counters[std::string(name) + "_p90_ms"] = double(SnipeTiming::Percentile(values, 0.9));
    state.counters[std::string(name) + "_worst_ms"] = double(SnipeTiming::Percentile(values, 1.0));
}

// Arguments: the number of snipes, 1 to start without a stored lead time,
// and how far eBay's clock is ahead of this computer's (ms, behind below 0).
void BM_SnipeConfirmation(benchmark::State &state)
{
    const int count = int(state.range(0));
    const bool fresh = state.range(1) != 0;
    const qint64 aheadMs = state.range(2);
    for (auto _ : state) {
        const SnipeTiming::Result run = SnipeTiming::Run(count, {.freshInstall = fresh, .ebayAheadMs = aheadMs});
        const QList<qint64> baseline = baselineErrors(kBaselineShots);
        if (!run.problems.isEmpty() || run.snipes.isEmpty() || std::abs(run.offsetErrorMs) >= 1000
            || baseline.size() != kBaselineShots) {
            const QString why = run.problems.isEmpty() ? QStringLiteral("no snipe timed, or clock offset or baseline wrong")
                                                       : run.problems.join(QStringLiteral("; "));
            state.SkipWithError(qPrintable(why));
            return;
        }
        const QList<qint64> errors = valuesOf(run.snipes, [](const auto &s) { return std::abs(s.confirmErrorMs); });
        const qint64 median = SnipeTiming::Percentile(errors, 0.5);
        const qint64 baselineMedian = SnipeTiming::Percentile(baseline, 0.5);
        state.SetIterationTime(double(median) / 1000.0);
        setRow(state, "confirmation", errors);
        setRow(state, "tick_late", valuesOf(run.snipes, [](const auto &s) { return s.tickLateMs; }));
        setRow(state, "tick_to_confirmation", valuesOf(run.snipes, [](const auto &s) { return s.pathMs; }));
        setRow(state, "baseline", baseline);
        const QList<qint64> signedErrors = valuesOf(run.snipes, [](const auto &s) { return s.confirmErrorMs; });
        state.counters["arrival_median_ms"] = double(SnipeTiming::Percentile(signedErrors, 0.5));
        const auto worst = std::max_element(signedErrors.cbegin(), signedErrors.cend(),
                                            [](qint64 a, qint64 b) { return std::abs(a) < std::abs(b); });
        state.counters["arrival_worst_ms"] = double(*worst);
        // A baseline of 0 ms counts as 1, so the ratio stays finite.
        state.counters["ratio_to_baseline"] = double(median) / double(std::max<qint64>(baselineMedian, 1));
    }
}

// The value farthest from 0, with its sign.
qint64 worstOf(const QList<qint64> &values)
{
    qint64 worst = 0;
    for (qint64 v : values)
        if (std::abs(v) > std::abs(worst))
            worst = v;
    return worst;
}

// The arrivals of a run against their moments: median and worst as
// counters, each one in the label after `name`. Returns the arrivals.
QList<qint64> reportArrivals(benchmark::State &state, const SnipeTiming::Result &run, const QString &name)
{
    const QList<qint64> errors = valuesOf(run.snipes, [](const auto &s) { return s.confirmErrorMs; });
    const qint64 median = SnipeTiming::Percentile(errors, 0.5);
    state.SetIterationTime(double(std::abs(median)) / 1000.0);
    state.counters["arrival_median_ms"] = double(median);
    state.counters["arrival_worst_ms"] = double(worstOf(errors));
    state.counters["won"] = double(run.won.size());
    state.counters["timed"] = double(run.snipes.size());
    QStringList each;
    for (qint64 e : errors)
        each << QString::number(e);
    state.SetLabel(qPrintable(name + QStringLiteral("arrivals ") + each.join(QLatin1Char(',')) + QStringLiteral(" ms ")
                              + run.problems.join(QStringLiteral("; "))));
    return errors;
}

void BM_SnipeOverPath(benchmark::State &state)
{
    const int pathMs = int(state.range(0));
    const qint64 aheadMs = state.range(1);
    const int count = int(state.range(2));
    for (auto _ : state) {
        const SnipeTiming::Result run =
            SnipeTiming::Run(count, {.spacingS = kPathSpacingS, .ebayAheadMs = aheadMs, .pathDelayMs = pathMs});
        if (run.snipes.isEmpty()) {
            state.SkipWithError(qPrintable(run.problems.join(QStringLiteral("; "))));
            return;
        }
        reportArrivals(state, run, QString());
        state.counters["offset_error_ms"] = double(run.offsetErrorMs);
    }
}

struct Misbehaving
{
    const char *name;
    SnipeTiming::Setup setup;
    int snipes = 3;
    bool busy = false;
};

Misbehaving misbehavingCase(int which)
{
    SnipeTiming::Setup setup{.spacingS = kPathSpacingS};
    switch (which) {
    case 0:
        setup.staleEvery = 2;
        return {"stale time page, every 2nd reading 1 s behind", setup};
    case 1:
        setup.staleEvery = 5;
        return {"stale time page, every 5th reading 1 s behind", setup};
    case 2:
        setup.misbehaviour.stallHandshakes = 1;
        setup.misbehaveBeforeMs = 4000;
        return {"handshake of the connection opened ahead stalled", setup};
    case 3:
        setup.misbehaviour.closeIdleMs = 700;
        return {"host closes connections idle 0.7 s", setup};
    case 4:
        setup.misbehaviour.closeAtHello = 5;
        setup.misbehaveBeforeMs = 4000;
        return {"5 connections closed at their hello", setup};
    default:
        setup.spacingS = 1;
        return {"heavy load: 10 snipes within 10 s, every core busy", setup, 10, true};
    }
}

void BM_SnipeWhenServersMisbehave(benchmark::State &state)
{
    const Misbehaving c = misbehavingCase(int(state.range(0)));
    for (auto _ : state) {
        // Busy processes of this benchmark's own, ended by their handles.
        std::vector<std::unique_ptr<QProcess>> busy;
        if (c.busy) {
            for (int i = 0; i < QThread::idealThreadCount(); ++i) {
                busy.push_back(std::make_unique<QProcess>());
                busy.back()->start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
            }
        }
        const SnipeTiming::Result run = SnipeTiming::Run(c.snipes, c.setup);
        for (auto &p : busy) {
            p->kill();
            p->waitForFinished(5000);
        }
        if (run.snipes.isEmpty()) {
            state.SkipWithError(qPrintable(QString::fromLatin1(c.name) + QStringLiteral(": ") + run.problems.join(QStringLiteral("; "))));
            return;
        }
        const QList<qint64> errors = reportArrivals(state, run, QString::fromLatin1(c.name) + QStringLiteral(": "));
        state.counters["after_end"] = double(std::count_if(errors.cbegin(), errors.cend(), [](qint64 e) { return e >= 1000; }));
    }
}

} // namespace

BENCHMARK(BM_SnipeWhenServersMisbehave)
    ->ArgNames({"case"})
    ->DenseRange(0, 5)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_SnipeOverPath)
    ->ArgNames({"path_ms", "ebay_ahead_ms", "snipes"})
    ->ArgsProduct({{0, 50, 150}, {-700, -10, 10, 400, 900}, {3}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_SnipeConfirmation)
    ->ArgNames({"snipes", "fresh", "ebay_ahead_ms"})
    ->Args({20, 0, 0})
    ->Args({5, 1, 0})
    ->Args({8, 0, -700})
    ->Args({8, 0, -10})
    ->Args({8, 0, 10})
    ->Args({8, 0, 400})
    ->Args({8, 0, 900})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
