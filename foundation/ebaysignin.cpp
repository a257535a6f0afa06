#include "foundation/ebaysignin.h"

#include "foundation/hostroles.h"
#include "foundation/pageaccess.h"

using HostRoles::Role;

namespace eBaySignIn {

namespace {

QString credentials(const QString &user, const QString &password)
{
    return basGeneral::UrlEncode(user) + QStringLiteral("&pass=") + basGeneral::UrlEncode(password);
}

} // namespace

QString SignInURL(const QString &user, const QString &password)
{
    return HostRoles::url(Role::SignIn,
                          QStringLiteral("/ws/eBayISAPI.dll?MfcISAPICommand=SignInWelcome&bhid=DEF_CI&UsingSSL=1"
                                         "&inputversion=2&lse=false&kgver=1&kgupg=1&rhr=f&siteid=0&co_partnerId=2&ru="),
                          true)
        + HostRoles::url(Role::Listing, QStringLiteral("/ws/eBayISAPI.dll?SellHub3"), false)
        + QStringLiteral("&i1=-1&pageType=-1&userid=") + credentials(user, password);
}

QString QuickSignInURL(const QString &user, const QString &password)
{
    // siteid, UsingSSL and the partner parameter are sent twice, as eBay has
    // always been sent them.
    return HostRoles::url(Role::SignIn,
                          QStringLiteral("/ws/eBayISAPI.dll?co_partnerid=2&siteid=0&UsingSSL=1&MfcISAPICommand=SignInWelcome"
                                         "&siteid=0&co_partnerId=2&UsingSSL=1&i1=-1&userid="),
                          true)
        + credentials(user, password);
}

QString SignOutURL()
{
    return HostRoles::url(Role::SignIn, QStringLiteral("/ws2/eBayISAPI.dll?SignIn&ssPageName=h:h:sout:US"), false);
}

bool SignInRejected(const QString &reply)
{
    return reply.contains(QLatin1String(" invalid "), Qt::CaseSensitive)
        || reply.contains(QLatin1String("password is incorrect"), Qt::CaseSensitive);
}

} // namespace eBaySignIn
