#include "engine/missedsnipe.h"

#include "engine/ebayclock.h"
#include "engine/ebayfineclock.h"
#include "engine/mainformengine.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "platform/listview.h"
#include "platform/numberederror.h"

#include <QSet>

namespace MissedSnipe {

namespace {

// The snipes already reported in this run, by item number and end time.
QSet<QString> g_reported;
// The snipes whose pages could not be read, told once per spell.
QSet<QString> g_unreadable;

void tell(const QString &text)
{
    try {
        basGeneral::WriteLog(QStringLiteral("logbids.txt"), text);
    } catch (const NumberedError &) {
    }
    if (frmMainShell::isLoaded()) {
        MainForm().SetStatus(text, true);
        MainForm().FreezeStatus(kReadSeconds);
    }
}

bool waitsToBid(const QString &tag, const QString &maxBid)
{
    const QString amount = maxBid.trimmed();
    return !amount.isEmpty() && amount != TrackedAuction::kWatching && amount != TrackedAuction::kNotAvailable
        && (tag == SnipeState::Local || tag == SnipeState::Both);
}

} // namespace

std::optional<QString> Reason(const QString &tag, const QString &maxBid, bool groupWon, const QString &cause)
{
    const QString amount = maxBid.trimmed();
    if (amount.isEmpty() || amount == TrackedAuction::kWatching || amount == TrackedAuction::kNotAvailable)
        return std::nullopt;
    const bool waiting = tag == SnipeState::Local || tag == SnipeState::Both;
    if (tag == SnipeState::OtherInGroupWon || (waiting && groupWon))
        return QStringLiteral("another item of its group was won");
    if (waiting)
        return cause;
    return std::nullopt;
}

void Report(const QString &itemNumber, const QString &endDate, const QString &reason)
{
    const QString key = itemNumber + QLatin1Char('|') + endDate;
    if (g_reported.contains(key))
        return;
    g_reported.insert(key);
    tell(QStringLiteral("Snipe on item # ") + itemNumber + QStringLiteral(" not placed: ") + reason);
}

void CheckReadable(frmMainEngine &form, const ListItem *row, const QStringList &unread)
{
    const QString number = row->Text();
    if (unread.isEmpty() || !waitsToBid(row->Tag(), form.lvwAuctions->Field(row, QStringLiteral("maxbid")))) {
        g_unreadable.remove(number);
        return;
    }
    if (g_unreadable.contains(number))
        return;
    g_unreadable.insert(number);
    tell(QStringLiteral("Snipe on item # ") + number + QStringLiteral(" cannot be placed: ")
         + unread.join(QStringLiteral(" and ")) + QStringLiteral(" could not be read from eBay's page"));
}

void CheckRow(frmMainEngine &form, const ListItem *row, const QString &cause)
{
    const ListView &list = *form.lvwAuctions;
    const auto reason = Reason(row->Tag(), list.Field(row, QStringLiteral("maxbid")),
                               form.ItemInGroupWon(list.Field(row, QStringLiteral("group"))), cause);
    if (reason)
        Report(row->Text(), list.Field(row, QStringLiteral("enddate")), *reason);
}

namespace {

// A move of eBay's clock this recent may be why a snipe missed its end.
constexpr qint64 kMoveRecentS = 600;

std::optional<QString> ebaysClockMoved()
{
    const auto seconds = EbayFineClock::RecentMoveSeconds(kMoveRecentS);
    if (!seconds || *seconds == 0)
        return std::nullopt;
    return QStringLiteral("eBay's clock moved by ") + (*seconds > 0 ? QStringLiteral("+") : QString())
        + QString::number(*seconds) + QStringLiteral(" s");
}

} // namespace

QString EndedBeforeStart()
{
    if (const auto moved = ebaysClockMoved())
        return *moved + QStringLiteral(" and its auction ended before the bid was started");
    return QStringLiteral("its auction ended before the bid was started (the program was not running or was held "
                          "up, or this computer's clock moved)");
}

QString EndedBeforeConfirmation()
{
    if (const auto moved = ebaysClockMoved())
        return *moved + QStringLiteral(" and its auction ended before the bid could be confirmed");
    return QStringLiteral("its auction ended before the bid could be confirmed (the program was held up)");
}

QString EndedEarlierThanEbaysClockSaid(qint64 secondsEarly)
{
    const QString early = QStringLiteral("eBay ended the auction ") + QString::number(secondsEarly);
    // Only a clock that was read can be said to have moved.
    switch (EbayClock::Source()) {
    case EbayClock::OffsetSource::ZoneEstimate:
        return early + QStringLiteral(" s before its end as this computer reckoned it: eBay's clock could not be read");
    case EbayClock::OffsetSource::ReplyDates:
        return early + QStringLiteral(" s before its end by eBay's clock as its replies' dates told it (eBay's "
                                      "clock could not be read from its time page)");
    case EbayClock::OffsetSource::TimePage:
        break;
    }
    const auto moved = ebaysClockMoved();
    return early + QStringLiteral(" s before its end by eBay's clock as last read (")
        + moved.value_or(QStringLiteral("eBay's clock or this computer's moved")) + QLatin1Char(')');
}

} // namespace MissedSnipe
