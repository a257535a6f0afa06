#include "app/programmain.h"

#include "app/endrequest.h"
#include "app/submain.h"
#include "foundation/globals.h"
#include "platform/network.h"
#include "platform/schemes.h"

#include <QApplication>

#include <unistd.h>

namespace {

// The browser engine refuses to run as root inside its sandbox.
void allowBrowserAsRoot()
{
    if (geteuid() != 0)
        return;
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--no-sandbox"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (flags + " --no-sandbox").trimmed());
}

} // namespace

int RunProgram(int argc, char **argv, const std::function<void()> &beforeStart)
{
    // SIGTERM and SIGINT end the program through the main window's shut-down;
    // caught from the first moment, so an early one is not a kill.
    EndRequest::Install();
    allowBrowserAsRoot();
    Desktop::RegisterUrlSchemes();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallowmere"));
    // The program ends when its main window unloads, not when the last
    // visible window closes (the main window hides in the tray).
    QApplication::setQuitOnLastWindowClosed(false);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    CommandLine = args.join(QLatin1Char(' '));
    Network::trustConfiguredAuthority();
    EndRequest::Listen();

    RegisterWindows();
    if (beforeStart)
        beforeStart();
    if (!Main())
        return 0;
    return QApplication::exec();
}
