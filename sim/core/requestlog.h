#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

namespace Sim {

// One request that reached a page of the simulator (control requests are not
// recorded).
struct LogEntry
{
    qint64 index = 0;     // counts from 0 since the server started; never reused
    QString method;
    QString target;       // path and query as sent
    QString scheme;       // "http" or "https"
    QDateTime arrival;    // local time, millisecond resolution
    QString role;         // role of the route that answered; empty when none did
    int status = 0;       // 0 while no answer was sent (hang, close)
    QString fault;        // the fault applied, if any ("hang", "delay", "empty", "close")
    QString user;         // the signed-in user whose session cookie came along, or ""
    QString refused;      // why the simulator refused the request unanswered, or ""
    qint64 connectionAgeMs = -1; // since the client opened its connection, over the network path; -1 otherwise
    // Over the network path: how long the connection had carried nothing
    // either way on the client's side when the client began the bytes this
    // request came in (NetworkPath::Connection); -1 otherwise.
    qint64 quietBeforeMs = -1;

    QJsonObject toJson() const;
};

class RequestLog final
{
public:
    // Records the entry under the next index and returns that index.
    qint64 append(LogEntry entry);
    LogEntry *at(qint64 index);

    // Entries with an index of at least `since`, oldest first.
    QList<LogEntry> since(qint64 since = 0) const;
    const QList<LogEntry> &entries() const { return m_entries; }

    // Drops the entries; indices go on counting.
    void clear() { m_entries.clear(); }
    qint64 nextIndex() const { return m_next; }

private:
    QList<LogEntry> m_entries;
    qint64 m_next = 0;
};

} // namespace Sim
