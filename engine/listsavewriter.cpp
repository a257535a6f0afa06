#include "engine/listsavewriter.h"

#include "engine/listfileformat.h"
#include "platform/listview.h"
#include "platform/numberederror.h"
#include "platform/privatefile.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QSaveFile>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace ListSaveWriter {

namespace {

struct Job
{
    QString path;
    Snapshot rows;
    FailureReport failed;
};

// The runtime's error number and text for a failed file operation.
std::pair<int, QString> fileError(QFileDevice::FileError error)
{
    switch (error) {
    case QFileDevice::PermissionsError:
        return {ErrorNumber::PermissionDenied, QStringLiteral("Permission denied")};
    case QFileDevice::ResourceError:
        return {61, QStringLiteral("Disk full")};
    case QFileDevice::WriteError:
    case QFileDevice::ReadError:
        return {57, QStringLiteral("Device I/O error")};
    default:
        return {75, QStringLiteral("Path/File access error")};
    }
}

// Writes one save; the error when it failed.
std::optional<std::pair<int, QString>> write(const Job &job)
{
    QSaveFile out(job.path);
    if (!PrivateFile::open(out))
        return fileError(out.error());
    const QByteArray bytes = FileBytes(job.rows);
    if (out.write(bytes) != bytes.size()) {
        const auto error = out.error();
        out.cancelWriting();
        return fileError(error);
    }
    if (!out.commit())
        return fileError(out.error());
    return std::nullopt;
}

// One worker thread for the program's life; it ends, having written what
// waits, when the program's statics go.
class Worker
{
public:
    ~Worker()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void post(Job job)
    {
        {
            std::lock_guard lock(m_mutex);
            m_waiting = std::move(job);
            ++m_asked;
            if (!m_thread.joinable())
                m_thread = std::thread([this] { run(); });
        }
        m_wake.notify_all();
    }

    void flush()
    {
        std::unique_lock lock(m_mutex);
        const quint64 asked = m_asked;
        m_done.wait(lock, [&] { return m_written >= asked; });
    }

    bool busy()
    {
        std::lock_guard lock(m_mutex);
        return m_written < m_asked;
    }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] { return m_waiting.has_value() || m_stopping; });
            if (!m_waiting)
                return;
            Job job = std::move(*m_waiting);
            m_waiting.reset();
            const quint64 covers = m_asked;
            lock.unlock();
            const auto error = write(job);
            if (error && job.failed && QCoreApplication::instance()) {
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [failed = std::move(job.failed), error = *error] { failed(error.first, error.second); },
                    Qt::QueuedConnection);
            }
            // The rows go with the lock released: freeing them takes a while.
            job = Job();
            lock.lock();
            m_written = covers;
            m_done.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::optional<Job> m_waiting;
    quint64 m_asked = 0;
    quint64 m_written = 0;
    bool m_stopping = false;
    std::thread m_thread;
};

Worker &worker()
{
    static Worker w;
    return w;
}

} // namespace

Snapshot TakeSnapshot(const ListView &list)
{
    int columns[std::size(ListFile::kRecordKeys)];
    for (size_t k = 0; k < std::size(ListFile::kRecordKeys); ++k)
        columns[k] = list.SubItemIndex(ListFile::kRecordKeys[k]);
    Snapshot rows;
    rows.reserve(list.Count());
    for (int i = 1; i <= list.Count(); ++i) {
        const ListItem *row = list.Item(i);
        RowValues values;
        values.values.reserve(qsizetype(std::size(columns)));
        for (int column : columns)
            values.values << row->SubItem(column);
        values.tag = row->Tag();
        rows << std::move(values);
    }
    return rows;
}

QByteArray FileBytes(const Snapshot &rows)
{
    QString text;
    for (const RowValues &row : rows)
        ListFile::AppendRecord(text, ListFile::RecordFromRow(row.values, row.tag));
    return ListFile::EncodeFile(text);
}

void WriteLater(const QString &path, Snapshot rows, FailureReport failed)
{
    worker().post(Job{path, std::move(rows), std::move(failed)});
}

void Flush()
{
    worker().flush();
}

bool Busy()
{
    return worker().busy();
}

} // namespace ListSaveWriter
