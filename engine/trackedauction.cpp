#include "engine/trackedauction.h"

#include "engine/ebayclock.h"

#include "foundation/timetext.h"
#include "platform/listview.h"

#include <QHash>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
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

// A clock reading: the program's dates carry no zone, and leaving the zone
// out here keeps every read free of time-zone lookups.
struct Clock
{
    QDate date;
    QTime time;
};

// "yyyy-MM-dd HH:mm:ss" (or with "T"), or "yyyy-MM-dd", read without a
// locale: the list file's own form, read for every row.
std::optional<Clock> readFixedForm(QStringView t)
{
    if ((t.size() != 19 && t.size() != 10) || t[4] != u'-' || t[7] != u'-')
        return std::nullopt;
    const QDate date(digitsAt(t, 0, 4), digitsAt(t, 5, 2), digitsAt(t, 8, 2));
    if (!date.isValid())
        return std::nullopt;
    if (t.size() == 10)
        return Clock{date, QTime(0, 0)};
    if ((t[10] != u' ' && t[10] != u'T') || t[13] != u':' || t[16] != u':')
        return std::nullopt;
    const QTime time(digitsAt(t, 11, 2), digitsAt(t, 14, 2), digitsAt(t, 17, 2));
    if (!time.isValid())
        return std::nullopt;
    return Clock{date, time};
}

// A date form followed by a time form (none for a date alone). The text is
// cut after as many spaces as the date form holds.
struct Form
{
    QString date;
    QString time;
};

std::optional<Clock> readForm(const QLocale &locale, const QString &text, const Form &form)
{
    QString datePart = text;
    QString timePart;
    if (!form.time.isEmpty()) {
        qsizetype cut = -1;
        for (qsizetype k = form.date.count(QLatin1Char(' ')); k >= 0; --k) {
            cut = text.indexOf(QLatin1Char(' '), cut + 1);
            if (cut < 0)
                return std::nullopt;
        }
        datePart = text.left(cut);
        timePart = text.mid(cut + 1).trimmed();
    }
    QDate date = locale.toDate(datePart, form.date);
    if (!date.isValid())
        return std::nullopt;
    // A two-digit year: 00-29 are 2000-2029.
    if (!form.date.contains(QLatin1String("yyyy")) && date.year() < 1930)
        date = date.addYears(100);
    QTime time(0, 0);
    if (!form.time.isEmpty()) {
        time = locale.toTime(timePart, form.time);
        if (!time.isValid())
            return std::nullopt;
    }
    return Clock{date, time};
}

// The system's short date with a four-digit year: the date of DateText.
QString systemDateForm()
{
    QString form = QLocale::system().dateFormat(QLocale::ShortFormat);
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    return form.replace(twoDigitYear, QStringLiteral("yyyy"));
}

// The system's long time form without its zone name, and whether it had
// one. End times are clock readings of the user's chosen zone: the name of
// this computer's zone would mislabel them.
std::pair<QString, bool> systemLongTime()
{
    const QString form = QLocale::system().timeFormat(QLocale::LongFormat).trimmed();
    QString bare;
    bool zone = false;
    bool quoted = false;
    for (qsizetype i = 0; i < form.size(); ++i) {
        const QChar c = form[i];
        if (c == u'\'') {
            quoted = !quoted;
        } else if (c == u't' && !quoted) {
            zone = true;
            while (i + 1 < form.size() && form[i + 1] == u't')
                ++i;
            // The zone name goes with one blank beside it.
            if (bare.endsWith(QLatin1Char(' ')))
                bare.chop(1);
            else if (i + 1 < form.size() && form[i + 1] == u' ')
                ++i;
            continue;
        }
        bare += c;
    }
    return {bare.trimmed(), zone};
}

// The forms of the system's locale, most likely first: the program's own
// date text, the general date (short date and long time), the short date
// with a 24-hour or a 12-hour time, and the dates alone. Worked out once.
struct SystemForms
{
    QList<Form> forms;
    QString longTime; // without the zone name
    bool longTimeHasZone = false;
};

const SystemForms &systemForms()
{
    static const SystemForms cached = [] {
        const QString shortDate = QLocale::system().dateFormat(QLocale::ShortFormat);
        const QString fullYear = systemDateForm();
        const auto [longTime, zone] = systemLongTime();
        SystemForms f;
        f.forms = {{fullYear, QStringLiteral("HH:mm:ss")}, {shortDate, longTime},
                   {shortDate, QStringLiteral("H:mm:ss")},  {shortDate, QStringLiteral("h:mm:ss AP")},
                   {fullYear, longTime},                    {fullYear, QString()},
                   {shortDate, QString()}};
        f.longTime = longTime;
        f.longTimeHasZone = zone;
        return f;
    }();
    return cached;
}

const QList<Form> kUsForms = {
    {QStringLiteral("M/d/yyyy"), QStringLiteral("h:mm:ss AP")}, {QStringLiteral("M/d/yyyy"), QStringLiteral("H:mm:ss")},
    {QStringLiteral("M/d/yyyy"), QString()},                    {QStringLiteral("M/d/yy"), QStringLiteral("h:mm:ss AP")},
    {QStringLiteral("M/d/yy"), QStringLiteral("H:mm:ss")},      {QStringLiteral("M/d/yy"), QString()},
};

