#include "sellertools/relistpages.h"

#include "foundation/hostroles.h"
#include "foundation/pageaccess.h"

namespace RelistPages {

bool IsSignInForm(const QString &location, const QString &lowerPage)
{
    return HostRoles::servedOverHttps(location, HostRoles::Role::SignIn) && lowerPage.contains(QLatin1String("name=signinform"))
        && lowerPage.contains(QLatin1String("user id"))
        && !lowerPage.contains(QLatin1String("your user id or password is incorrect"));
}

bool ShowsUser(const QString &lowerPage, const QString &userId)
{
    return !userId.isEmpty() && lowerPage.contains(userId.toLower());
}

bool IsCatalogPage(const QString &lowerPage)
{
    return lowerPage.contains(QLatin1String("continue listing without using our catalog"));
}

bool IsCreatePage(const QString &lowerPage)
{
    return lowerPage.contains(QLatin1String("create your listing"));
}

bool IsReviewPage(const QString &lowerPage)
{
    return lowerPage.contains(QLatin1String("<h1>review your listing</h1>"));
}

std::optional<QString> NewItemNumber(const QString &lowerPage)
{
    if (!lowerPage.contains(QLatin1String("congratulations!")) || !lowerPage.contains(QLatin1String("item=")))
        return std::nullopt;
    const QString quoted = basGeneral::GetBetween(lowerPage, QStringLiteral("item="), QStringLiteral("\""));
    const QString number = quoted.section(QLatin1String("&amp;"), 0, 0);
    if (number.isEmpty())
        return std::nullopt;
    for (const QChar c : number)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    return number;
}

} // namespace RelistPages
