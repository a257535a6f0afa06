#include "foundation/settingsnotice.h"

#include "platform/msgbox.h"

#include <QCoreApplication>
#include <QList>
#include <QTimer>

namespace {

const QString kCrLf2 = QStringLiteral("\r\n\r\n");

QList<Registry::Store::SetAside> &untold()
{
    static QList<Registry::Store::SetAside> events;
    return events;
}

} // namespace

QString UnreadableSettingsMessage(const Registry::Store::SetAside &event)
{
    const QString what = QStringLiteral("Your settings file could not be read and has been set aside as:") + kCrLf2
        + event.copy + kCrLf2;
    if (event.keptValues)
        return what + Desktop::AppTitle()
            + QStringLiteral(" goes on with the settings it had already read and has saved them again; "
                             "the unreadable file is kept there.");
    return what + Desktop::AppTitle() + QStringLiteral(" starts as on a first run; your old file is kept there.");
}

void WatchUnreadableSettings()
{
    Registry::Store::instance().setUnreadableHandler([](const Registry::Store::SetAside &event) {
        untold() << event;
        // Not in the middle of the settings read that found it.
        if (QCoreApplication::instance())
            QTimer::singleShot(0, QCoreApplication::instance(), [] { TellUnreadableSettings(); });
    });
}

void TellUnreadableSettings()
{
    // One box at a time: a file set aside while a box is open is told
    // after it by the loop below.
    static bool telling = false;
    if (telling)
        return;
    telling = true;
    struct Done
    {
        ~Done() { telling = false; }
    } done;
    while (!untold().isEmpty())
        Desktop::MsgBox(UnreadableSettingsMessage(untold().takeFirst()), Desktop::BoxExclamation);
}
