#pragma once

#include "sim/core/networkpath.h"

#include "sim/core/biddesk.h"
#include "sim/core/faultplan.h"
#include "sim/core/itemstore.h"
#include "sim/core/onlinedesk.h"
#include "sim/core/pages.h"
#include "sim/core/requestlog.h"
#include "sim/core/sellingdesk.h"
#include "sim/core/routetable.h"
#include "sim/core/sellerdesk.h"
#include "sim/core/simhttp.h"

#include <QHash>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

class QHttpServerRequest;
class QJsonObject;
class QTcpSocket;
class QTimer;

namespace Sim {

class Listener;

// eBay and the vendor's server on 127.0.0.1, one plain and one TLS port for
// every host role. Lives in the thread that creates it and answers from that
// thread's event loop, so a test can run it next to the program's code.
// Seconds as the control endpoint takes them, fractions too, in milliseconds.
inline qint64 SecondsToMs(double seconds)
{
    return qRound64(seconds * 1000.0);
}

class SimServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SimServer)

public:
    struct Options
    {
        quint16 httpPort = 0;  // 0: any free port
        quint16 httpsPort = 0;
        QString stateDir;      // certificates and the hosts file; empty: a temporary folder
                               // that the simulators of this process share
        QString hostsFile;     // empty: <stateDir>/hosts
        // eBay's roles under names that hold "ebay." ("signin.ebay.localhost"),
        // which a browser resolves to loopback itself; otherwise 127.0.0.1.
        bool ebayHostNames = false;
        // A network path in front of both ports from the start (setNetworkPath).
        int pathDelayMs = 0;
        int pathJitterMs = 0;
    };
    // A name outside eBay that still holds "ebay.", covered by the certificate.
    static QString lookAlikeHost() { return QStringLiteral("ebay.lookalike.localhost"); }

    explicit SimServer(QObject *parent = nullptr);
    ~SimServer() override;

    // Makes the certificates, opens both ports and writes the hosts file.
    bool start(const Options &options);
    bool start() { return start(Options{}); }
    QString errorString() const { return m_error; }

    quint16 httpPort() const { return m_httpPort; }
    quint16 httpsPort() const { return m_httpsPort; }
    QString stateDir() const { return m_stateDir; }
    QString hostsFile() const { return m_hostsFile; }
    QString caFile() const { return m_caFile; }
    // "http://127.0.0.1:port" + pathAndQuery (or https).
    QString url(const QString &pathAndQuery, bool https = false) const;

    // Puts a network path (NetworkPath) of `oneWayMs` each way, plus up to
    // `jitterMs`, in front of both ports and names its ports in the hosts
    // file; 0 and 0 name the ports themselves again. Connections already
    // open keep the path they had; a program reads the hosts file at its
    // start (HostRoles::reload in a test). False when it cannot listen.
    bool setNetworkPath(int oneWayMs, int jitterMs = 0);
    int pathDelayMs() const;
    int pathJitterMs() const;
    // How the path misbehaves on the secure port (NetworkPath::Misbehaviour),
    // and a time page served stale: every `staleEvery`th reading of it
    // (0: none) shows eBay's clock `staleMs` behind, as a cache would. Puts
    // the path in front of the ports even with no delay, until
    // setNetworkPath(0, 0).
    bool setPathMisbehaviour(const NetworkPath::Misbehaviour &misbehaviour, int staleEvery, int staleMs);
    NetworkPath::Misbehaviour pathMisbehaviour() const;
    int staleEvery() const { return m_staleEvery; }
    int staleMs() const { return m_staleMs; }
    // Whether the ports the hosts file names are the path's.
    bool pathInFront() const;
    // The ports the hosts file names: the path's while it is on.
    quint16 publicHttpPort() const;
    quint16 publicHttpsPort() const;

    // Every host role of the program, as named in the hosts file.
    static QStringList roleNames();
    static QString sessionCookieName() { return QStringLiteral("simsession"); }

    // Answers a request as the pages do, without network, faults or log.
    // `role` receives the role of the route that answered ("" for none).
    Response respond(const Request &request, QString *role = nullptr);

    // The state the control endpoint changes; tests may use it directly.
    ItemStore &items() { return m_items; }
    RequestLog &requestLog() { return m_log; }
    FaultPlan &faults() { return m_faults; }
    RouteTable &routes() { return m_routes; }
    // Bid reply classes, proxy bids, cookie pages and problem reports.
    BidDesk &bids() { return m_bids; }
    // The vendor's online bidding service: its accounts, their items and
    // the replies a test asked for.
    OnlineDesk &online() { return m_online; }
    // The relisting pages' state: relists confirmed, catalog page, failing step.
    SellingDesk &selling() { return m_selling; }
    // Sellers' feedback, sold list and payment status (sellerroutes.cpp).
    SellerDesk &seller() { return m_seller; }
    // The body of the vendor's update information ("/?app=tallow&action=getinf",
    // HTTPS on the vendor's secure host);
    // an empty text answers with an empty body. reset() restores the default.
    QString updateReply() const { return m_updateReply; }
    void setUpdateReply(const QString &reply) { m_updateReply = reply; }
    static QString defaultUpdateReply();
    // The release archive the vendor's secure host serves at releasePath() (404 while
    // empty), and its SHA-256 in lower-case hexadecimal for a "<sha256>" line.
    static QString releasePath() { return QStringLiteral("/releases/tallowmere.tar"); }
    QByteArray releaseArchive() const { return m_releaseArchive; }
    void setReleaseArchive(const QByteArray &archive) { m_releaseArchive = archive; }
    QString releaseSha256() const;
    // The "update.inf" lines that offer the archive as revision `version`:
    // its path, size, checksum and signature by the simulator's test key.
    QString releaseInfoLines(int version) const;
    // The public half (DER) of the key those lines are signed with.
    static QByteArray releasePublicKey();

    // eBay's clock ahead of the real one, to the millisecond; clockOffset()
    // in whole seconds, towards zero.
    qint64 clockOffset() const { return m_clockOffsetMs / 1000; }
    qint64 clockOffsetMs() const { return m_clockOffsetMs; }
    void setClockOffset(qint64 seconds) { m_clockOffsetMs = seconds * 1000; }
    void setClockOffsetMs(qint64 ms) { m_clockOffsetMs = ms; }
    // eBay's clock jumps `seconds` (ahead, or back when negative) against the
    // real one: its time page and the Date of every reply follow it, and the
    // running auctions still end when eBay's clock reads their end, that much
    // sooner (or later) by the real clock.
    void moveEbayClock(qint64 seconds) { moveEbayClockMs(seconds * 1000); }
    void moveEbayClockMs(qint64 ms);
    // The present moment, UTC: the real one, moved on by advanceClock. Items
    // end by it; pages print it shifted by the clock offset.
    QDateTime now() const;
    // Lets `seconds` pass at once (tests that drive the program's clock too).
    void advanceClock(qint64 seconds) { m_clockAhead += seconds; }
    PageContext pageContext() const;

    // eBay accounts. Without any, every user ID and password is accepted.
    struct Account
    {
        QString user;
        QString password;
        int feedbackScore = 0;          // shown on the member's feedback page
        double feedbackPercent = 100.0;
    };
    void addAccount(const QString &user, const QString &password, int feedbackScore = 0, double feedbackPercent = 100.0);
    // The account of a user ID in any letter case, or nullptr.
    const Account *account(const QString &user) const;
    void clearAccounts() { m_accounts.clear(); }
    bool hasAccounts() const { return !m_accounts.isEmpty(); }
    bool acceptsSignIn(const QString &user, const QString &password) const;
    QStringList accounts() const;

    // Sessions behind the sign-in cookie.
    QString startSession(const QString &user);
    void endSession(const QString &token) { m_sessions.remove(token); }
    // The signed-in user of a request, or "".
    QString sessionUser(const Request &request) const;

    // Items, accounts, clock offset and faults from one JSON object (the
    // --scenario file and POST /_sim/scenario).
    bool loadScenario(const QJsonObject &scenario, QString *error);

    // The My eBay watching list of a user ID in any letter case.
    void setWatching(const QString &user, const QStringList &items);
    QStringList watching(const QString &user) const;

    // Back to an empty simulator: items, accounts, sessions, faults, log, clock.
    void reset();

    // What a later run can start from: the items with their end times and
    // bids, accounts, sign-ins, watching lists and the clock offset.
    QJsonObject state() const;
    // Replaces all of that with a saved state.
    bool restoreState(const QJsonObject &state, QString *error);
    // Keeps the state in `path`: written shortly after each request and when
    // the simulator ends. Empty: nothing is kept (the default).
    void keepStateIn(const QString &path);
    bool saveState(QString *error = nullptr) const;
    // Starts from the state file a run left; false with a reason when it
    // cannot be read.
    bool loadState(const QString &path, QString *error);

