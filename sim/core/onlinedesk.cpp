#include "sim/core/onlinedesk.h"

#include <QJsonArray>

namespace Sim {

OnlineItem *OnlineAccount::find(const QString &item)
{
    for (OnlineItem &i : items)
        if (i.item == item)
            return &i;
    return nullptr;
}

bool OnlineAccount::remove(const QString &item)
{
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i].item == item) {
            items.removeAt(i);
            return true;
        }
    }
    return false;
}

QJsonObject OnlineAccount::toJson() const
{
    QJsonArray list;
    for (const OnlineItem &i : items)
        list.append(QJsonObject{{QStringLiteral("item"), i.item}, {QStringLiteral("bid"), i.bid}, {QStringLiteral("group"), i.group}});
    return QJsonObject{
        {QStringLiteral("user"), user},
        {QStringLiteral("password"), password},
        {QStringLiteral("fullName"), fullName},
        {QStringLiteral("email"), email},
        {QStringLiteral("items"), list},
    };
}

OnlineAccount OnlineAccount::fromJson(const QJsonObject &json)
{
    OnlineAccount account;
    account.user = json.value(QLatin1String("user")).toString();
    account.password = json.value(QLatin1String("password")).toString();
    account.fullName = json.value(QLatin1String("fullName")).toString();
    account.email = json.value(QLatin1String("email")).toString();
    for (const auto &value : json.value(QLatin1String("items")).toArray()) {
        const QJsonObject i = value.toObject();
        account.items.append(OnlineItem{i.value(QLatin1String("item")).toString(), i.value(QLatin1String("bid")).toString(),
                                        i.value(QLatin1String("group")).toString()});
    }
    return account;
}

OnlineAccount *OnlineDesk::account(const QString &user)
{
    const auto it = m_accounts.find(user.toLower());
    return it == m_accounts.end() ? nullptr : &it.value();
}

OnlineAccount &OnlineDesk::addAccount(const OnlineAccount &account)
{
    return m_accounts.insert(account.user.toLower(), account).value();
}

bool OnlineDesk::takeReply(const QString &target, QString *body)
{
    for (qsizetype i = 0; i < m_replies.size(); ++i) {
        CannedReply &r = m_replies[i];
        if (!r.rule.matches(target))
            continue;
        *body = r.body;
        if (r.rule.remaining > 0 && --r.rule.remaining == 0)
            m_replies.removeAt(i);
        return true;
    }
    return false;
}

void OnlineDesk::clear()
{
    m_accounts.clear();
    m_replies.clear();
}

QJsonObject OnlineDesk::toJson() const
{
    QJsonArray accounts;
    for (const OnlineAccount &a : m_accounts)
        accounts.append(a.toJson());
    QJsonArray replies;
    for (const CannedReply &r : m_replies)
        replies.append(QJsonObject{{QStringLiteral("path"), r.rule.pattern},
                                   {QStringLiteral("reply"), r.body},
                                   {QStringLiteral("count"), r.rule.remaining}});
    return QJsonObject{{QStringLiteral("accounts"), accounts}, {QStringLiteral("replies"), replies}};
}

bool OnlineDesk::decodeFromClient(const QString &digits, QString *plain)
{
    for (const QChar c : digits)
        if (!c.isDigit())
            return false;
    // Drop the filler digit after every full group of three.
    QString content;
    for (qsizetype i = 0; i < digits.size(); i += 4)
        content += digits.mid(i, 3);
    // Two digits of offset, four per character, one of factor.
    if (content.size() < 7 || (content.size() - 3) % 4 != 0)
        return false;
    const int offset = content.left(2).toInt();
    const int factor = content.right(1).toInt();
    if (factor == 0)
        return false;
    QString text;
    for (qsizetype i = 2; i + 4 < content.size(); i += 4) {
        const int value = content.mid(i, 4).toInt();
        if (value % factor != 0)
            return false;
        const int code = value / factor - offset;
        if (code < 0 || code > 255)
            return false;
        text += QChar(code);
    }
    *plain = text;
    return true;
}

} // namespace Sim