// A general date of a locale whose long time ends in a zone name ("UTC",
// "CET") is read without that name: the times are clock readings.
QString withoutZoneName(const QString &text)
{
    const qsizetype space = text.lastIndexOf(QLatin1Char(' '));
    if (space < 0)
        return text;
    for (qsizetype i = space + 1; i < text.size(); ++i)
        if (!text[i].isLetter() && text[i] != u'+' && text[i] != u'-' && !isDigit(text[i]))
            return text;
    return text.left(space);
}

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

QString serialOf(const Clock &clock)
{
    const double days = double(kDayZero.daysTo(clock.date)) + clock.time.msecsSinceStartOfDay() / 86400000.0;
    return QString::number(days, 'g', 15);
}

std::optional<Clock> readLocaleForms(const QString &t);

std::optional<Clock> readClock(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    if (auto clock = readFixedForm(t))
        return clock;
    // The locale's parsers are slow, and the list is saved after every change
    // with mostly the same end times: remember what the texts read as. The
    // list writer's thread reads end dates while the user-interface thread
    // does: each thread keeps its own memory, so neither waits on a lock nor
    // sees the other's half-made entries.
    thread_local QHash<QString, std::optional<Clock>> seen;
    if (const auto hit = seen.constFind(t); hit != seen.constEnd())
        return *hit;
    if (seen.size() >= 8192)
        seen.clear();
    const auto clock = readLocaleForms(t);
    seen.insert(t, clock);
    return clock;
}

std::optional<Clock> readLocaleForms(const QString &t)
{
    const QLocale sys = QLocale::system();
    const SystemForms &system = systemForms();
    for (const Form &form : system.forms)
        if (auto clock = readForm(sys, t, form))
            return clock;
    if (system.longTimeHasZone)
        if (const QString bare = withoutZoneName(t); bare != t)
            if (auto clock = readForm(sys, bare, system.forms[1]))
                return clock;
    // Locales that write their own digits and direction marks: the same
    // forms with plain digits.
    if (const QString plain = withPlainDigits(t); plain != t)
        for (const Form &form : system.forms)
            if (auto clock = readForm(QLocale::c(), plain, form))
                return clock;
    for (const Form &form : kUsForms)
        if (auto clock = readForm(QLocale::c(), t, form))
            return clock;
    return std::nullopt;
}

} // namespace

int TimeLeftSeconds(QString timeLeft)
{
    return basGeneral::ParseTimeLeft(timeLeft);
}

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

QString EndDateText(const QDateTime &when)
{
    const QLocale locale = QLocale::system();
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(when.time(), systemForms().longTime);
}

QString EndDateSerial(const QDateTime &when)
{
    return serialOf({when.date(), when.time()});
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
    const auto clock = readClock(text);
    if (!clock)
        return std::nullopt;
    return QDateTime(clock->date, clock->time);
}

QString FixedDateText(const QString &dateText)
{
    const auto clock = readClock(dateText);
    if (!clock)
        return {};
    return QStringLiteral("%1-%2-%3 %4:%5:%6")
        .arg(clock->date.year(), 4, 10, QLatin1Char('0'))
        .arg(clock->date.month(), 2, 10, QLatin1Char('0'))
        .arg(clock->date.day(), 2, 10, QLatin1Char('0'))
        .arg(clock->time.hour(), 2, 10, QLatin1Char('0'))
        .arg(clock->time.minute(), 2, 10, QLatin1Char('0'))
        .arg(clock->time.second(), 2, 10, QLatin1Char('0'));
}

std::optional<EndDateTexts> EndDateFields(const QString &dateText, int displayShiftHours)
{
    const auto clock = readClock(dateText);
    if (!clock)
        return std::nullopt;
    // Zone-free dates and times: showing them needs no zone lookup, and the
    // shift back to eBay's clock meets no daylight-saving gap.
    const QDateTime shown(clock->date, clock->time, Qt::UTC);
    const QDateTime ebay = shown.addSecs(-qint64(displayShiftHours) * 3600);
    return EndDateTexts{basGeneral::DateText(shown), serialOf({ebay.date(), ebay.time()})};
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

// ---------------------------------------------------------------------------
// Sorting by value

namespace {

constexpr QLatin1String kValueColumns[] = {QLatin1String("bids"), QLatin1String("qty"), QLatin1String("currentbid"),
                                           QLatin1String("shipping"), QLatin1String("maxbid")};

bool hasDigit(const QString &text)
{
    return std::any_of(text.begin(), text.end(), isDigit);
}

} // namespace

std::optional<double> SortValue(QLatin1String key, const QString &text)
{
    QString number = text;
    if (key == QLatin1String("maxbid")) {
        // "(watching)" and other texts without the separator have no amount.
        if (!text.contains(kBidSeparator))
            return std::nullopt;
        number = basGeneral::GetBidAmount(text);
    }
    if (!hasDigit(number))
        return std::nullopt;
    return basGeneral::PriceToDouble(number);
}

void SortByValue(ListView &list)
{
    for (QLatin1String key : kValueColumns)
        list.SetSortValue(key, [key](const QString &text) { return SortValue(key, text); });
    // "Time Left" and "Ends" sort by the end date: the day number a refresh
    // writes, or a date text in the locale's order of day, month and year.
    list.SetSortValue(QStringLiteral("enddate"), [](const QString &text) -> std::optional<double> {
        if (const auto when = ReadEndDate(text))
            return double(EbayClock::Reading(*when).toMSecsSinceEpoch());
        return std::nullopt;
    });
}

} // namespace TrackedAuction
