#include "platform/eventdepth.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

namespace EventDepth {

bool AtTheBase(int ownHandlers)
{
    // Posting a deferred delete records how deep the events are delivered:
    // the loops running plus the handlers nested inside them.
    QObject probe;
    auto *event = new QDeferredDeleteEvent;
    QCoreApplication::postEvent(&probe, event);
    const int depth = event->loopLevel();
    QCoreApplication::removePostedEvents(&probe, QEvent::DeferredDelete);
    const int loops = QThread::currentThread()->loopLevel();
    return loops <= 1 && depth - loops <= 1 + ownHandlers;
}

} // namespace EventDepth
