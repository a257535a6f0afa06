#include "sellertools/relistfile.h"

#include "engine/listfileformat.h"
#include "platform/numberederror.h"
#include "platform/privatefile.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>

#include <limits>

namespace RelistFile {

namespace {

constexpr QLatin1String kWrittenForm("yyyy-MM-dd HH:mm:ss");
const QString kQuot = QStringLiteral("&quot;");
// The periods the entry editor takes.
constexpr int kShortestPeriodDays = 1;
constexpr int kLongestPeriodDays = 89;

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

std::optional<int> PeriodDays(const QString &text)
{
    bool ok = false;
    const int days = text.trimmed().toInt(&ok);
    if (!ok || days < kShortestPeriodDays || days > kLongestPeriodDays)
        return std::nullopt;
    return days;
}

std::optional<QDateTime> DueMovedOn(const QString &nextRelisting, const QString &periodDays, const QDateTime &now)
{
    const std::optional<QDateTime> next = ReadNextRelisting(nextRelisting);
    const std::optional<int> period = PeriodDays(periodDays);
    if (!next || !period || *next > now)
        return std::nullopt;
    return next->addDays(*period);
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

namespace {

// The entries of the text, one line at a time; false at the first entry past
// `limit`, before it is kept.
bool parseWithin(QString text, ListFile::RecordLimit &limit, QList<Entry> *entries)
{
    for (qsizetype from = 0; from <= text.size();) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), from);
        if (end < 0)
            end = text.size();
        QString line = text.mid(from, end - from);
        from = end + 1;
        line.remove(QLatin1Char('\r'));
        const QStringList f = fieldsOf(line);
        if (f.isEmpty() || f.at(0).trimmed().isEmpty())
            continue;
        if (!limit.Take())
            return false;
        const auto field = [&f](int i) { return i < f.size() ? QString(f.at(i)).replace(kQuot, QStringLiteral("\"")) : QString(); };
        entries->append(Entry{field(0), field(1), field(2), field(3), field(4), field(5)});
    }
    return true;
}

} // namespace

QList<Entry> Parse(const QString &text)
{
    ListFile::RecordLimit unlimited(std::numeric_limits<int>::max());
    QList<Entry> entries;
    parseWithin(text, unlimited, &entries);
    return entries;
}

QList<Entry> Load(const QString &path, bool *refused)
{
    return ListFile::ReadWithinBounds<Entry>(path, refused, parseWithin);
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
