// Shared main of the benchmark programs: the offscreen platform and a private
// home folder, like the tests.
#include "platform/schemes.h"
#include "tests/support/msgboxscript.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char **argv)
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tallowmere-bench-XXXXXX"));
    qputenv("TALLOWMERE_HOME", home.path().toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu --disable-background-networking");
    Desktop::RegisterUrlSchemes();
    QApplication app(argc, argv);
    MsgBoxScript::installDefault();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
