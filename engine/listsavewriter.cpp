#include "engine/listsavewriter.h"

#include "engine/listfileformat.h"
#include "platform/listview.h"
#include "platform/numberederror.h"
#include "platform/privatefile.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QSaveFile>
#include <QSet>
#include <QTimer>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace ListSaveWriter {

namespace {

struct Job
{
    QString path;
    Snapshot rows;
    FailureReport failed;
};

} // namespace

std::pair<int, QString> FileError(QFileDevice::FileError error)
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

std::optional<std::pair<int, QString>> WriteNow(const QString &path, const Snapshot &rows)
{
    QSaveFile out(path);
    if (!PrivateFile::open(out))
        return FileError(out.error());
    const QByteArray bytes = FileBytes(rows);
    if (out.write(bytes) != bytes.size()) {
        const auto error = out.error();
        out.cancelWriting();
        return FileError(error);
    }
    if (!out.commit())
        return FileError(out.error());
    return std::nullopt;
}

namespace {

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

    // Tells the failures of the writes so far; on the user-interface thread.
    void reportFailures()
    {
        std::vector<Failure> failures;
        {
            std::lock_guard lock(m_mutex);
            failures.swap(m_failures);
        }
        for (const Failure &f : failures)
            f.report(f.error.first, f.error.second);
    }

    void setBeforeWrite(std::function<void()> hook)
    {
        std::lock_guard lock(m_mutex);
        m_beforeWrite = std::move(hook);
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
            const std::function<void()> beforeWrite = m_beforeWrite;
            lock.unlock();
            if (beforeWrite)
                beforeWrite();
            const auto error = WriteNow(job.path, job.rows);
            // The rows go with the lock released: freeing them takes a while.
            job.rows = Snapshot();
            lock.lock();
            if (error && job.failed) {
                // Told on the user-interface thread: by the event loop, or by
                // Flush() when the program ends before the loop runs again.
                m_failures.push_back({std::move(job.failed), *error});
                if (QCoreApplication *app = QCoreApplication::instance())
                    QMetaObject::invokeMethod(app, [this] { reportFailures(); }, Qt::QueuedConnection);
            }
            job = Job();
            m_written = covers;
            m_done.notify_all();
        }
    }

    struct Failure
    {
        FailureReport report;
        std::pair<int, QString> error;
    };

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::optional<Job> m_waiting;
    std::vector<Failure> m_failures;
    std::function<void()> m_beforeWrite;
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

// Rows copied in one turn of the event loop: a few milliseconds.
constexpr int kSliceRows = 5000;

void copyRows(const ListView &list, int from, int to, Snapshot &rows)
{
    int columns[std::size(ListFile::kRecordKeys)];
    for (size_t k = 0; k < std::size(ListFile::kRecordKeys); ++k)
        columns[k] = list.SubItemIndex(ListFile::kRecordKeys[k]);
    for (int i = from; i <= to; ++i) {
        const ListItem *row = list.Item(i);
        RowValues values;
        values.values.reserve(qsizetype(std::size(columns)));
        for (int column : columns)
            values.values << row->SubItem(column);
        values.tag = row->Tag();
        rows << std::move(values);
    }
}

// The copy of one list under way; a child of the list.
class SlicedCopy final : public QObject
{
public:
    explicit SlicedCopy(ListView &list) : QObject(&list), m_list(list)
    {
        list.WatchRowOrder(this, [this] { startAgain(); });
        m_slice.setSingleShot(true);
        m_slice.setInterval(0);
        connect(&m_slice, &QTimer::timeout, this, [this] { copySlice(kSliceRows); });
        live().insert(this);
    }
    ~SlicedCopy() override { live().remove(this); }

    static QSet<SlicedCopy *> &live()
    {
        static QSet<SlicedCopy *> copies;
        return copies;
    }

    void start(const QString &path, FailureReport failed)
    {
        m_path = path;
        m_failed = std::move(failed);
        m_active = true;
        startAgain();
    }

    // Copies what is left now and hands it over.
    void finish()
    {
        if (m_active)
            copySlice(m_list.Count());
    }

private:
    void startAgain()
    {
        if (!m_active)
            return;
        m_rows.clear();
        m_rows.reserve(m_list.Count());
        m_slice.start();
    }

    void copySlice(int most)
    {
        const int from = int(m_rows.size()) + 1;
        const int to = std::min(m_list.Count(), from + most - 1);
        copyRows(m_list, from, to, m_rows);
        if (to < m_list.Count()) {
            m_slice.start();
            return;
        }
        m_slice.stop();
        m_active = false;
        WriteLater(m_path, std::exchange(m_rows, {}), m_failed);
    }

    ListView &m_list;
    QTimer m_slice;
    bool m_active = false;
    QString m_path;
    FailureReport m_failed;
    Snapshot m_rows;
};

} // namespace

Snapshot TakeSnapshot(const ListView &list)
{
    Snapshot rows;
    rows.reserve(list.Count());
    copyRows(list, 1, list.Count(), rows);
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

void WriteInSlices(ListView &list, const QString &path, FailureReport failed)
{
    // Found by its type among the list's children (this class has no meta-object of its own).
    SlicedCopy *copy = nullptr;
    for (QObject *child : list.children())
        if ((copy = dynamic_cast<SlicedCopy *>(child)))
            break;
    if (!copy)
        copy = new SlicedCopy(list);
    copy->start(path, std::move(failed));
}

void Flush()
{
    for (SlicedCopy *copy : SlicedCopy::live())
        copy->finish();
    worker().flush();
    worker().reportFailures();
}

bool Busy()
{
    return worker().busy();
}

void SetBeforeWrite(std::function<void()> hook)
{
    worker().setBeforeWrite(std::move(hook));
}

} // namespace ListSaveWriter
