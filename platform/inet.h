#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class NumberedError;
class OnceFetch;

// The transfer control: one per owning window. OpenURL sends a GET and waits
// for the whole body in a nested event loop, so timers and user events keep
// running meanwhile, exactly as the synchronous control pumped messages.
// Failures are raised as NumberedError: a time-out as 35761, a call while a request
// is still running as 35764, other transfer failures with their own numbers.
// Redirects are followed; the body is decoded byte per character (Windows-1252).
// Each request reaches the server at most once: a connection dropped before
// the answer is an error, never a quiet second request (see OnceFetch).
// Begin sends the same request without waiting for it.
// A reply whose body passes its size limit (a page's unless the caller asks
// for more) fails as a transfer error as soon as it does.
class Inet final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Inet)

public:
    // The limit of a page: far above any real page, and an endless or
    // hostile reply fails here instead of filling memory.
    static constexpr qsizetype PageReplyBytes = 4 * 1024 * 1024;

    explicit Inet(QObject *parent = nullptr);
    ~Inet() override;

    QString OpenURL(const QString &url, qsizetype maxReplyBytes = PageReplyBytes);
    // The body, or the error OpenURL would raise (nullptr on success).
    using Completion = std::function<void(const QString &page, const NumberedError *error)>;
    // Sends the request of OpenURL and returns at once (no nested wait); the
    // control is busy until `done` runs, once, when the request has ended:
    // answered, failed, timed out or cancelled (then inside Cancel()). A
    // control destroyed first never runs it. Raises like OpenURL when the
    // control is busy or the URL is malformed, and then never runs `done`.
    void Begin(const QString &url, Completion done, qsizetype maxReplyBytes = PageReplyBytes);
    bool StillExecuting() const;
    // Stops the running request (the waiting OpenURL raises "cancelled"); no
    // effect when idle.
    void Cancel();

    // Seconds without completion before a request fails with 35761.
    int RequestTimeout = 60;
    // While set, a redirect to another scheme, host or port fails the
    // request instead of being followed.
    bool KeepToOrigin = false;

    // The URL of the last request (for logs and tests).
    QString lastUrl() const { return m_lastUrl; }
    // The `Date` header of the last answer OpenURL read (the server's clock
    // when it answered); empty when it had none or the request failed.
    QByteArray lastReplyDate() const { return m_lastReplyDate; }

private:
    // Starts the request; the control is busy until it has ended.
    OnceFetch *send(const QString &url, qsizetype maxReplyBytes);
    // The fetch's page, or its error raised; the fetch is let go.
    static QString result(OnceFetch *fetch);

    QPointer<OnceFetch> m_fetch;
    QString m_lastUrl;
    QByteArray m_lastReplyDate;
};
