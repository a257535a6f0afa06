#include "engine/trackedauction.h"

#include "foundation/timetext.h"

#include <QLocale>

#include <cmath>

namespace TrackedAuction {

namespace {

const QDate kDayZero(1899, 12, 30);

bool isDigit(QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; }

// Digits at text[from, from + count) as a number; -1 when one is not a digit.
int digitsAt(QStringView text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        if (!isDigit(text[i]))
            return -1;
        value = value * 10 + (text[i].unicode() - u'0');
    }
    return value;
}

// "yyyy-MM-dd HH:mm:ss" (or with "T"), read without a locale: the list file's
// own form, read for every row, so it takes no detour through the parsers.
std::optional<QDateTime> readFixedForm(QStringView t)
{
    if (t.size() != 19 || t[4] != u'-' || t[7] != u'-' || (t[10] != u' ' && t[10] != u'T') || t[13] != u':'
        || t[16] != u':')
        return std::nullopt;
    const QDate date(digitsAt(t, 0, 4), digitsAt(t, 5, 2), digitsAt(t, 8, 2));
    const QTime time(digitsAt(t, 11, 2), digitsAt(t, 14, 2), digitsAt(t, 17, 2));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

// A two-digit year in the form puts the date into 1900-1999; the program
// reads 00-29 as 2000-2029.
QDateTime withCentury(const QDateTime &when, const QString &form)
{
    if (!form.contains(QLatin1String("yyyy")) && when.date().year() < 1930)
        return when.addYears(100);
    return when;
}

std::optional<QDateTime> readWith(const QLocale &locale, const QString &text, const QString &form)
{
    const QDateTime when = locale.toDateTime(text, form);
    if (!when.isValid())
        return std::nullopt;
    return withCentury(QDateTime(when.date(), when.time()), form);
}

// The system's long time form, and whether it ends in a zone name.
std::pair<QString, bool> systemLongTime()
{
    QString form = QLocale::system().timeFormat(QLocale::LongFormat).trimmed();
    const bool zone = form.endsWith(QLatin1Char('t'));
    if (zone)
        form = form.chopped(1).trimmed();
    return {form, zone};
}

QStringList systemForms()
{
    const QString date = QLocale::system().dateFormat(QLocale::ShortFormat);
    return {date + QLatin1Char(' ') + systemLongTime().first, date + QStringLiteral(" H:mm:ss"),
            date + QStringLiteral(" h:mm:ss AP"), date};
}

// A general date of a locale whose long time ends in a zone name ("UTC",
// "CET") is read without that name: the times are clock readings.
QString withoutZoneName(const QString &text)
{
    if (!systemLongTime().second)
        return text;
    const qsizetype space = text.lastIndexOf(QLatin1Char(' '));
    if (space < 0)
        return text;
    for (qsizetype i = space + 1; i < text.size(); ++i)
        if (!text[i].isLetter() && text[i] != u'+' && text[i] != u'-' && !isDigit(text[i]))
            return text;
    return text.left(space);
}

const QStringList kUsForms = {
    QStringLiteral("M/d/yyyy h:mm:ss AP"), QStringLiteral("M/d/yyyy H:mm:ss"), QStringLiteral("M/d/yyyy"),
    QStringLiteral("M/d/yy h:mm:ss AP"),   QStringLiteral("M/d/yy H:mm:ss"),   QStringLiteral("M/d/yy"),
};

// Digits of any script as ASCII digits, direction marks left out.
QString withPlainDigits(const QString &text)
{
    QString plain;
    plain.reserve(text.size());
    for (const QChar c : text) {
        if (c == QChar(0x200E) || c == QChar(0x200F) || c == QChar(0x061C))
            continue;
        const int digit = c.digitValue();
        plain += digit >= 0 && c.unicode() > 0x7F ? QChar(u'0' + digit) : c;
    }
    return plain;
}

std::optional<QDateTime> fromSerial(double serial)
{
    if (!std::isfinite(serial) || std::fabs(serial) > 3.0e6)
        return std::nullopt;
    const double whole = std::floor(serial);
    qint64 seconds = std::llround((serial - whole) * 86400.0);
    qint64 days = qint64(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    return QDateTime(kDayZero.addDays(days), QTime(0, 0).addSecs(int(seconds)));
}

} // namespace

bool IsNoGroup(const QString &group)
{
    return group.isEmpty() || group == kNotAvailable;
}

QString MaxBidText(const QString &quantity, const QString &amount)
{
    return quantity + kBidSeparator + amount;
}

QString StoredMaxBid(const QString &stored)
{
    if (stored.contains(kBidSeparator) || stored == kWatching)
        return stored;
    return MaxBidText(QStringLiteral("1"), stored);
}

QString EndDateSerial(const QDateTime &when)
{
    const double days = double(kDayZero.daysTo(when.date())) + when.time().msecsSinceStartOfDay() / 86400000.0;
    return QString::number(days, 'g', 15);
}

std::optional<QDateTime> ReadEndDate(const QString &field)
{
    const QString t = field.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    // A day number: digits with one decimal point or comma (the system's
    // number form was once written here).
    qsizetype i = t.startsWith(QLatin1Char('-')) ? 1 : 0;
    bool number = i < t.size();
    bool point = false;
    for (; i < t.size() && number; ++i) {
        const QChar c = t[i];
        if (c == u'.' || c == u',') {
            number = !point;
            point = true;
        } else {
            number = isDigit(c);
        }
    }
    if (number) {
        QString n = t;
        n.replace(QLatin1Char(','), QLatin1Char('.'));
        bool ok = false;
        const double serial = QLocale::c().toDouble(n, &ok);
        return ok ? fromSerial(serial) : std::nullopt;
    }
    return ReadDateText(t);
}

std::optional<QDateTime> ReadDateText(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    if (auto when = readFixedForm(t))
        return when;
    if (auto when = basGeneral::ReadDate(t))
        return when;
    const QLocale sys = QLocale::system();
    const QStringList forms = systemForms();
    for (const QString &form : forms)
        if (auto when = readWith(sys, t, form))
            return when;
    if (const QString bare = withoutZoneName(t); bare != t)
        if (auto when = readWith(sys, bare, forms.first()))
            return when;
    // Locales that write their own digits and direction marks: the same
    // forms with plain digits.
    if (const QString plain = withPlainDigits(t); plain != t)
        for (const QString &form : forms)
            if (auto when = readWith(QLocale::c(), plain, form))
                return when;
    for (const QString &form : kUsForms)
        if (auto when = readWith(QLocale::c(), t, form))
            return when;
    return std::nullopt;
}

QString ReminderCodes::toText() const
{
    QString codes;
    if (newBids)
        codes += QLatin1Char('b');
    if (quantityChanged)
        codes += QLatin1Char('q');
    if (timeLeftBelow)
        codes += QLatin1Char('t') + QString::number(*timeLeftBelow) + QLatin1Char('[') + QString::number(int(timeUnit))
            + QLatin1Char(']');
    if (priceReached)
        codes += QLatin1Char('p') + *priceReached + QLatin1Char(';');
    return codes;
}

ReminderCodes ReminderCodes::fromText(const QString &text)
{
    ReminderCodes codes;
    codes.newBids = text.contains(QLatin1Char('b'));
    codes.quantityChanged = text.contains(QLatin1Char('q'));
    const qsizetype t = text.indexOf(QLatin1Char('t'));
    if (t >= 0) {
        const qsizetype open = text.indexOf(QLatin1Char('['), t);
        const qsizetype close = open < 0 ? -1 : text.indexOf(QLatin1Char(']'), open);
        if (close > 0) {
            bool okN = false;
            bool okU = false;
            const int n = text.mid(t + 1, open - t - 1).toInt(&okN);
            const int unit = text.mid(open + 1, close - open - 1).toInt(&okU);
            if (okN && okU && unit >= Minutes && unit <= Days) {
                codes.timeLeftBelow = n;
                codes.timeUnit = TimeUnit(unit);
            }
        }
    }
    const qsizetype p = text.indexOf(QLatin1Char('p'));
    if (p >= 0) {
        const qsizetype end = text.indexOf(QLatin1Char(';'), p);
        if (end > 0)
            codes.priceReached = text.mid(p + 1, end - p - 1);
    }
    return codes;
}

} // namespace TrackedAuction
