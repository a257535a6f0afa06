// Run by hand: 20 snipes placed by the main tick against the simulator in
// this process, and how late each came against its moment (see
// tests/integration/snipetiming.h): median, 90th percentile and worst of the
// tick's lateness (the confirmation's error), of the request path, and of the
// confirmation's arrival after the moment. Exits 1 when a snipe failed or a
// confirmation's error reached 100 ms.
#include "platform/desktop.h"
#include "tests/bench/benchprocess.h"
#include "tests/integration/snipetiming.h"
#include "tests/support/msgboxscript.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
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
    const SnipeTiming::Result run = SnipeTiming::Run(count > 0 ? count : 20);
    for (const QString &problem : run.problems)
        std::printf("problem: %s\n", qPrintable(problem));
    std::printf("%lld snipes, clock offset error %lld s\n", qlonglong(run.snipes.size()), qlonglong(run.offsetErrorS));
    for (const SnipeTiming::Snipe &s : run.snipes)
        std::printf("  item %s: tick +%lld ms, path %lld ms, confirmation +%lld ms\n", qPrintable(s.item),
                    qlonglong(s.tickLateMs), qlonglong(s.pathMs), qlonglong(s.arrivalMs));
    printRow("confirmation error (tick)", run.snipes, [](const auto &s) { return s.tickLateMs; });
    printRow("request path", run.snipes, [](const auto &s) { return s.pathMs; });
    printRow("confirmation after moment", run.snipes, [](const auto &s) { return s.arrivalMs; });

    bool ok = run.problems.isEmpty() && !run.snipes.isEmpty();
    for (const SnipeTiming::Snipe &s : run.snipes)
        ok = ok && s.tickLateMs >= 0 && s.tickLateMs < 100;
    std::printf("%s\n", ok ? "every confirmation within 100 ms of its moment" : "FAILED");
    return ok ? 0 : 1;
}
