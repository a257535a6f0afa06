#include "engine/ebaytimepage.h"

#include "engine/ebayclock.h"
#include "engine/ebayfineclock.h"
#include "foundation/hostroles.h"
#include "foundation/pageaccess.h"
#include "foundation/timetext.h"
#include "platform/ansi.h"
#include "platform/inet.h"
#include "platform/numberederror.h"
#include "platform/oncefetch.h"

namespace EbayTimePage {

QString Url()
{
    return HostRoles::url(HostRoles::Role::Time, QStringLiteral("/ws/eBayISAPI.dll?EbayTime"));
}

QDateTime Read(const QString &page)
{
    const QString text = basGeneral::GetBetween(page, QStringLiteral("<p>The official eBay Time is now:</p><p><b>"),
                                                QStringLiteral("</b></p>"), true);
    return EbayClock::Reading(basGeneral::ParseLongDate(text));
}

std::optional<QDateTime> ReadingOn(const QString &page)
{
    try {
        return Read(page);
    } catch (const NumberedError &) {
        return std::nullopt;
    }
}

Moment Moment::Now()
{
    return {EbayFineClock::SteadyNowMs()};
}

bool Apply(const QDateTime &ebayReading, const Moment &asked, const Moment &answered)
{
    const bool moved =
        EbayFineClock::Record({EbayClock::Reading(ebayReading).toMSecsSinceEpoch(), asked.steadyMs, answered.steadyMs})
            .has_value();
    const qint64 before = EbayClock::Offset();
    // The readings judged together, this one just recorded among them, not
    // it alone: a page served stale does not move the countdown by a second.
    const qint64 offset = EbayFineClock::AheadSeconds(before).value_or(before);
    EbayClock::SetMeasuredOffset(offset);
    return moved || offset != before;
}

void ReadWithoutWaiting(QObject *owner, int timeoutSeconds, std::function<void(bool changed)> read)
{
    const QUrl target(Url(), QUrl::TolerantMode);
    if (!target.isValid() || target.host().isEmpty())
        return;
    auto *fetch = new OnceFetch(target, timeoutSeconds, OnceFetch::Connection::Kept, Inet::PageReplyBytes, owner);
    const Moment asked = Moment::Now();
    QObject::connect(fetch, &OnceFetch::ended, fetch, [fetch, asked, read = std::move(read)] {
        fetch->deleteLater();
        if (fetch->error())
            return;
        const auto reading = ReadingOn(Ansi::decode(fetch->body()));
        if (!reading)
            return;
        // eBay read the clock after the request was written, not while the
        // connection's handshakes went on: a slow path widens the reading by
        // its round trip only.
        Moment written = asked;
        if (const qint64 after = fetch->writtenAfterMs(); after >= 0)
            written.steadyMs += after;
        read(Apply(*reading, written, Moment::Now()));
    });
    fetch->start();
}

} // namespace EbayTimePage
