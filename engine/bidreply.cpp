#include "engine/bidreply.h"

#include "foundation/pageaccess.h"
#include "foundation/sellertext.h"

BidReply::BidReply(const QString &page, const QString &title)
    : m_own(basGeneral::WithoutSellerText(page, basGeneral::PageKind::Bid, title))
{
}

bool BidReply::says(const QString &marker) const
{
    return m_own.contains(marker, Qt::CaseSensitive);
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
