#include "sim/core/pacifictime.h"

#include <QDate>
#include <QTime>

namespace Sim::Pacific {

namespace {

const char *const kWeekdays[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
const char *const kMonths[] = {"January", "February", "March", "April", "May", "June", "July",
                               "August", "September", "October", "November", "December"};

// The n-th Sunday (1-based) of a month.
QDate nthSunday(int year, int month, int n)
{
    QDate d(year, month, 1);
    while (d.dayOfWeek() != Qt::Sunday)
        d = d.addDays(1);
    return d.addDays(7 * (n - 1));
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString timeText(const QDateTime &utc)
{
    const QTime t = wallClock(utc).time();
    return twoDigits(t.hour()) + QLatin1Char(':') + twoDigits(t.minute()) + QLatin1Char(':') + twoDigits(t.second());
}

} // namespace

bool isDaylightTime(const QDateTime &utc)
{
    if (!utc.isValid())
        return false;
    const QDateTime u = utc.toUTC();
    const int year = u.date().year();
    // 2:00 PST is 10:00 UTC; 2:00 PDT is 09:00 UTC.
    const QDateTime start(nthSunday(year, 3, 2), QTime(10, 0), Qt::UTC);
    const QDateTime end(nthSunday(year, 11, 1), QTime(9, 0), Qt::UTC);
    return u >= start && u < end;
}

QDateTime wallClock(const QDateTime &utc)
{
    const QDateTime u = utc.toUTC();
    const int hours = isDaylightTime(u) ? -7 : -8;
    QDateTime local = u.addSecs(hours * 3600);
    local.setTimeSpec(Qt::UTC);
    return local;
}

QString zoneName(const QDateTime &utc)
{
    return isDaylightTime(utc) ? QStringLiteral("PDT") : QStringLiteral("PST");
}

QString longText(const QDateTime &utc)
{
    const QDate d = wallClock(utc).date();
    return QString::fromLatin1(kWeekdays[d.dayOfWeek() - 1]) + QStringLiteral(", ")
        + QString::fromLatin1(kMonths[d.month() - 1]) + QLatin1Char(' ') + QString::number(d.day())
        + QStringLiteral(", ") + QString::number(d.year()) + QLatin1Char(' ') + timeText(utc)
        + QLatin1Char(' ') + zoneName(utc);
}

QString shortDate(const QDateTime &utc)
{
    const QDate d = wallClock(utc).date();
    return QString::fromLatin1(kMonths[d.month() - 1]).left(3) + QLatin1Char(' ') + twoDigits(d.day())
        + QStringLiteral(", ") + QString::number(d.year());
}

QString shortTime(const QDateTime &utc)
{
    return timeText(utc) + QLatin1Char(' ') + zoneName(utc);
}

} // namespace Sim::Pacific
