// The vendor's online bidding service: plain-text replies on the secure
// vendor host, the account query on the plain one, and the service's login
// page; and the control paths that set up accounts and choose replies:
//
//   GET    /_sim/online                 accounts with their items, canned replies
//   DELETE /_sim/online                 no accounts, no canned replies
//   POST   /_sim/online/accounts        {"user", "password", "fullName", "email",
//                                        "items": [{"item", "bid", "group"}]}
//   POST   /_sim/online/replies         {"path", "reply", "count"}: answer "reply"
//                                        instead (count -1: every time)
//   DELETE /_sim/online/replies         drop the canned replies
#include "sim/core/simserver.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace Sim {

namespace {

const QString kVendor = QStringLiteral("vendor");
const QString kVendorSecure = QStringLiteral("vendorsecure");
const QString kLoginPath = QStringLiteral("/online/login.asp");

Response text(const QString &body)
{
    Response r;
    r.contentType = "text/plain; charset=windows-1252";
    r.body = body.toLatin1();
    return r;
}

// The amount of a held snipe as the service prints it.
QString amount(const QString &bid)
{
    bool ok = false;
    const double value = bid.toDouble(&ok);
    return ok ? QString::number(value, 'f', 2) : bid;
}

// A form body (application/x-www-form-urlencoded) or a query, decoded.
QString formValue(const Request &r, const QString &name)
{
    if (r.method != QLatin1String("POST"))
        return r.param(name);
    for (const QByteArray &pair : r.body.split('&')) {
        const qsizetype eq = pair.indexOf('=');
        if (eq < 0)
            continue;
        QByteArray key = pair.left(eq);
        QByteArray value = pair.mid(eq + 1);
        key.replace('+', ' ');
        value.replace('+', ' ');
        if (percentDecode(QString::fromLatin1(key)).compare(name, Qt::CaseInsensitive) == 0)
            return percentDecode(QString::fromLatin1(value));
    }
    return {};
}

bool isLoginAttempt(const Request &r)
{
    return r.method == QLatin1String("POST") || r.hasParam(QStringLiteral("username"));
}

QString loginPage(bool failed)
{
    return QStringLiteral("<html><head><title>Tallowmere Online - Log in</title></head><body>")
        + (failed ? QStringLiteral("<p class=\"error\">Invalid eBay username or password.</p>") : QString())
        + QStringLiteral("<form id=\"loginform\" name=\"loginform\" method=\"post\" action=\"") + kLoginPath
        + QStringLiteral("\">eBay username: <input type=\"text\" id=\"username\" name=\"username\"><br>"
                         "eBay password: <input type=\"password\" id=\"pswd\" name=\"pswd\"><br>"
                         "<input type=\"submit\" id=\"submit\" name=\"submit\" value=\"Log in\"></form></body></html>");
}

QString accountPage(const OnlineAccount &account)
{
    QString rows;
    for (const OnlineItem &i : account.items)
        rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td></tr>")
                    .arg(htmlEscape(i.item), i.bid.isEmpty() ? QStringLiteral("(watching)") : htmlEscape(amount(i.bid)),
                         htmlEscape(i.group));
    return QStringLiteral("<html><head><title>Tallowmere Online - My items</title></head><body>"
                          "<p id=\"welcome\">Logged in as %1</p><table id=\"items\">%2</table></body></html>")
        .arg(htmlEscape(account.user), rows);
}

} // namespace

