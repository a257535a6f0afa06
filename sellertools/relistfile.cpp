#include "sellertools/relistfile.h"

#include "engine/listfileformat.h"
#include "platform/numberederror.h"
#include "platform/privatefile.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>

namespace RelistFile {

namespace {

constexpr QLatin1String kWrittenForm("yyyy-MM-dd HH:mm:ss");
// The bounds of the items list: far beyond any real schedule (an entry takes
// some 150 bytes), and a file past them is refused before it fills the memory.
constexpr qint64 kMaxFileBytes = 32 * 1024 * 1024;
constexpr int kMaxEntries = 50000;
const QString kQuot = QStringLiteral("&quot;");

// The fields of one line, as many as it holds (at most six).
QStringList fieldsOf(const QString &line)
{
    QStringList fields;
    ListFile::QuotedFieldReader reader(line);
    try {
        while (fields.size() < 6 && !reader.AtEnd())
            fields << reader.ReadField();
    } catch (const NumberedError &) {
        // An unclosed quote: the fields before it still count.
    }
    return fields;
}

} // namespace

QString NextRelistingText(const QDateTime &when)
{
    return when.toString(kWrittenForm);
}

std::optional<QDateTime> ReadNextRelisting(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    QDateTime when = QDateTime::fromString(t, kWrittenForm);
    if (when.isValid())
        return when;
    // Older files: the locale's short date and time, with or without seconds
    // and with a 12-hour clock where the locale has one; midnight shows the
    // date alone.
    const QLocale locale = QLocale::system();
    const QString date = locale.dateFormat(QLocale::ShortFormat);
    const QStringList times = {locale.timeFormat(QLocale::LongFormat), locale.timeFormat(QLocale::ShortFormat),
                               QStringLiteral("h:mm:ss AP"), QStringLiteral("HH:mm:ss"), QStringLiteral("h:mm AP"),
                               QStringLiteral("HH:mm")};
    for (const QString &time : times) {
        when = locale.toDateTime(t, date + QLatin1Char(' ') + time);
        if (when.isValid())
            return QDateTime(when.date(), when.time());
    }
    QDate day = locale.toDate(t, date);
    if (!day.isValid())
        day = QDate::fromString(t, Qt::ISODate);
    if (day.isValid())
        return QDateTime(day, QTime(0, 0));
    when = QDateTime::fromString(t, Qt::ISODate);
    if (when.isValid())
        return QDateTime(when.date(), when.time());
    return std::nullopt;
}

QDate DatePart(const QString &text)
{
    const QString part = text.trimmed().section(QLatin1Char(' '), 0, 0);
    const QDate day = QDate::fromString(part, Qt::ISODate);
    if (day.isValid())
        return day;
    return QLocale::system().toDate(part, QLocale::ShortFormat);
}

QString Compose(const QList<Entry> &entries)
{
    QString out;
    // Every field, not only the title, may come from a hand-edited file with
    // a quote in it; written bare, that quote would cut the line.
    const auto safe = [](QString field) { return field.replace(QLatin1Char('"'), kQuot); };
    for (const Entry &e : entries)
        ListFile::AppendRecord(out, {safe(e.itemNumber), safe(e.seller), safe(e.title), safe(e.schedule),
                                     safe(e.nextRelisting), safe(e.periodDays)});
    return out;
}

QList<Entry> Parse(const QString &text)
{
    QList<Entry> entries;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line.remove(QLatin1Char('\r'));
        const QStringList f = fieldsOf(line);
        if (f.isEmpty() || f.at(0).trimmed().isEmpty())
            continue;
        const auto field = [&f](int i) { return i < f.size() ? QString(f.at(i)).replace(kQuot, QStringLiteral("\"")) : QString(); };
        entries << Entry{field(0), field(1), field(2), field(3), field(4), field(5)};
    }
    return entries;
}

QList<Entry> Load(const QString &path, bool *refused)
{
    if (refused)
        *refused = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    if (file.size() > kMaxFileBytes) {
        if (refused)
            *refused = true;
        return {};
    }
    QList<Entry> entries = Parse(ListFile::DecodeFile(file.readAll()));
    if (entries.size() > kMaxEntries) {
        if (refused)
            *refused = true;
        return {};
    }
    return entries;
}

bool Save(const QString &path, const QList<Entry> &entries)
{
    QSaveFile file(path);
    if (!PrivateFile::open(file))
        return false;
    if (file.write(ListFile::EncodeFile(Compose(entries))) < 0) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace RelistFile
