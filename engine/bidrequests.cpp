#include "engine/bidrequests.h"

#include "foundation/hostroles.h"
#include "foundation/pageaccess.h"

using basGeneral::UrlEncode;
using HostRoles::Role;

namespace BidRequests {

namespace {

QString offer(const QString &pathAndQuery)
{
    return HostRoles::url(Role::Offer, pathAndQuery, false);
}

// A request that carries the password goes over https only.
QString secureOffer(const QString &pathAndQuery)
{
    return HostRoles::url(Role::Offer, pathAndQuery, true);
}

} // namespace

QString MakeBidURL(const QString &item, const QString &maxBid, int qty)
{
    return offer(QStringLiteral("/ws/eBayISAPI.dll?MakeBid&item=") + item + QStringLiteral("&fb=2&maxbid=") + maxBid
                 + QStringLiteral("&qty=") + QString::number(qty));
}

QString ConfirmBidURL(const QString &uiid, const QString &item, const QString &maxBid, int qty, const QString &user,
                      const QString &password, const QString &stok)
{
    return secureOffer(QStringLiteral("/ws/eBayISAPI.dll?MfcISAPICommand=MakeBid&uiid=") + uiid + QStringLiteral("&item=") + item
                       + QStringLiteral("&maxbid=") + maxBid + QStringLiteral("&quant=") + QString::number(qty)
                       + QStringLiteral("&mode=1&user=") + UrlEncode(user) + QStringLiteral("&pass=") + UrlEncode(password)
                       + QStringLiteral("&stok=") + stok + QStringLiteral("&co_partnerid=2&fb=2"));
}

QString CurrencyConfirmURL(const QString &uiid, const QString &item, const QString &maxBid, const QString &user,
                           const QString &firedFilteredId, const QString &stok)
{
    return offer(QStringLiteral("/ws/eBayISAPI.dll?MfcISAPICommand=MakeBid&uiid=") + uiid + QStringLiteral("&item=") + item
                 + QStringLiteral("&quant=1&quantity=1&maxbid=") + maxBid + QStringLiteral("&user=") + UrlEncode(user)
                 + QStringLiteral("&javascriptenabled=1&mode=1&firedFilteredId=") + firedFilteredId
                 + QStringLiteral("&stok=") + stok);
}

QString OneCallBidURL(const QString &uiid, const QString &item, const QString &maxBid, int qty, const QString &user,
                      const QString &password)
{
    return secureOffer(QStringLiteral("/ws/eBayISAPI.dll?MfcISAPICommand=MakeBid&uiid=") + uiid + QStringLiteral("&item=") + item
                       + QStringLiteral("&maxbid=") + maxBid + QStringLiteral("&quant=") + QString::number(qty)
                       + QStringLiteral("&mode=1&user=") + UrlEncode(user) + QStringLiteral("&pass=") + UrlEncode(password));
}

QString OneCallPurchaseURL(const QString &uiid, const QString &item, int qty, const QString &user,
                           const QString &password)
{
    return secureOffer(QStringLiteral("/ws/eBayISAPI.dll?MfcISAPICommand=BinConfirm&uiid=") + uiid + QStringLiteral("&item=") + item
                       + QStringLiteral("&Quantity=") + QString::number(qty) + QStringLiteral("&mode=1&user=") + UrlEncode(user)
                       + QStringLiteral("&pass=") + UrlEncode(password));
}

} // namespace BidRequests
