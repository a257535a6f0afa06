#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

class QObject;

// eBay's official-time page, the source of the eBay clock offset. The
// refresh reads it through the main window's transfer control; a bid window
// reads it on a connection of its own while it signs in, so the moment of
// its confirmation comes from eBay's clock as it was seconds before.
namespace EbayTimePage {

QString Url();

// The reading the page shows on eBay's clock. Raises NumberedError 13 when
// the page does not read (ParseLongDate).
QDateTime Read(const QString &page);
// The same; nothing when the page does not read.
std::optional<QDateTime> ReadingOn(const QString &page);

// A moment on this computer's monotonic clock.
struct Moment
{
    qint64 steadyMs = 0;
    static Moment Now();
};

// Records what a reading asked for at `asked` and answered at `answered`
// gives: the fine offset (EbayFineClock::Record) and, from all readings so
// far, the whole-second one (EbayFineClock::AheadSeconds); whether either
// moved.
bool Apply(const QDateTime &ebayReading, const Moment &asked, const Moment &answered);

// Reads the page without waiting, on a kept connection when one is open (its
// reading then waits for no handshake, so it lands where it was aimed). `read` runs
// once the page has been read and applied, with whether the offset changed;
// a page that fails or does not read changes nothing and runs nothing, and
// nothing runs once `owner` has gone.
void ReadWithoutWaiting(QObject *owner, int timeoutSeconds, std::function<void(bool changed)> read);

} // namespace EbayTimePage
