// Every test process gets a private home folder, the offscreen platform and
// a message-box responder, so no test touches the user's files or waits on a
// dialog.
#include "engine/ebayclock.h"
#include "foundation/basgeneral.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/mainformshell.h"
#include "platform/defaultinstance.h"
#include "platform/desktop.h"
#include "platform/registry.h"
#include "platform/schemes.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/programended.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QTemporaryDir>

namespace {

// Each test starts in a home folder of its own (settings, data, lock), with
// the settings store read afresh and no window left loaded by the test
// before, so a test binary run whole behaves as its tests run one by one.
class FreshHomeForEachTest final : public testing::EmptyTestEventListener
{
public:
    explicit FreshHomeForEachTest(QString root) : m_root(std::move(root)) {}

private:
    void OnTestStart(const testing::TestInfo &) override
    {
        const QString home = m_root + QStringLiteral("/test-") + QString::number(++m_count);
        QDir().mkpath(home);
        qputenv("TALLOWMERE_HOME", home.toUtf8());
        Registry::Store::instance().reset();
        QDir().mkpath(basGeneral::DataFolder()); // as the program's start makes it
        // The program's globals as a new process has them.
        CurrentUser.clear();
        EbayTimeOffset = 0;
        EbayClock::ForgetMeasurement();
        EbayClock::SetComputerClockAhead(0);
        EbayClock::StepComputerClock(0);
        // No hosts chosen: a test's simulator makes itself the program's
        // hosts at its first use in the test.
        qunsetenv("TALLOWMERE_HOSTS");
        HostRoles::reload();
        TabURLs.clear();
        EditMode = DebugMode = RelistInProgress = false;
        CommandLine.clear();
        MsgBoxScript::instance().clear();
    }

    void OnTestEnd(const testing::TestInfo &) override
    {
        try {
            LoadedWindows::UnloadAllBut(nullptr);
        } catch (const ProgramEnded &) {
            // A window that ends the program as it goes is gone all the same.
        }
        // The main window's timers (the loader, the tick) would run into the next test.
        if (frmMainShell::isLoaded())
            frmMainShell::destroyInstance();
        frmMainShell::setFactory({}); // the next test's first use chooses its kind
        // A shut-down under test asked the application to end; with no event
        // loop running, that request stays and every later modal window or
        // nested wait would return at once. An application loop that starts
        // and ends clears it.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QString m_root;
    int m_count = 0;
};

} // namespace

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
    testing::UnitTest::GetInstance()->listeners().Append(new FreshHomeForEachTest(home.path()));
    return RUN_ALL_TESTS();
}
