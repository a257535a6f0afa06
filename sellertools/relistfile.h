#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// "relist.dat": the relist schedule, one quoted-field line per entry with six
// fields (item number, seller, title, schedule text, next relisting, period
// in days). A double quote in any field is kept as "&quot;".
namespace RelistFile {

struct Entry
{
    QString itemNumber;
    QString seller;
    QString title;
    QString schedule;
    QString nextRelisting;
    QString periodDays;

    bool operator==(const Entry &) const = default;
};

// The next-relisting text as written: "yyyy-MM-dd HH:mm:ss", the same in
// every locale, so a schedule written under one locale reads under another.
QString NextRelistingText(const QDateTime &when);
// Reads the written form, and the locale form that older files hold (a date
// alone stands for midnight). Nothing when the text is not a date.
std::optional<QDateTime> ReadNextRelisting(const QString &text);
// The date part of a next-relisting text (the text before its first blank)
// as a date; invalid when it is none.
QDate DatePart(const QString &text);

// The whole file's text, one line per entry.
QString Compose(const QList<Entry> &entries);
// Every entry of the text. Each line is read on its own, so a garbled line
// costs no other entry; a line that holds an item number but lacks later
// fields keeps what it has, and blank lines are passed over.
QList<Entry> Parse(const QString &text);

// Reads the file; an absent file is an empty schedule. A file too large to
// be a schedule is refused unread (or, with too many entries, unused): the
// schedule is then empty and `refused` is set.
QList<Entry> Load(const QString &path, bool *refused = nullptr);
// Replaces the file whole and atomically; false when it could not be
// written (the old file is then left as it was).
bool Save(const QString &path, const QList<Entry> &entries);

} // namespace RelistFile
