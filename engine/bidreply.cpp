#include "engine/bidreply.h"

#include "engine/bidpagetext.h"
#include "foundation/pageaccess.h"
#include "foundation/sellertext.h"

#include <algorithm>

BidReply::BidReply(const QString &page, const QString &title, Arrival arrival)
    : m_own(basGeneral::WithoutSellerText(WithoutTitleBeforeNumber(page, title), basGeneral::PageKind::Bid, title))
    , m_messages(BidPageMessages(m_own))
    , m_arrival(arrival)
{
}

bool BidReply::says(const QString &marker) const
{
    return m_own.contains(marker, Qt::CaseSensitive);
}

bool BidReply::ownMessageSays(const QString &marker) const
{
    if (m_arrival == Arrival::Redirected)
        return false;
    const QString wanted = marker.simplified();
    return std::any_of(m_messages.cbegin(), m_messages.cend(),
                       [&wanted](const QString &message) { return message.contains(wanted, Qt::CaseSensitive); });
}

bool BidReply::isEmpty() const
{
    return m_own.trimmed().isEmpty();
}

bool BidReply::namesUser(const QString &user) const
{
    const QString quoted = QLatin1Char('"') + user.toLower() + QLatin1Char('"');
    return m_own.toLower().contains(quoted);
}

QString BidReply::input(const QString &name) const
{
    return basGeneral::GetInputValue(m_own, name);
}
