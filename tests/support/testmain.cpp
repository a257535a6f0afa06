// Every test process gets a private home folder, the offscreen platform and
// a message-box responder, so no test touches the user's files or waits on a
// dialog.
#include "platform/schemes.h"
#include "platform/desktop.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/programended.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char **argv)
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tallowmere-test-XXXXXX"));
    qputenv("TALLOWMERE_HOME", home.path().toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu --disable-background-networking");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qunsetenv("TALLOWMERE_HOSTS");
    qunsetenv("TALLOWMERE_CA");
    Desktop::RegisterUrlSchemes();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallowmere"));
    MsgBoxScript::installDefault();
    Desktop::setEndProgramHandler([](int code) { throw ProgramEnded{code}; });
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
