#pragma once

#include <QString>
#include <QStringList>

class Inet;

// The vendor's online bidding service: one GET per operation, answered by a
// short plain-text reply. Each request carries the active user's eBay ID and
// password (read when the request is built; no session, no cookie) and goes
// through the transfer control the calling window owns. The *URL builders are
// the exact addresses; the operations send them and classify the reply the
// way their callers test it.
namespace OnlineService {

// What a reply means to the operation that asked.
enum class Outcome {
    Accepted,   // the operation's success form ("OK" first, or exactly "OK" where it must be whole)
    Refused,    // "Error: " ("Error:" for cancel and remove): `message` is the server's text
    Exists,     // send: the item already has a snipe there; `message` is its amount
    UseOut,     // send: the service declines the bid; `message` is its text
    Registered, // account query: exactly "OK: Registered"
    ItemList,   // import: `lines` holds the reply split at CR LF
    NoReply,    // the transfer failed (empty reply)
    Unexpected, // anything else
};

struct Reply
{
    Outcome outcome = Outcome::NoReply;
    QString text;      // the whole reply as received
    QString message;   // the text after the reply's fixed prefix, for Refused, Exists, UseOut
    QStringList lines; // ItemList only
};

// The reply classes of each operation, in the order its callers test them.
Reply ClassifySend(const QString &text);          // Exists, UseOut, Refused, Accepted ("OK" first)
Reply ClassifyReplace(const QString &text);       // Accepted only for exactly "OK"; Refused
Reply ClassifyCancelOrRemove(const QString &text); // Accepted ("OK" first), Refused ("Error:")
Reply ClassifyExport(const QString &text);        // Refused, Accepted ("OK" first)
Reply ClassifyImport(const QString &text);        // Refused, ItemList
Reply ClassifyCreateAccount(const QString &text); // Accepted only for exactly "OK"; Refused
Reply ClassifyAccountQuery(const QString &text);  // Registered only for exactly "OK: Registered"

// The request addresses. `item` and `bid` go out as typed while they hold
// only digits and "."; anything else in them, and every group, is encoded,
// so a "&", "#", "=", "+" or space cannot cut the value or add a key.
QString SendSnipeURL(const QString &item, const QString &bid, const QString &group);
QString ReplaceSnipeURL(const QString &item, const QString &bid, const QString &group);
QString CancelSnipeURL(const QString &item); // keeps the item watched there
QString RemoveItemURL(const QString &item);
QString ExportItemURL(const QString &item);
QString ImportItemsURL();
QString CreateAccountURL(const QString &fullName, const QString &email);
QString AccountQueryURL();
// Opened in the browser, not fetched.
QString LoginPageURL();

// Whether the user has an account with the service, so that a request
// carrying their eBay password may go there unasked: the start-up account
// query found one (`hasAccountSetting`, the stored "Has TMRO Account", is
// "True"), or the service holds this row's snipe (`rowTag` "Online" or
// "Both"). Anything else sends nothing.
bool UserHasAccount(const QString &hasAccountSetting, const QString &rowTag);
// The same with the stored setting.
bool UserHasAccount(const QString &rowTag);

// The operations: build, send through `inet`, classify.
Reply SendSnipe(Inet &inet, const QString &item, const QString &bid, const QString &group);
Reply ReplaceSnipe(Inet &inet, const QString &item, const QString &bid, const QString &group);
Reply CancelSnipe(Inet &inet, const QString &item);
Reply RemoveItem(Inet &inet, const QString &item);
Reply ExportItem(Inet &inet, const QString &item);
Reply ImportItems(Inet &inet);
Reply CreateAccount(Inet &inet, const QString &fullName, const QString &email);
Reply AccountQuery(Inet &inet);

} // namespace OnlineService
