#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// "feedback.dat" in the data folder: one record per account that returns
// feedback, its user ID and the comment to leave. A double quote in either
// field is stored as "&quot;" and read back as a quote; files written
// without that escape read as before.
namespace FeedbackFile {

struct Entry
{
    QString user;
    QString comment;
    bool operator==(const Entry &) const = default;
};

QString Path();

// The records of a file's bytes. A damaged end (an unclosed quote, a lone
// field) loses only that record.
QList<Entry> Parse(const QByteArray &bytes);
QByteArray Format(const QList<Entry> &entries);

// An absent or unreadable file has no records. A file too large to be one
// is refused unread, and one with too many records at the first record past
// the count: it then has no records and `refused` is set.
QList<Entry> Read(bool *refused = nullptr);
// Replaces the file whole and atomically; false when it could not be written
// (the old file is then left as it was).
bool Write(const QList<Entry> &entries);

} // namespace FeedbackFile
