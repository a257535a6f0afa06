#include "updater/notice.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace Notice {

namespace {

void toStderr(const QString &text)
{
    std::fprintf(stderr, "tallowmere-updater: %s\n", qPrintable(text));
    std::fflush(stderr);
}

} // namespace

bool HasDisplay()
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platform.startsWith(QLatin1String("offscreen")) || platform.startsWith(QLatin1String("minimal")))
        return false;
    return !qEnvironmentVariable("DISPLAY").isEmpty() || !qEnvironmentVariable("WAYLAND_DISPLAY").isEmpty();
}

void Progress(const QString &text)
{
    toStderr(text);
}

void Failure(const QString &text)
{
    toStderr(text);
    // The main function makes a QApplication only when there is a display.
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        QMessageBox::warning(nullptr, QStringLiteral("Tallowmere update"), text);
}

} // namespace Notice
