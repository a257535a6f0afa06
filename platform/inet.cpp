#include "platform/inet.h"

#include "platform/ansi.h"
#include "platform/numberederror.h"
#include "platform/oncefetch.h"

#include <QEventLoop>

#include <memory>

Inet::Inet(QObject *parent) : QObject(parent) {}

Inet::~Inet()
{
    if (m_fetch) {
        // A request begun with Begin() ends without its completion: whoever
        // waits for it goes with this control's owner.
        m_fetch->disconnect(this);
        m_fetch->cancel();
        m_fetch->deleteLater();
    }
}

OnceFetch *Inet::send(const QString &url, qsizetype maxReplyBytes)
{
    if (m_fetch)
        throw NumberedError(ErrorNumber::InetStillExecuting, QStringLiteral("Still executing last request"), QStringLiteral("Inet"));

    const QUrl target(url, QUrl::TolerantMode);
    if (!target.isValid() || target.host().isEmpty())
        throw NumberedError(ErrorNumber::InetRequestFailed, QStringLiteral("The URL is malformed: ") + url, QStringLiteral("Inet"));

    m_lastUrl = url;
    auto *fetch = new OnceFetch(target, RequestTimeout, OnceFetch::Connection::Kept, maxReplyBytes);
    if (KeepToOrigin)
        fetch->keepToOrigin();
    m_fetch = fetch;
    // The control is free again as soon as its request has ended.
    connect(fetch, &OnceFetch::ended, this, [this, fetch] {
        if (m_fetch == fetch)
            m_fetch = nullptr;
    });
    fetch->start();
    return fetch;
}

QString Inet::result(OnceFetch *fetch)
{
    fetch->deleteLater();
    if (fetch->error())
        throw *fetch->error();
    return Ansi::decode(fetch->body());
}

QString Inet::OpenURL(const QString &url, qsizetype maxReplyBytes)
{
    m_lastReplyDate.clear();
    OnceFetch *fetch = send(url, maxReplyBytes);
    QEventLoop loop;
    connect(fetch, &OnceFetch::ended, &loop, &QEventLoop::quit);
    if (!fetch->isEnded())
        loop.exec(QEventLoop::AllEvents);
    // Deleted now, not later: a later deletion waits until the event loop
    // this call runs in is left, and a refresh reads thousands of pages
    // inside one tick, each request with its page kept and every turn of the
    // event loop walking past all of them. The request has ended and is on
    // no call stack here.
    const std::unique_ptr<OnceFetch> ended(fetch);
    if (ended->error())
        throw *ended->error();
    m_lastReplyDate = ended->replyHeader("date");
    return Ansi::decode(ended->body());
}

void Inet::Begin(const QString &url, Completion done, qsizetype maxReplyBytes)
{
    OnceFetch *fetch = send(url, maxReplyBytes);
    connect(fetch, &OnceFetch::ended, this, [fetch, done = std::move(done)] {
        QString page;
        try {
            page = result(fetch);
        } catch (const NumberedError &e) {
            done(QString(), &e);
            return;
        }
        done(page, nullptr);
    });
}

bool Inet::StillExecuting() const
{
    return m_fetch != nullptr;
}

void Inet::Cancel()
{
    if (!m_fetch)
        return;
    OnceFetch *fetch = m_fetch;
    m_fetch = nullptr;
    fetch->cancel();
}
