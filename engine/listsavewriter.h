#pragma once

#include <QFileDevice>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class ListView;

// Writes the auction list file away from the user-interface thread. A save
// takes a copy of the rows' values (quick: the texts are shared, not copied)
// and a worker thread formats and writes it, replacing the old file only once
// the new one is complete. Saves are written in the order they were asked
// for; one asked for while another is being written replaces any save still
// waiting, since it holds everything the waiting one would have written.
namespace ListSaveWriter {

// One row as the file keeps it: the keyed values in file order and the Tag.
struct RowValues
{
    QStringList values;
    QString tag;
};
using Snapshot = QList<RowValues>;

Snapshot TakeSnapshot(const ListView &list);
// The file's bytes for the rows.
QByteArray FileBytes(const Snapshot &rows);

// The runtime's error number and text for a failed file operation.
std::pair<int, QString> FileError(QFileDevice::FileError error);
// Writes the rows to the file at once, replacing it only once the new one is
// complete; the error number and text when that failed.
std::optional<std::pair<int, QString>> WriteNow(const QString &path, const Snapshot &rows);

// Hands the rows to the worker; `failed` runs on the user-interface thread
// with the error number and text when the write fails.
using FailureReport = std::function<void(int number, const QString &description)>;
void WriteLater(const QString &path, Snapshot rows, FailureReport failed);
// The same for a list too long to copy in one go without holding the event
// loop: its rows are copied a slice at a time, events running in between,
// and the copy starts again when rows come, go or move meanwhile, or when the
// list is saved again. Each row is copied as it is at that moment.
void WriteInSlices(ListView &list, const QString &path, FailureReport failed);
// Finishes the copies under way and waits until every save asked for so far
// is on disk (or has failed); the failures not reported yet are reported
// before it returns, since the event loop may never run again.
void Flush();
// Whether a save is being written or waits to be.
bool Busy();

// Tests hold the worker's writes with this: it runs on the worker before
// each write. An empty function removes it.
void SetBeforeWrite(std::function<void()> hook);

} // namespace ListSaveWriter
