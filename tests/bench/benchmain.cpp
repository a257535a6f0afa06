// Shared main of the benchmark programs: the offscreen platform and a private
// home folder, like the tests.
#include "tests/bench/benchprocess.h"
#include "tests/support/msgboxscript.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char **argv)
{
    QTemporaryDir home(BenchHomeTemplate());
    PrepareBenchProcess(home);
    QApplication app(argc, argv);
    MsgBoxScript::installDefault();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
