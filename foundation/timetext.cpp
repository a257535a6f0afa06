#include "foundation/timetext.h"

#include "foundation/frmsettings.h"
#include "foundation/pageaccess.h"
#include "platform/numberederror.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace basGeneral {

namespace {

constexpr int kOverflow = 6;

[[noreturn]] void typeMismatch(const QString &source)
{
    throw NumberedError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"), source);
}

bool isDigit(QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; }

// A whole number of at most 16 bits written in decimal, spaces allowed around.
std::optional<int> readSmallNumber(const QString &text)
{
    bool ok = false;
    const int value = TrimSpaces(text).toInt(&ok, 10);
    if (!ok || value < -32768 || value > 32767)
        return std::nullopt;
    return value;
}

// Digits at [from, from + n) of a text as a number; -1 when one is no digit.
int digitsAt(const QString &t, qsizetype from, qsizetype n)
{
    int value = 0;
    for (qsizetype i = from; i < from + n; ++i) {
        if (!isDigit(t[i]))
            return -1;
        value = value * 10 + (t[i].unicode() - u'0');
    }
    return value;
}

// The usual time of day, "H:mm:ss" or "HH:mm:ss", read without a parser.
std::optional<QTime> readPlainTime(const QString &t)
{
    const qsizetype hourDigits = t.size() - 6;
    if ((hourDigits != 1 && hourDigits != 2) || t[hourDigits] != u':' || t[hourDigits + 3] != u':')
        return std::nullopt;
    const int h = digitsAt(t, 0, hourDigits), m = digitsAt(t, hourDigits + 1, 2), s = digitsAt(t, hourDigits + 4, 2);
    if (h < 0 || m < 0 || s < 0 || !QTime::isValid(h, m, s))
        return std::nullopt;
    return QTime(h, m, s);
}

// A time of day: H:mm:ss or H:mm, optionally with AM/PM.
std::optional<QTime> readTimeOfDay(const QString &text)
{
    const QString t = TrimSpaces(text);
    if (t.isEmpty())
        return std::nullopt;
    if (const auto plain = readPlainTime(t))
        return plain;
    static const char *const kForms[] = {"H:mm:ss", "H:mm", "h:mm:ss AP", "h:mm AP", "h:mm:ssAP", "h:mmAP"};
    for (const char *form : kForms) {
        const QTime time = QLocale::c().toTime(t, QString::fromLatin1(form));
        if (time.isValid())
            return time;
    }
    return std::nullopt;
}

constexpr QLatin1String kTimeFormat("HH:mm:ss");

// The system's locale and its short date form with a four-digit year, so the
// text of a date never loses its century. Looked up once: asking the system
// for them on every date was a good part of a refreshed row's date work.
struct DateForms
{
    QLocale locale = QLocale::system();
    QString date;
    QString dateAndTime;

    DateForms()
    {
        date = locale.dateFormat(QLocale::ShortFormat);
        static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
        date.replace(twoDigitYear, QStringLiteral("yyyy"));
        dateAndTime = date + QLatin1Char(' ') + kTimeFormat;
    }
};

const DateForms &forms()
{
    static const DateForms f;
    return f;
}

QString dateText(QDate date, QTime time)
{
    return forms().locale.toString(date, forms().date) + QLatin1Char(' ') + time.toString(kTimeFormat);
}

// The DateText form read without the date-and-time parser: the time after the
// last blank, the date before it. Nothing when the text is not of that form,
// or names a clock reading that local time skips.
std::optional<QDateTime> readDateTextQuickly(const QString &t)
{
    const qsizetype blank = t.lastIndexOf(QLatin1Char(' '));
    if (blank <= 0 || t.size() - blank - 1 != 8)
        return std::nullopt;
    const auto time = readPlainTime(t.mid(blank + 1));
    if (!time)
        return std::nullopt;
    const QDate day = forms().locale.toDate(t.left(blank), forms().date);
    if (!day.isValid())
        return std::nullopt;
    const QDateTime when(day, *time);
    if (!when.isValid() || when.time() != *time)
        return std::nullopt;
    return when;
}

// Dates carry no time zone in the program's arithmetic: adding hours moves
// the clock reading, whatever daylight saving does in between.
QDateTime addHoursToReading(const QDateTime &when, int hours)
{
    const QDateTime reading(when.date(), when.time(), Qt::UTC);
    const QDateTime moved = reading.addSecs(qint64(hours) * 3600);
    return QDateTime(moved.date(), moved.time());
}

// The number in a text that reads as a number (commas are thousands
// separators).
double numberOf(const QString &text)
{
    QString t = TrimSpaces(text);
    t.remove(QLatin1Char(','));
    return QLocale::c().toDouble(t);
}

} // namespace

