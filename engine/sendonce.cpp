#include "engine/sendonce.h"

#include "platform/ansi.h"
#include "platform/inet.h"
#include "platform/oncefetch.h"

#include <QEventLoop>

namespace SendOnce {

QString Get(const QString &url, int timeoutSeconds, bool *requestWritten, std::function<bool()> mayWrite)
{
    if (requestWritten)
        *requestWritten = false;
    const QUrl target(url, QUrl::TolerantMode);
    if (!target.isValid() || target.host().isEmpty())
        throw NumberedError(ErrorNumber::InetRequestFailed, QStringLiteral("The URL is malformed: ") + url, QStringLiteral("Inet"));
    OnceFetch fetch(target, timeoutSeconds, OnceFetch::Connection::Own, Inet::PageReplyBytes);
    fetch.allowSlowHead();
    if (mayWrite)
        fetch.writeOnlyWhile(std::move(mayWrite));
    QEventLoop loop;
    QObject::connect(&fetch, &OnceFetch::ended, &loop, &QEventLoop::quit);
    fetch.start();
    if (!fetch.isEnded())
        loop.exec(QEventLoop::AllEvents);
    if (requestWritten)
        *requestWritten = fetch.requestWritten();
    if (fetch.error())
        throw *fetch.error();
    return Ansi::decode(fetch.body());
}

} // namespace SendOnce
