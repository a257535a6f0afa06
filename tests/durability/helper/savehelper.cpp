// A program the durability tests start: it saves one of the program's files
// over and over (to be killed at a random moment), or writes many settings
// beside another copy of itself.
//   savehelper writer <prefix> <count>   settings <prefix>0 .. <prefix>count-1
//   savehelper loop list|settings|log|update
// "loop" prints "ready" once a first whole save is on disk.
#include "tests/durability/helper/saveloops.h"

#include "foundation/basgeneral.h"
#include "platform/schemes.h"
#include "platform/registry.h"
#include "tests/support/msgboxscript.h"

#include <QDir>

#include <QApplication>
#include <QTextStream>

#include <cstdio>

namespace {

Registry::Value text(const QString &s)
{
    Registry::Value v;
    v.type = Registry::String;
    v.data = s.toLatin1();
    return v;
}

} // namespace

int main(int argc, char **argv)
{
    // As every test process: offscreen, the browser engine without sandbox.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu --disable-background-networking");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    Desktop::RegisterUrlSchemes();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallowmere"));
    MsgBoxScript::installDefault();
    QDir().mkpath(basGeneral::DataFolder());
    const QStringList args = QApplication::arguments();
    if (args.size() == 4 && args[1] == QLatin1String("writer")) {
        const int count = args[3].toInt();
        int failed = 0;
        for (int i = 0; i < count; ++i)
            if (!Registry::Store::instance().setValue(Registry::Root::CurrentUser, SaveLoops::kWriterKey,
                                                       args[2] + QString::number(i), text(QString::number(i))))
                ++failed;
        return failed == 0 ? 0 : 1;
    }
    if (args.size() == 3 && args[1] == QLatin1String("loop"))
        return SaveLoops::Run(args[2], [] {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
        });
    std::fputs("usage: savehelper writer <prefix> <count> | loop list|settings|log|update\n", stderr);
    return 2;
}