void SimServer::addOnlineRoutes()
{
    // A service request: a canned reply when a test asked for one, otherwise
    // the account's state is checked and changed by `operation`.
    auto service = [this](const QString &path, Scheme scheme,
                          std::function<QString(const Request &, OnlineAccount *)> operation, bool needsAccount = true) {
        m_routes.add(scheme == Scheme::Http ? kVendor : kVendorSecure, path, QString(), scheme,
                     [this, operation, needsAccount](const Request &r) {
                         QString canned;
                         if (m_online.takeReply(r.target(), &canned))
                             return text(canned);
                         if (!needsAccount)
                             return text(operation(r, nullptr));
                         OnlineAccount *account = m_online.account(r.param(QStringLiteral("username")));
                         if (!account)
                             return text(QStringLiteral("Error: There is no Tallowmere Online account for this eBay user ID."));
                         if (account->password != r.param(QStringLiteral("pswd")))
                             return text(QStringLiteral("Error: Invalid eBay username or password."));
                         return text(operation(r, account));
                     });
    };

    service(QStringLiteral("/online/senditem.asp"), Scheme::Https, [](const Request &r, OnlineAccount *account) {
        const QString number = r.param(QStringLiteral("item"));
        const QString bid = r.param(QStringLiteral("bid"));
        if (number.isEmpty() || bid.isEmpty())
            return QStringLiteral("Error: An item number and a bid are required.");
        OnlineItem *held = account->find(number);
        const bool replace = r.param(QStringLiteral("replace")) == QLatin1String("yes");
        if (held && !held->bid.isEmpty() && !replace)
            return QStringLiteral("Exists: ") + amount(held->bid);
        if (!held) {
            account->items.append(OnlineItem{number, {}, {}});
            held = &account->items.last();
        }
        held->bid = bid;
        held->group = r.param(QStringLiteral("group"));
        return QStringLiteral("OK");
    });

    service(QStringLiteral("/online/remitem.asp"), Scheme::Https, [](const Request &r, OnlineAccount *account) {
        const QString number = r.param(QStringLiteral("item"));
        OnlineItem *held = account->find(number);
        if (!held)
            return QStringLiteral("Error: This item is not in your Tallowmere Online account.");
        if (r.param(QStringLiteral("keepwatch")) == QLatin1String("yes")) {
            held->bid.clear();
            held->group.clear();
        } else {
            account->remove(number);
        }
        return QStringLiteral("OK");
    });

    service(QStringLiteral("/online/export.asp"), Scheme::Https, [](const Request &r, OnlineAccount *account) {
        const QString number = r.param(QStringLiteral("item"));
        if (number.isEmpty())
            return QStringLiteral("Error: An item number is required.");
        if (!account->find(number))
            account->items.append(OnlineItem{number, {}, {}});
        return QStringLiteral("OK");
    });

    service(QStringLiteral("/online/import.asp"), Scheme::Https, [](const Request &, OnlineAccount *account) {
        QString list;
        for (const OnlineItem &i : account->items)
            list += i.item + QStringLiteral("\r\n");
        return list;
    });

    service(
        QStringLiteral("/online/autoacct.asp"), Scheme::Https,
        [this](const Request &r, OnlineAccount *) {
            const QString user = r.param(QStringLiteral("username"));
            QString password;
            if (user.isEmpty())
                return QStringLiteral("Error: An eBay user ID is required.");
            if (!OnlineDesk::decodeFromClient(r.param(QStringLiteral("pswd")), &password) || password.isEmpty())
                return QStringLiteral("Error: The password could not be read.");
            if (m_online.account(user))
                return QStringLiteral("Error: A Tallowmere Online account already exists for this eBay user ID.");
            // With eBay accounts set up, the password must be the eBay one.
            if (hasAccounts() && !acceptsSignIn(user, password))
                return QStringLiteral("Error: Your eBay username or password is incorrect.");
            m_online.addAccount(OnlineAccount{user, password, r.param(QStringLiteral("fullname")),
                                              r.param(QStringLiteral("email")), {}});
            return QStringLiteral("OK");
        },
        false);

    service(
        QStringLiteral("/online/isreg.asp"), Scheme::Http,
        [this](const Request &r, OnlineAccount *) {
            return m_online.account(r.param(QStringLiteral("user"))) ? QStringLiteral("OK: Registered")
                                                                      : QStringLiteral("OK: Not registered");
        },
        false);

    // The login page: a failed login returns to it with "error=" in the address.
    m_routes.add(kVendorSecure, kLoginPath, QString(), Scheme::Https, [this](const Request &r) {
        if (!isLoginAttempt(r))
            return Response::html(loginPage(r.hasParam(QStringLiteral("error"))));
        OnlineAccount *account = m_online.account(formValue(r, QStringLiteral("username")));
        if (!account || account->password != formValue(r, QStringLiteral("pswd")))
            return Response::redirect(kLoginPath + QStringLiteral("?error=1"));
        return Response::html(accountPage(*account));
    });
}

Response SimServer::onlineControl(const Request &request, const QStringList &parts, const QJsonObject &body)
{
    const QString what = parts.value(1);
    const bool write = request.method == QLatin1String("POST") || request.method == QLatin1String("PUT");
    if (what.isEmpty()) {
        if (request.method == QLatin1String("DELETE"))
            m_online.clear();
        return Response::json(QJsonDocument(m_online.toJson()));
    }
    if (what == QLatin1String("accounts") && write) {
        const OnlineAccount account = OnlineAccount::fromJson(body);
        if (account.user.isEmpty())
            return Response::jsonError(QStringLiteral("\"user\" is required"));
        return Response::json(QJsonDocument(m_online.addAccount(account).toJson()));
    }
    if (what == QLatin1String("replies")) {
        if (request.method == QLatin1String("DELETE")) {
            m_online.clearReplies();
            return Response::json(QJsonDocument(m_online.toJson()));
        }
        if (write) {
            CannedReply reply;
            reply.rule.pattern = body.value(QLatin1String("path")).toString();
            reply.rule.remaining = body.value(QLatin1String("count")).toInt(1);
            if (reply.rule.remaining == 0)
                reply.rule.remaining = 1;
            reply.body = body.value(QLatin1String("reply")).toString();
            m_online.addReply(reply);
            return Response::json(QJsonDocument(m_online.toJson()));
        }
    }
    return Response::jsonError(QStringLiteral("unknown control path ") + request.path, 404);
}

} // namespace Sim
