#include "app/submain.h"
#include "foundation/globals.h"
#include "platform/network.h"
#include "platform/schemes.h"

#include <QApplication>

int main(int argc, char **argv)
{
    Vb::RegisterUrlSchemes();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallowmere"));
    // The program ends when its main window unloads, not when the last
    // visible window closes (the main window hides in the tray).
    QApplication::setQuitOnLastWindowClosed(false);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    CommandLine = args.join(QLatin1Char(' '));
    Network::trustConfiguredAuthority();

    RegisterWindows();
    if (!Main())
        return 0;
    return QApplication::exec();
}
