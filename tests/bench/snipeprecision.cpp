// Run by hand: 20 snipes placed by the main tick against the simulator in
// this process, and how far each confirmation landed from its moment, the end
// less the bid delay (see tests/integration/snipetiming.h): median, 90th
// percentile and worst of that error, of the tick's lateness and of the path
// from the tick to the confirmation. Exits 1 when a snipe failed or a
// confirmation's error passed 100 ms. A second argument "fresh" starts
// without a stored lead time.
#include "platform/desktop.h"
#include "tests/bench/benchprocess.h"
#include "tests/integration/snipetiming.h"
#include "tests/support/msgboxscript.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

void printRow(const char *name, const QList<SnipeTiming::Snipe> &snipes,
              const std::function<qint64(const SnipeTiming::Snipe &)> &value)
{
    QList<qint64> values;
    for (const SnipeTiming::Snipe &s : snipes)
        values << value(s);
    std::printf("%-28s median %5lld ms   p90 %5lld ms   worst %5lld ms\n", name,
                qlonglong(SnipeTiming::Percentile(values, 0.5)), qlonglong(SnipeTiming::Percentile(values, 0.9)),
                qlonglong(SnipeTiming::Percentile(values, 1.0)));
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home(BenchHomeTemplate());
    PrepareBenchProcess(home);
    QApplication app(argc, argv);
    MsgBoxScript::installDefault();

    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20;
    const bool fresh = argc > 2 && QString::fromLocal8Bit(argv[2]) == QLatin1String("fresh");
    const SnipeTiming::Result run = SnipeTiming::Run(count > 0 ? count : 20, {.freshInstall = fresh});
    for (const QString &problem : run.problems)
        std::printf("problem: %s\n", qPrintable(problem));
    std::printf("%lld snipes, clock offset error %lld s\n", qlonglong(run.snipes.size()), qlonglong(run.offsetErrorS));
    for (const SnipeTiming::Snipe &s : run.snipes)
        std::printf("  item %s: confirmation %+lld ms, tick +%lld ms, path %lld ms\n", qPrintable(s.item),
                    qlonglong(s.confirmErrorMs), qlonglong(s.tickLateMs), qlonglong(s.pathMs));
    printRow("confirmation error", run.snipes, [](const auto &s) { return std::abs(s.confirmErrorMs); });
    printRow("tick lateness", run.snipes, [](const auto &s) { return s.tickLateMs; });
    printRow("tick to confirmation", run.snipes, [](const auto &s) { return s.pathMs; });

    bool ok = run.problems.isEmpty() && !run.snipes.isEmpty();
    for (const SnipeTiming::Snipe &s : run.snipes)
        ok = ok && std::abs(s.confirmErrorMs) <= 100;
    std::printf("%s\n", ok ? "every confirmation within 100 ms of its moment" : "FAILED");
    return ok ? 0 : 1;
}