signals:
    // A page request arrived and was logged (control requests are not).
    void requestLogged(qint64 index);

private:
    void addEbayRoutes();
    // Every item, running auctions first by their end, then the ended ones.
    QList<const SimItem *> itemsEndingFirst() const;
    void addBidRoutes();
    void addUpdateRoutes();
    // /_sim/update: reads, sets or restores the update information reply.
    Response updateControl(const Request &request, const QJsonObject &body);
    // /_sim/bids and /_sim/reports; `parts` starts after "_sim".
    Response bidControl(const Request &request, const QStringList &parts, const QJsonObject &body);
    void addOnlineRoutes();
    void addSellingRoutes();
    // /_sim/selling: reads or sets the relisting pages' state.
    Response sellingControl(const Request &request, const QJsonObject &body);
    void addSellerRoutes();
    // /_sim/seller; `parts` starts after "_sim".
    Response sellerControl(const Request &request, const QStringList &parts, const QJsonObject &body);
    // Pages the embedded browser is shown: search results, its sign-in page.
    void addBrowserRoutes();
    // The vendor's information and review pages (vendorpageroutes.cpp).
    void addVendorPageRoutes();
    // /_sim/online; `parts` starts after "_sim".
    Response onlineControl(const Request &request, const QStringList &parts, const QJsonObject &body);
    void addWatchingRoutes();
    // One account as a scenario, the saved state or /_sim/accounts gives it.
    void addAccountFromJson(const QJsonObject &a);
    // The clock offset `o` gives, or `absent` when it gives none.
    static qint64 clockOffsetMsIn(const QJsonObject &o, qint64 absent);
    // /_sim/watching: reads, sets or empties the users' watching lists.
    Response watchingControl(const Request &request, const QJsonObject &body);
    Response control(const Request &request);
    void handle(const QHttpServerRequest &request, QTcpSocket *socket, bool https);
    bool writeHostsFile(const QString &path);
    // A request may have changed the state: saved soon after, not per request.
    void stateMayHaveChanged();

    Listener *m_http = nullptr;
    Listener *m_https = nullptr;
    NetworkPath *m_httpPath = nullptr;
    NetworkPath *m_httpsPath = nullptr;
    quint16 m_httpPort = 0;
    quint16 m_httpsPort = 0;
    bool m_ebayHostNames = false;
    QString m_stateDir;
    QString m_hostsFile;
    QString m_caFile;
    QString m_error;

    ItemStore m_items;
    RequestLog m_log;
    FaultPlan m_faults;
    RouteTable m_routes;
    BidDesk m_bids;
    OnlineDesk m_online;
    SellingDesk m_selling;
    SellerDesk m_seller;
    QString m_updateReply = defaultUpdateReply();
    QByteArray m_releaseArchive;
    qint64 m_clockOffsetMs = 0;
    bool m_pathKept = false; // in front with no delay (setPathMisbehaviour)
    int m_staleEvery = 0;
    int m_staleMs = 0;
    qint64 m_timeReadings = 0;
    qint64 m_clockAhead = 0;
    QMap<QString, Account> m_accounts; // by lower-cased user ID
    QMap<QString, QStringList> m_watching; // by lower-cased user ID
    QHash<QString, QString> m_sessions;                // token -> user
    QString m_stateFile;
    QTimer *m_saveTimer = nullptr;
};

} // namespace Sim
