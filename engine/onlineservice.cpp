#include "engine/onlineservice.h"

#include "engine/trackedauction.h"
#include "foundation/ebayuser.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/pageaccess.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"
#include "platform/listview.h"

namespace OnlineService {

namespace {

const QString kOK = QStringLiteral("OK");
const QString kError = QStringLiteral("Error: ");
const QString kErrorBare = QStringLiteral("Error:");
const QString kExists = QStringLiteral("Exists: ");
const QString kUseOut = QStringLiteral("Useout: ");
const QString kRegistered = QStringLiteral("OK: Registered");

bool startsWith(const QString &text, const QString &prefix)
{
    return text.startsWith(prefix, Qt::CaseSensitive);
}

Reply make(const QString &text, Outcome outcome, qsizetype cut = -1)
{
    Reply r;
    r.text = text;
    r.outcome = text.isEmpty() ? Outcome::NoReply : outcome;
    if (cut >= 0)
        r.message = text.mid(cut);
    return r;
}

// Item numbers and amounts go out as typed; anything beyond digits and "."
// would change the query, so such a text is encoded.
QString plainOrEncoded(const QString &text)
{
    for (const QChar c : text)
        if ((c < QLatin1Char('0') || c > QLatin1Char('9')) && c != QLatin1Char('.'))
            return basGeneral::UrlEncode(text);
    return text;
}

// The active user's plain password: the settings window's account row of
// that user ID, read at the moment a request is built. No row: no password
// (the service refuses the request).
QString currentPassword()
{
    const ListItem *row = FindEbayUser(*frmSettings::instance().lvwUsers, CurrentUser);
    return row ? basGeneral::UnscramblePassword(row->Tag()) : QString();
}

// "username=U&pswd=P" of the active user.
QString credentials()
{
    return QStringLiteral("username=") + basGeneral::UrlEncode(CurrentUser) + QStringLiteral("&pswd=")
        + basGeneral::UrlEncode(currentPassword());
}

QString secure(const QString &pathAndQuery)
{
    return HostRoles::url(HostRoles::Role::VendorSecure, pathAndQuery, true);
}

QString itemBidGroup(const QString &item, const QString &bid, const QString &group)
{
    return QStringLiteral("&item=") + plainOrEncoded(item) + QStringLiteral("&bid=") + plainOrEncoded(bid)
        + QStringLiteral("&group=") + basGeneral::UrlEncode(group);
}

} // namespace

Reply ClassifySend(const QString &text)
{
    if (startsWith(text, kExists))
        return make(text, Outcome::Exists, kExists.size());
    if (startsWith(text, kUseOut))
        return make(text, Outcome::UseOut, kUseOut.size());
    if (startsWith(text, kError))
        return make(text, Outcome::Refused, kError.size());
    if (startsWith(text, kOK))
        return make(text, Outcome::Accepted);
    return make(text, Outcome::Unexpected);
}

Reply ClassifyReplace(const QString &text)
{
    if (text == kOK)
        return make(text, Outcome::Accepted);
    if (startsWith(text, kError))
        return make(text, Outcome::Refused, kError.size());
    return make(text, Outcome::Unexpected);
}

Reply ClassifyCancelOrRemove(const QString &text)
{
    if (startsWith(text, kOK))
        return make(text, Outcome::Accepted);
    // The six-character prefix; the message still starts after seven.
    if (startsWith(text, kErrorBare))
        return make(text, Outcome::Refused, kError.size());
    return make(text, Outcome::Unexpected);
}

Reply ClassifyExport(const QString &text)
{
    if (startsWith(text, kError))
        return make(text, Outcome::Refused, kError.size());
    if (startsWith(text, kOK))
        return make(text, Outcome::Accepted);
    return make(text, Outcome::Unexpected);
}

Reply ClassifyImport(const QString &text)
{
    if (startsWith(text, kError))
        return make(text, Outcome::Refused, kError.size());
    Reply r = make(text, Outcome::ItemList);
    if (!text.isEmpty())
        r.lines = text.split(QStringLiteral("\r\n"));
    return r;
}

Reply ClassifyCreateAccount(const QString &text)
{
    return ClassifyReplace(text);
}

Reply ClassifyAccountQuery(const QString &text)
{
    return make(text, text == kRegistered ? Outcome::Registered : Outcome::Unexpected);
}

QString SendSnipeURL(const QString &item, const QString &bid, const QString &group)
{
    return secure(QStringLiteral("/online/senditem.asp?ver=2&") + credentials() + itemBidGroup(item, bid, group));
}

QString ReplaceSnipeURL(const QString &item, const QString &bid, const QString &group)
{
    return secure(QStringLiteral("/online/senditem.asp?") + credentials() + itemBidGroup(item, bid, group)
                  + QStringLiteral("&replace=yes"));
}

QString CancelSnipeURL(const QString &item)
{
    return secure(QStringLiteral("/online/remitem.asp?") + credentials() + QStringLiteral("&item=") + plainOrEncoded(item)
                  + QStringLiteral("&keepwatch=yes"));
}

QString RemoveItemURL(const QString &item)
{
    return secure(QStringLiteral("/online/remitem.asp?") + credentials() + QStringLiteral("&item=") + plainOrEncoded(item));
}

QString ExportItemURL(const QString &item)
{
    return secure(QStringLiteral("/online/export.asp?") + credentials() + QStringLiteral("&item=") + plainOrEncoded(item));
}

QString ImportItemsURL()
{
    return secure(QStringLiteral("/online/import.asp?") + credentials());
}

QString CreateAccountURL(const QString &fullName, const QString &email)
{
    using basGeneral::UrlEncode;
    return secure(QStringLiteral("/online/autoacct.asp?fullname=") + UrlEncode(fullName) + QStringLiteral("&username=")
                  + UrlEncode(CurrentUser) + QStringLiteral("&email=") + UrlEncode(email) + QStringLiteral("&pswd=")
                  + UrlEncode(basGeneral::EncodeForServer(currentPassword())));
}

QString AccountQueryURL()
{
    // The service looks the ID up as sent; it has always gone out unencoded.
    return HostRoles::url(HostRoles::Role::Vendor, QStringLiteral("/online/isreg.asp?version=2&user=") + CurrentUser);
}

QString LoginPageURL()
{
    return secure(QStringLiteral("/online/login.asp"));
}

bool UserHasAccount(const QString &hasAccountSetting, const QString &rowTag)
{
    return hasAccountSetting == QLatin1String("True") || rowTag == SnipeState::Online || rowTag == SnipeState::Both;
}

bool UserHasAccount(const QString &rowTag)
{
    return UserHasAccount(GetSetting(QStringLiteral("Has TMRO Account"), QStringLiteral("False")), rowTag);
}

Reply SendSnipe(Inet &inet, const QString &item, const QString &bid, const QString &group)
{
    return ClassifySend(basGeneral::GetURL(SendSnipeURL(item, bid, group), inet));
}

Reply ReplaceSnipe(Inet &inet, const QString &item, const QString &bid, const QString &group)
{
    return ClassifyReplace(basGeneral::GetURL(ReplaceSnipeURL(item, bid, group), inet));
}

Reply CancelSnipe(Inet &inet, const QString &item)
{
    return ClassifyCancelOrRemove(basGeneral::GetURL(CancelSnipeURL(item), inet));
}

Reply RemoveItem(Inet &inet, const QString &item)
{
    return ClassifyCancelOrRemove(basGeneral::GetURL(RemoveItemURL(item), inet));
}

Reply ExportItem(Inet &inet, const QString &item)
{
    return ClassifyExport(basGeneral::GetURL(ExportItemURL(item), inet));
}

Reply ImportItems(Inet &inet)
{
    return ClassifyImport(basGeneral::GetURL(ImportItemsURL(), inet));
}

Reply CreateAccount(Inet &inet, const QString &fullName, const QString &email)
{
    return ClassifyCreateAccount(basGeneral::GetURL(CreateAccountURL(fullName, email), inet));
}

Reply AccountQuery(Inet &inet)
{
    return ClassifyAccountQuery(basGeneral::GetURL(AccountQueryURL(), inet));
}

} // namespace OnlineService
