#pragma once

#include "sim/core/faultplan.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

namespace Sim {

// The vendor's online bidding service as the simulator keeps it: which
// accounts exist, which items each holds and at what bid, and the replies a
// test has asked for in place of the normal ones.
struct OnlineItem
{
    QString item;
    QString bid;   // as received; empty for an item held as watched only
    QString group;
};

struct OnlineAccount
{
    QString user;
    QString password; // plain
    QString fullName;
    QString email;
    QList<OnlineItem> items; // in the order they arrived

    OnlineItem *find(const QString &item);
    bool remove(const QString &item);
    QJsonObject toJson() const;
    static OnlineAccount fromJson(const QJsonObject &json);
};

// A reply given instead of the normal one to requests whose path and query
// match `rule` (as a fault rule matches); the account state stays as it was.
struct CannedReply
{
    FaultRule rule;
    QString body;
};

class OnlineDesk final
{
public:
    // Accounts by user ID in any letter case.
    OnlineAccount *account(const QString &user);
    OnlineAccount &addAccount(const OnlineAccount &account);
    QList<OnlineAccount> accounts() const { return m_accounts.values(); }

    void addReply(CannedReply reply) { m_replies.append(std::move(reply)); }
    // The first canned reply for the target, used up by one.
    bool takeReply(const QString &target, QString *body);
    const QList<CannedReply> &replies() const { return m_replies; }
    void clearReplies() { m_replies.clear(); }

    void clear();
    QJsonObject toJson() const;

    // The plain text behind the program's digit encoding of a password: a
    // filler digit follows every three, then two digits of the offset, four
    // per character ((code + offset) x factor) and one of the factor. False
    // when the digits do not decode.
    static bool decodeFromClient(const QString &digits, QString *plain);

private:
    QMap<QString, OnlineAccount> m_accounts; // by lower-cased user ID
    QList<CannedReply> m_replies;
};

} // namespace Sim
