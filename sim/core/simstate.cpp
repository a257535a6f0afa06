// The simulator's state between runs: the demo's --keep starts the simulator
// from the file its last run left, so the auctions keep their end times and
// bids, items made through the control endpoint stay valid, and accounts of
// the online service are still there.
#include "sim/core/simserver.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTimer>

namespace Sim {

namespace {

constexpr int kSaveDelayMs = 300;

} // namespace

QJsonObject SimServer::state() const
{
    const QDateTime t = now();
    QJsonArray items;
    QJsonObject bids;
    for (const QString &n : m_items.numbers()) {
        items.append(itemToJson(*m_items.find(n), t));
        if (const ItemBidding *b = m_bids.find(n))
            bids.insert(n, b->toJson());
    }
    QJsonArray accounts;
    for (const Account &a : m_accounts)
        accounts.append(QJsonObject{{QStringLiteral("user"), a.user},
                                    {QStringLiteral("password"), a.password},
                                    {QStringLiteral("feedbackScore"), a.feedbackScore},
                                    {QStringLiteral("feedbackPercent"), a.feedbackPercent}});
    QJsonObject watching;
    for (auto it = m_watching.cbegin(); it != m_watching.cend(); ++it)
        watching.insert(it.key(), QJsonArray::fromStringList(it.value()));
    QJsonObject sessions;
    for (auto it = m_sessions.cbegin(); it != m_sessions.cend(); ++it)
        sessions.insert(it.key(), it.value());
    QJsonArray onlineAccounts;
    for (const OnlineAccount &a : m_online.accounts())
        onlineAccounts.append(a.toJson());
    return QJsonObject{
        {QStringLiteral("clockOffset"), double(m_clockOffsetMs) / 1000.0},
        {QStringLiteral("items"), items},
        {QStringLiteral("bids"), bids},
        {QStringLiteral("accounts"), accounts},
        {QStringLiteral("watching"), watching},
        {QStringLiteral("sessions"), sessions},
        {QStringLiteral("onlineAccounts"), onlineAccounts},
    };
}

bool SimServer::restoreState(const QJsonObject &state, QString *error)
{
    QString dummy;
    if (!error)
        error = &dummy;
    const QDateTime t = now();
    ItemStore items;
    for (const auto &value : state.value(QLatin1String("items")).toArray()) {
        const QJsonObject o = value.toObject();
        SimItem item;
        if (!applyItemJson(item, o, t, error))
            return false;
        // The end is the saved instant, not "endsIn" from now.
        item.endsAt = QDateTime::fromString(o.value(QLatin1String("endTime")).toString(), Qt::ISODateWithMs);
        if (item.number.isEmpty()) {
            *error = QStringLiteral("an item without its number");
            return false;
        }
        items.add(item);
    }
    m_items = items;
    m_bids.clear();
    const QJsonObject bids = state.value(QLatin1String("bids")).toObject();
    for (auto it = bids.begin(); it != bids.end(); ++it)
        m_bids.item(it.key()) = ItemBidding::fromJson(it.value().toObject());
    m_accounts.clear();
    for (const auto &value : state.value(QLatin1String("accounts")).toArray())
        addAccountFromJson(value.toObject());
    m_watching.clear();
    const QJsonObject watching = state.value(QLatin1String("watching")).toObject();
    for (auto it = watching.begin(); it != watching.end(); ++it) {
        QStringList list;
        for (const auto &n : it.value().toArray())
            list << n.toString();
        setWatching(it.key(), list);
    }
    // The program's sign-in cookie stays good across the restart.
    m_sessions.clear();
    const QJsonObject sessions = state.value(QLatin1String("sessions")).toObject();
    for (auto it = sessions.begin(); it != sessions.end(); ++it)
        m_sessions.insert(it.key(), it.value().toString());
    // The online service's accounts, with the items they hold (a state file
    // written before they were kept has none).
    m_online.clear();
    for (const auto &value : state.value(QLatin1String("onlineAccounts")).toArray()) {
        const OnlineAccount account = OnlineAccount::fromJson(value.toObject());
        if (!account.user.isEmpty())
            m_online.addAccount(account);
    }
    m_clockOffsetMs = clockOffsetMsIn(state, 0);
    return true;
}

bool SimServer::loadState(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read ") + path;
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        *error = path + QStringLiteral(": ") + parseError.errorString();
        return false;
    }
    return restoreState(doc.object(), error);
}

void SimServer::keepStateIn(const QString &path)
{
    m_stateFile = path;
    if (!m_saveTimer) {
        m_saveTimer = new QTimer(this);
        m_saveTimer->setSingleShot(true);
        m_saveTimer->setInterval(kSaveDelayMs);
        connect(m_saveTimer, &QTimer::timeout, this, [this] { saveState(); });
    }
    if (!path.isEmpty())
        saveState();
}

bool SimServer::saveState(QString *error) const
{
    QString dummy;
    if (!error)
        error = &dummy;
    // Written whole or not at all: a simulator killed mid-write leaves the last state.
    QSaveFile file(m_stateFile);
    if (m_stateFile.isEmpty() || !file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write the state file ") + m_stateFile;
        return false;
    }
    file.write(QJsonDocument(state()).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        *error = QStringLiteral("cannot write the state file ") + m_stateFile;
        return false;
    }
    return true;
}

void SimServer::stateMayHaveChanged()
{
    if (m_saveTimer && !m_stateFile.isEmpty() && !m_saveTimer->isActive())
        m_saveTimer->start();
}

} // namespace Sim
