#include "engine/sendonce.h"

#include "platform/ansi.h"
#include "platform/inet.h"
#include "platform/oncefetch.h"

#include <QEventLoop>
#include <QScopeGuard>

namespace SendOnce {

QString Get(const QString &url, int timeoutSeconds, bool *requestWritten)
{
    Sent sent;
    const auto tell = qScopeGuard([&] {
        if (requestWritten)
            *requestWritten = sent.requestWritten;
    });
    return Get(url, timeoutSeconds, sent);
}

QString Get(const QString &url, int timeoutSeconds, Sent &sent, ReadyConnection *ready, std::function<bool()> mayWrite)
{
    sent = Sent();
    const QUrl target(url, QUrl::TolerantMode);
    if (!target.isValid() || target.host().isEmpty())
        throw NumberedError(ErrorNumber::InetRequestFailed, QStringLiteral("The URL is malformed: ") + url, QStringLiteral("Inet"));
    OnceFetch fetch(target, timeoutSeconds, OnceFetch::Connection::Own, Inet::PageReplyBytes);
    fetch.allowSlowHead();
    fetch.useConnection(ready);
    if (mayWrite)
        fetch.writeOnlyWhile(std::move(mayWrite));
    QEventLoop loop;
    QObject::connect(&fetch, &OnceFetch::ended, &loop, &QEventLoop::quit);
    fetch.start();
    if (!fetch.isEnded())
        loop.exec(QEventLoop::AllEvents);
    sent.requestWritten = fetch.requestWritten();
    sent.roundTripMs = fetch.roundTripMs();
    sent.redirected = fetch.redirected();
    if (fetch.error())
        throw *fetch.error();
    return Ansi::decode(fetch.body());
}

} // namespace SendOnce
