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

// The period of an entry in whole days, within what the entry editor takes
// (1 to 89); nothing for any other text.
std::optional<int> PeriodDays(const QString &text);
// When an entry with these texts is due at `now`: its next relisting moved on
// by one period. Nothing when it is not due yet, or when its date or period
// cannot be read: such an entry is left alone, since a period of no days
// would leave it due, and relisted, at every tick.
std::optional<QDateTime> DueMovedOn(const QString &nextRelisting, const QString &periodDays, const QDateTime &now);

// The whole file's text, one line per entry.
QString Compose(const QList<Entry> &entries);
// Every entry of the text. Each line is read on its own, so a garbled line
// costs no other entry; a line that holds an item number but lacks later
// fields keeps what it has, and blank lines are passed over.
QList<Entry> Parse(const QString &text);

// Reads the file; an absent file is an empty schedule. A file too large to
// be a schedule is refused unread, and one with too many entries at the
// first entry past the count: the schedule is then empty and `refused` is set.
QList<Entry> Load(const QString &path, bool *refused = nullptr);
// Replaces the file whole and atomically; false when it could not be
// written (the old file is then left as it was).
bool Save(const QString &path, const QList<Entry> &entries);

} // namespace RelistFile
