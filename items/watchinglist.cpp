#include "items/watchinglist.h"

#include "foundation/hostroles.h"
#include "foundation/pageaccess.h"

namespace WatchingList {

namespace {

// One row of the list is at least as long as its check box, so stepping
// this far past a marker passes it without skipping the next row's links.
constexpr qsizetype kRowStride = 44; // length of <input type="checkbox" name="LineID" value="

} // namespace

QString ItemLinkMarker()
{
    return HostRoles::host(HostRoles::Role::Item).toLower() + QStringLiteral("/itm/");
}

QStringList ItemNumbers(const QString &page, const QString &marker)
{
    QStringList numbers;
    if (marker.isEmpty())
        return numbers;
    const QString text = page.toLower();
    qsizetype from = text.indexOf(marker);
    while (from >= 0) {
        const qsizetype start = from + marker.size();
        const qsizetype end = text.indexOf(QLatin1Char('?'), start);
        const QString number = end < 0 ? text.mid(start) : text.mid(start, end - start);
        if (!number.isEmpty() && basGeneral::ReadsAsNumber(number))
            numbers.append(number);
        from = text.indexOf(marker, from + std::max(kRowStride, qsizetype(1)));
    }
    return numbers;
}

} // namespace WatchingList
