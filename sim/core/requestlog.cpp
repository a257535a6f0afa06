#include "sim/core/requestlog.h"

namespace Sim {

QJsonObject LogEntry::toJson() const
{
    return QJsonObject{
        {QStringLiteral("index"), double(index)},
        {QStringLiteral("method"), method},
        {QStringLiteral("path"), target},
        {QStringLiteral("scheme"), scheme},
        {QStringLiteral("time"), arrival.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"))},
        {QStringLiteral("ms"), double(arrival.toMSecsSinceEpoch())},
        {QStringLiteral("role"), role},
        {QStringLiteral("status"), status},
        {QStringLiteral("fault"), fault},
        {QStringLiteral("user"), user},
        {QStringLiteral("refused"), refused},
        {QStringLiteral("connectionAgeMs"), double(connectionAgeMs)},
        {QStringLiteral("quietBeforeMs"), double(quietBeforeMs)},
    };
}

qint64 RequestLog::append(LogEntry entry)
{
    entry.index = m_next++;
    m_entries.append(std::move(entry));
    return m_entries.constLast().index;
}

LogEntry *RequestLog::at(qint64 index)
{
    for (qsizetype i = m_entries.size() - 1; i >= 0; --i) {
        if (m_entries[i].index == index)
            return &m_entries[i];
        if (m_entries[i].index < index)
            break;
    }
    return nullptr;
}

QList<LogEntry> RequestLog::since(qint64 since) const
{
    QList<LogEntry> out;
    for (const LogEntry &e : m_entries)
        if (e.index >= since)
            out.append(e);
    return out;
}

} // namespace Sim
