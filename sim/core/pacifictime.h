#pragma once

#include <QDateTime>
#include <QString>

// eBay printed every date in US Pacific time, "PST" or "PDT". The rules are
// the US ones in force since 2007 (second Sunday of March to first Sunday of
// November, changing at 2:00 local), so the output does not depend on the
// machine's time-zone data.
namespace Sim::Pacific {

bool isDaylightTime(const QDateTime &utc);

// The Pacific wall-clock reading of an instant, as a date-time without zone
// (Qt::UTC spec is used only as a neutral carrier).
QDateTime wallClock(const QDateTime &utc);

// "PST" or "PDT".
QString zoneName(const QDateTime &utc);

// The official-time form: "Friday, December 6, 2013 14:03:22 PST".
QString longText(const QDateTime &utc);

// The item-page date parts: "Dec 06, 2013" and "14:03:22 PST".
QString shortDate(const QDateTime &utc);
QString shortTime(const QDateTime &utc);

} // namespace Sim::Pacific