// ---- Dates --------------------------------------------------------------

QDateTime ZeroDate()
{
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

QString DateText(const QDateTime &when)
{
    return dateText(when.date(), when.time());
}

std::optional<QDateTime> ReadDate(const QString &text)
{
    const QString t = TrimSpaces(text);
    if (t.isEmpty())
        return std::nullopt;
    if (const auto quick = readDateTextQuickly(t))
        return quick;
    const QLocale &locale = forms().locale;
    QDateTime when = locale.toDateTime(t, forms().dateAndTime);
    if (when.isValid())
        return when;
    const QDate day = locale.toDate(t, forms().date);
    if (day.isValid())
        return QDateTime(day, QTime(0, 0));
    when = QDateTime::fromString(t, Qt::ISODate);
    if (when.isValid())
        return QDateTime(when.date(), when.time());
    return std::nullopt;
}

QDateTime ParseLongDate(const QString &text)
{
    const QString source = QStringLiteral("ParseLongDate");
    QString t;
    bool zone = false;
    if (text.contains(QLatin1String(" PDT"))) {
        t = GetBetween(text, QStringLiteral(", "), QStringLiteral(" PDT"));
        zone = true;
    }
    if (text.contains(QLatin1String(" PST"))) {
        t = GetBetween(text, QStringLiteral(", "), QStringLiteral(" PST"));
        zone = true;
    }
    if (!zone)
        typeMismatch(source);

    t.replace(QLatin1String(", "), QLatin1String("/"));
    static const char *const kMonths[] = {"January", "February", "March", "April", "May", "June", "July",
                                          "August", "September", "October", "November", "December"};
    for (int m = 0; m < 12; ++m)
        t.replace(QString::fromLatin1(kMonths[m]) + QLatin1Char(' '), QString::number(m + 1) + QLatin1Char('/'));

    const qsizetype space = t.indexOf(QLatin1Char(' '));
    if (space < 0)
        typeMismatch(source);
    const QStringList parts = t.left(space).split(QLatin1Char('/'));
    if (parts.size() != 3)
        typeMismatch(source);
    const auto month = readSmallNumber(parts[0]);
    const auto day = readSmallNumber(parts[1]);
    const auto year = readSmallNumber(parts[2]);
    const auto time = readTimeOfDay(t.mid(space + 1));
    if (!month || !day || !year || !time)
        typeMismatch(source);
    const QDate date(*year, *month, *day);
    if (!date.isValid())
        typeMismatch(source);
    return QDateTime(date, *time);
}

QString ParseShortDate(const QString &text)
{
    QString t = TrimSpaces(text);
    t.remove(QLatin1String(" PDT"));
    t.remove(QLatin1String(" PST"));
    MonthAbbrevToNumber(t);

    const qsizetype space = t.indexOf(QLatin1Char(' '));
    if (space < 0)
        return {};
    const QStringList parts = t.left(space).replace(QLatin1Char('-'), QLatin1Char('/')).split(QLatin1Char('/'));
    if (parts.size() != 3)
        return {};
    const auto month = readSmallNumber(parts[0]);
    const auto day = readSmallNumber(parts[1]);
    auto year = readSmallNumber(parts[2]);
    const auto time = readTimeOfDay(t.mid(space + 1));
    if (!month || !day || !year || !time)
        return {};
    if (*year >= 0 && *year < 30)
        *year += 2000;
    else if (*year >= 30 && *year < 100)
        *year += 1900;
    const QDate date(*year, *month, *day);
    if (!date.isValid())
        return {};
    return dateText(date, *time);
}

QDateTime PacificToLocal(const QString &dateText)
{
    if (dateText.isEmpty())
        return ZeroDate();
    try {
        const auto offset = frmSettings::SavedTimeZoneHours();
        if (!offset)
            return ZeroDate();
        const auto when = ReadDate(dateText);
        if (!when)
            return ZeroDate();
        return addHoursToReading(*when, *offset + 8);
    } catch (...) {
        return ZeroDate();
    }
}

QString MonthAbbrevToNumber(QString &text)
{
    static const char *const kAbbrevs[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                           "jul", "aug", "sep", "oct", "nov", "dec"};
    text = text.toLower();
    for (int m = 0; m < 12; ++m)
        text.replace(QLatin1String(kAbbrevs[m]), QString::number(m + 1));
    return text;
}

// ---- Durations and time left -----------------------------------------

QString FormatMinSec(int seconds)
{
    // A count below zero keeps its sign in front only ("-1:05").
    const qint64 whole = seconds;
    const qint64 magnitude = whole < 0 ? -whole : whole;
    const qint64 minutes = magnitude / 60;
    const qint64 rest = magnitude - 60 * minutes;
    return (whole < 0 ? QStringLiteral("-") : QString()) + QString::number(minutes) + QLatin1Char(':')
        + QStringLiteral("%1").arg(rest, 2, 10, QLatin1Char('0'));
}

QString FormatDuration(int &seconds)
{
    if (seconds <= 0)
        return QStringLiteral("0 seconds");

    const int days = seconds / 86400;
    int remaining = seconds - 86400 * days;
    const int hours = remaining / 3600;
    remaining -= 3600 * hours;
    const int minutes = remaining / 60;
    remaining -= 60 * minutes;
    seconds = remaining;

    QString text;
    const auto prepend = [&text](int count, const char *unit) {
        if (count <= 0)
            return;
        const QString part = QString::number(count) + QLatin1Char(' ') + QLatin1String(unit) + Plural(count);
        text = text.isEmpty() ? part : part + QStringLiteral(", ") + text;
    };
    prepend(remaining, "second");
    prepend(minutes, "minute");
    prepend(hours, "hour");
    prepend(days, "day");
    return text;
}

QString Plural(double n)
{
    return n != 1 ? QStringLiteral("s") : QString();
}

int ParseTimeLeft(QString &timeLeft)
{
    timeLeft.truncate(40);

    qint32 total = 0;
    qint32 pending = 0;
    QString unit;
    for (const QChar c : std::as_const(timeLeft)) {
        if (isDigit(c)) {
            const qint64 next = qint64(pending) * 10 + (c.unicode() - u'0');
            if (next <= std::numeric_limits<qint32>::max())
                pending = qint32(next); // an overflowing digit is passed over
            unit.clear();
        } else {
            unit.append(c);
            if (unit.size() >= 2 && unit.at(0) == u' ') {
                qint64 factor = 0;
                switch (unit.at(1).unicode()) {
                case u'd': factor = 86400; break;
                case u'h': factor = 3600; break;
                case u'm': factor = 60; break;
                case u's': factor = 1; break;
                default: break;
                }
                if (factor != 0) {
                    const qint64 sum = total + qint64(pending) * factor;
                    if (sum >= std::numeric_limits<qint32>::min() && sum <= std::numeric_limits<qint32>::max())
                        total = qint32(sum);
                    pending = 0;
                    unit.clear();
                }
            }
        }
    }
    return total;
}

QString FormatTimeLeft(QString &seconds)
{
    const QString source = QStringLiteral("FormatTimeLeft");
    if (!ReadsAsNumber(seconds))
        typeMismatch(source);
    double value = numberOf(seconds);

    // Whole-number steps round their operand first, to even on a half.
    const auto whole = [&source](double v) {
        const double r = std::nearbyint(v);
        if (!(std::fabs(r) < 9.0e15))
            throw NumberedError(kOverflow, QStringLiteral("Overflow"), source);
        return qint64(r);
    };

    QString out;
    bool daysShown = false;
    bool hoursShown = false;
    if (value >= 86400) {
        const qint64 s = whole(value);
        out += QString::number(s / 86400) + QStringLiteral(" d ");
        value = double(s % 86400);
        seconds = QString::number(qint64(value));
        daysShown = true;
    }
    if (value >= 3600) {
        const qint64 s = whole(value);
        out += QString::number(s / 3600) + QStringLiteral(" h ");
        value = double(s % 3600);
        seconds = QString::number(qint64(value));
        hoursShown = true;
    }
    if (value >= 60) {
        const qint64 s = whole(value);
        if (!daysShown)
            out += QString::number(s / 60) + QStringLiteral(" m ");
        value = double(s % 60);
        seconds = QString::number(qint64(value));
    }
    if (value != 0 && !daysShown && !hoursShown)
        out += seconds + QStringLiteral(" s");
    return out;
}

QString FormatTimeLeft(qint64 seconds)
{
    QString text = QString::number(seconds);
    return FormatTimeLeft(text);
}

// ---- Prices and bids ---------------------------------------------------

namespace {

double leadingNumber(const QString &priceText)
{
    QString number;
    bool begun = false;
    for (const QChar c : priceText) {
        if (c == u',')
            continue; // thousands separator
        if (isDigit(c) || c == u'.') {
            number.append(c);
            begun = true;
        } else if (begun) {
            break;
        }
    }
    // The leading number: reading stops at a second decimal point.
    const qsizetype firstDot = number.indexOf(QLatin1Char('.'));
    if (firstDot >= 0) {
        const qsizetype secondDot = number.indexOf(QLatin1Char('.'), firstDot + 1);
        if (secondDot >= 0)
            number.truncate(secondDot);
    }
    if (number.isEmpty() || number == u".")
        return 0;
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    return ok ? value : 0;
}

} // namespace

double PriceToDouble(const QString &priceText)
{
    return leadingNumber(priceText);
}

QString GetCurrencyPrefix(const QString &priceText)
{
    QString prefix;
    for (const QChar c : priceText) {
        if (isDigit(c))
            break;
        prefix.append(c);
    }
    prefix = TrimSpaces(prefix);
    if (!prefix.endsWith(QLatin1Char('$')))
        prefix.append(QLatin1Char(' '));
    return prefix;
}

QString FormatPrice2(QString &price)
{
    if (!price.contains(QLatin1Char('.')))
        price.append(QLatin1String(".00"));
    const qsizetype dot = price.indexOf(QLatin1Char('.'));
    price.truncate(dot + 3);
    while (price.size() - dot - 1 < 2)
        price.append(QLatin1Char('0'));
    return price;
}

QString AmountAsPrice(const QString &typed)
{
    QString price = typed.trimmed();
    FormatPrice2(price);
    qsizetype zeros = 0;
    while (zeros + 1 < price.size() && price.at(zeros) == QLatin1Char('0') && price.at(zeros + 1) != QLatin1Char('.'))
        ++zeros;
    price.remove(0, zeros);
    if (price.startsWith(QLatin1Char('.')))
        price.prepend(QLatin1Char('0'));
    return price;
}

QString GetBidQty(const QString &maxBid)
{
    const qsizetype at = maxBid.indexOf(QLatin1String(" @ "));
    return at < 0 ? QStringLiteral("0") : maxBid.left(at);
}

QString GetBidAmount(const QString &maxBid)
{
    const qsizetype at = maxBid.indexOf(QLatin1String(" @ "));
    return at < 0 ? QStringLiteral("0") : maxBid.mid(at + 3);
}

} // namespace basGeneral
