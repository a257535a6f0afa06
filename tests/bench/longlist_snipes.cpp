// Many snipes at once in the longest list: the real program as its own
// process, a list of N rows whose last 100 are snipes ending within one
// minute, against the simulator in this process (whose event loop is idle,
// so its arrival times are true). For each size:
//   worst_ms     the largest distance of a confirmation from its moment
//                (the end less the bid delay), early or late;
//   median_ms    the median signed distance (late positive);
//   early, late  confirmations more than a second before their moment, or
//                at or after their end;
//   missing      snipes never confirmed; silent: of those, the ones the bid
//                log does not name as not placed.
// Each is also given as a ratio to the 100-row run of the same program run
// (run the sizes in one go, smallest first). A run takes two to three minutes.
// LONGLIST_SNIPE_DETAIL=1 prints each snipe's figure.
#include "engine/listfileformat.h"
#include "foundation/basgeneral.h"
#include "tests/integration/longlistrun.h"
#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/testfiles.h"
#include "tests/support/waitfor.h"

#include <benchmark/benchmark.h>

#include <QDateTime>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

using namespace LongListRun;

namespace {

constexpr int kSnipes = 100;
constexpr qint64 kSpanS = 60;
// Time for the program to start and load the longest list before the first end.
constexpr qint64 kFirstEndS = 90;
constexpr qint64 kBidDelayS = 3; // the bid delay list's entry 2

struct SnipeFigures
{
    double worstMs = 0;
    double medianMs = 0;
    int early = 0;
    int late = 0;
    int missing = 0;
    int silent = 0;
};

SnipeFigures runSnipes(int rows)
{
    for (const char *name : {"data6.dat", "logbids.txt", "log.txt"})
        QFile::remove(basGeneral::DataFolder() + QLatin1String(name));
    ProgramRun::Server().addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    ProgramRun::PrepareFinishedFirstRunToSnipe(3, 2);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const Snipes snipes = AddSnipes(kSnipes, now, kFirstEndS, kSpanS);
    writeBytes(basGeneral::DataFolder() + QStringLiteral("data6.dat"),
               ListFile::EncodeFile(FarRows(rows - kSnipes, now) + snipes.records));
    const qint64 mark = RefreshSim::Mark();

    BidLogWatch log;
    RunPastTheLastEnd(snipes, now, log);

    SnipeFigures f;
    QList<qint64> distances;
    const bool detail = qEnvironmentVariableIsSet("LONGLIST_SNIPE_DETAIL");
    for (const SnipeTiming &t : Timings(mark, snipes, kBidDelayS, log)) {
        if (detail)
            std::fprintf(stderr, "%d rows: item %s ends %s: %s\n", rows, qPrintable(t.number),
                         qPrintable(t.end.toString(Qt::ISODate)),
                         t.fromMomentMs ? qPrintable(QString::number(*t.fromMomentMs) + QStringLiteral(" ms from its moment"))
                                        : (t.saidMissed.isEmpty() ? "not placed, silent" : qPrintable(t.saidMissed)));
        if (!t.fromMomentMs) {
            ++f.missing;
            f.silent += t.saidMissed.isEmpty() ? 1 : 0;
            continue;
        }
        distances << *t.fromMomentMs;
        f.worstMs = std::max(f.worstMs, double(std::abs(*t.fromMomentMs)));
        f.early += *t.fromMomentMs < -1000 ? 1 : 0;
        f.late += t.afterEnd ? 1 : 0;
    }
    std::sort(distances.begin(), distances.end());
    if (!distances.isEmpty())
        f.medianMs = double(distances[distances.size() / 2]);
    return f;
}

std::optional<SnipeFigures> g_baseline;

void BM_ManySnipes(benchmark::State &state)
{
    const int rows = int(state.range(0));
    for (auto _ : state) {
        const SnipeFigures f = runSnipes(rows);
        if (rows == kSnipes)
            g_baseline = f;
        const SnipeFigures &base = g_baseline ? *g_baseline : f;
        state.SetIterationTime(f.worstMs / 1000.0);
        state.counters["worst_ms"] = f.worstMs;
        state.counters["worst_ratio"] = f.worstMs / std::max(base.worstMs, 1.0);
        state.counters["median_ms"] = f.medianMs;
        state.counters["early"] = f.early;
        state.counters["late"] = f.late;
        state.counters["missing"] = f.missing;
        state.counters["silent"] = f.silent;
        double load[1] = {0};
        if (getloadavg(load, 1) == 1)
            state.counters["load"] = load[0];
    }
}

} // namespace

BENCHMARK(BM_ManySnipes)
    ->ArgNames({"rows"})
    ->Arg(kSnipes)
    ->Arg(ListFile::kMaxRecords)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
