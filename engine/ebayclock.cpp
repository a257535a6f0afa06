#include "engine/ebayclock.h"

#include "engine/ebayfineclock.h"

#include "engine/trackedauction.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"

#include <QLocale>
#include <QTimeZone>

#include <algorithm>
#include <utility>

namespace EbayClock {

namespace {

bool g_measured = false;
bool g_fromReplyDates = false;
qint64 g_clockAhead = 0;
qint64 g_clockStep = 0;

} // namespace

QDateTime Reading(const QDateTime &when)
{
    return QDateTime(when.date(), when.time(), Qt::UTC);
}

QDateTime ComputerNow()
{
    return QDateTime::currentDateTime().addSecs(g_clockAhead + g_clockStep);
}

void SetComputerClockAhead(qint64 seconds)
{
    g_clockAhead = seconds;
}

qint64 ComputerClockAheadSeconds()
{
    return g_clockAhead;
}

void StepComputerClock(qint64 seconds)
{
    g_clockStep = seconds;
}

QDateTime LocalNow()
{
    const QDateTime now = ComputerNow();
    const QTime t = now.time();
    return QDateTime(now.date(), QTime(t.hour(), t.minute(), t.second()), Qt::UTC);
}

namespace {

// Pacific time minus UTC at `utc`, in seconds.
int pacificFromUtc(const QDateTime &utc)
{
    static const QTimeZone pacific("America/Los_Angeles");
    return pacific.isValid() ? pacific.offsetFromUtc(utc) : -8 * 3600;
}

} // namespace

qint64 EstimatedOffset()
{
    const QDateTime utc = QDateTime::currentDateTimeUtc();
    const int localFromUtc = utc.toLocalTime().offsetFromUtc();
    return qint64(pacificFromUtc(utc)) - localFromUtc;
}

qint64 Offset()
{
    if (!g_measured && !g_fromReplyDates && EbayTimeOffset == 0)
        return EstimatedOffset();
    return EbayTimeOffset;
}

void SetMeasuredOffset(qint64 seconds)
{
    EbayTimeOffset = seconds;
    g_measured = true;
}

OffsetSource Source()
{
    if (g_measured)
        return OffsetSource::TimePage;
    return g_fromReplyDates ? OffsetSource::ReplyDates : OffsetSource::ZoneEstimate;
}

void SetOffsetFromReplyDate(qint64 seconds)
{
    if (g_measured)
        return;
    EbayTimeOffset = seconds;
    g_fromReplyDates = true;
}

std::optional<QDateTime> PacificReadingOfHttpDate(const QByteArray &header)
{
    const QString text = QString::fromLatin1(header).simplified();
    QDateTime utc = QLocale::c().toDateTime(text, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    if (!utc.isValid())
        return std::nullopt;
    utc = QDateTime(utc.date(), utc.time(), Qt::UTC);
    return Reading(utc.addSecs(pacificFromUtc(utc)));
}

void ForgetMeasurement()
{
    g_measured = false;
    g_fromReplyDates = false;
    EbayTimeOffset = 0;
    EbayFineClock::Forget();
}

qint64 OffsetFromReading(const QDateTime &ebayReading, const QDateTime &localBefore, const QDateTime &localAfter,
                         qint64 inForce)
{
    const QDateTime ebay = Reading(ebayReading);
    qint64 low = Reading(localAfter).secsTo(ebay);
    qint64 high = Reading(localBefore).secsTo(ebay);
    if (low > high)
        std::swap(low, high); // readings handed over the wrong way round
    return std::clamp(inForce, low, high);
}

QDateTime EbayNow()
{
    return LocalNow().addSecs(Offset());
}

int DisplayShiftHours()
{
    const auto zone = frmSettings::SavedTimeZoneHours();
    return zone ? *zone + 8 : 0;
}

QDateTime PacificToDisplay(const QDateTime &pacific)
{
    return Reading(pacific).addSecs(qint64(DisplayShiftHours()) * 3600);
}

QDateTime DisplayToPacific(const QDateTime &display)
{
    return Reading(display).addSecs(-qint64(DisplayShiftHours()) * 3600);
}

std::optional<qint64> SecondsLeft(const QString &enddateField, const QDateTime &ebayNow)
{
    const auto end = TrackedAuction::ReadEndDate(enddateField);
    if (!end)
        return std::nullopt;
    return Reading(ebayNow).secsTo(Reading(*end));
}

std::optional<QDateTime> EbayMomentBeforeEnd(const QString &enddateField, qint64 secondsBeforeEnd)
{
    const auto end = TrackedAuction::ReadEndDate(enddateField);
    if (!end)
        return std::nullopt;
    return Reading(*end).addSecs(-secondsBeforeEnd);
}

} // namespace EbayClock
