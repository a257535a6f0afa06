#include "sim/core/simserver.h"

#include "sim/core/certificates.h"
#include "sim/core/networkpath.h"

#include <QAbstractHttpServer>
#include <QDir>
#include <QFile>
#include <QHttpServerRequest>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>
#include <QPointer>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <functional>

#include <sys/socket.h>

namespace Sim {

// One listening port. QAbstractHttpServer parses the requests; the answer is
// written to the socket by the simulator itself, so it can also be held back,
// delayed or left out.
class Listener final : public QAbstractHttpServer
{
public:
    using Callback = std::function<void(const QHttpServerRequest &, QTcpSocket *)>;
    Listener(Callback callback, QObject *parent) : QAbstractHttpServer(parent), m_callback(std::move(callback)) {}

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override
    {
        m_callback(request, socket);
        return true;
    }
    void missingHandler(const QHttpServerRequest &, QTcpSocket *) override {}

private:
    Callback m_callback;
};

namespace {

QString methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get: return QStringLiteral("GET");
    case QHttpServerRequest::Method::Put: return QStringLiteral("PUT");
    case QHttpServerRequest::Method::Delete: return QStringLiteral("DELETE");
    case QHttpServerRequest::Method::Post: return QStringLiteral("POST");
    case QHttpServerRequest::Method::Head: return QStringLiteral("HEAD");
    case QHttpServerRequest::Method::Options: return QStringLiteral("OPTIONS");
    case QHttpServerRequest::Method::Patch: return QStringLiteral("PATCH");
    default: return QStringLiteral("OTHER");
    }
}

bool wantsKeepAlive(const Request &request)
{
    return request.header("Connection").compare("close", Qt::CaseInsensitive) != 0;
}

void sendResponse(QTcpSocket *socket, const Response &response, bool keepAlive)
{
    socket->write(response.serialize(keepAlive));
    if (!keepAlive) {
        // Closing from inside the server's read handler would leave the
        // socket behind; close once the handler has returned.
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(0, socket, [guard] {
            if (guard)
                guard->disconnectFromHost();
        });
    }
}

// Drops the connection with a reset instead of an orderly close: a zero
// linger time makes the kernel answer the close with RST.
void resetConnection(QTcpSocket *socket)
{
    QPointer<QTcpSocket> guard(socket);
    QTimer::singleShot(0, socket, [guard] {
        if (!guard)
            return;
        const qintptr fd = guard->socketDescriptor();
        if (fd >= 0) {
            const linger now{1, 0};
            ::setsockopt(int(fd), SOL_SOCKET, SO_LINGER, &now, sizeof now);
        }
        guard->abort();
    });
}

// The status line, the headers (with the full length) and half the body,
// then the connection is closed: a page cut off in transit.
void sendTruncated(QTcpSocket *socket, const Response &response)
{
    const QByteArray whole = response.serialize(false);
    const qsizetype headEnd = whole.indexOf("\r\n\r\n") + 4;
    socket->write(whole.left(headEnd + (whole.size() - headEnd) / 2));
    QPointer<QTcpSocket> guard(socket);
    QTimer::singleShot(0, socket, [guard] {
        if (guard)
            guard->disconnectFromHost();
    });
}

// The answer with its head cut in two by a pause, as a lossy link delivers
// a head whose second segment had to be sent again.
void sendSplitHead(QTcpSocket *socket, const Response &response, bool keepAlive, int pauseMs)
{
    const QByteArray whole = response.serialize(keepAlive);
    const qsizetype cut = whole.indexOf("\r\n") + 2;
    socket->write(whole.left(cut));
    QPointer<QTcpSocket> guard(socket);
    QTimer::singleShot(pauseMs, socket, [guard, rest = whole.mid(cut), keepAlive] {
        if (!guard || guard->state() != QAbstractSocket::ConnectedState)
            return;
        guard->write(rest);
        if (!keepAlive)
            guard->disconnectFromHost();
    });
}

// A page that never ends, sent as fast as the client takes it: the start of
// the real page, then filler for ever, up to a close that never comes or in
// chunks. Only what the socket has passed on is made again, so the
// simulator's own memory stays flat.
void sendEndless(QTcpSocket *socket, const Response &response, bool chunked)
{
    const QByteArray whole = response.serialize(false);
    const qsizetype headEnd = whole.indexOf("\r\n\r\n");
    QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n";
    head += chunked ? "Transfer-Encoding: chunked\r\n\r\n" : "Connection: close\r\n\r\n";
    const QByteArray start = whole.mid(headEnd + 4, whole.size() / 2);
    QByteArray filler;
    while (filler.size() < 64 * 1024)
        filler += "<p>and more</p>\r\n";
    auto framed = [chunked](const QByteArray &bytes) {
        return chunked ? QByteArray::number(bytes.size(), 16) + "\r\n" + bytes + "\r\n" : bytes;
    };
    socket->write(head + (start.isEmpty() ? QByteArray() : framed(start)));
    const QByteArray piece = framed(filler);
    QPointer<QTcpSocket> guard(socket);
    auto topUp = [guard, piece] {
        while (guard && guard->state() == QAbstractSocket::ConnectedState && guard->bytesToWrite() < 4 * piece.size())
            guard->write(piece);
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, topUp);
    topUp();
}

} // namespace

SimServer::SimServer(QObject *parent) : QObject(parent)
{
    // The update information shares the site's home path, so it goes before
    // the home page. The bid routes go next: the cookie page stands in front
    // of the ordinary sign-in while it is asked for.
    addUpdateRoutes();
    addBidRoutes();
    addSellingRoutes();
    addEbayRoutes();
    addOnlineRoutes();
    // The watching list is one page of "MyEbayBeta"; the seller's pages take the rest.
    addWatchingRoutes();
    addSellerRoutes();
    addBrowserRoutes();
    addVendorPageRoutes();
}

SimServer::~SimServer()
{
    if (!m_stateFile.isEmpty())
        saveState();
}

bool SimServer::start(const Options &options)
{
    m_error.clear();
    m_ebayHostNames = options.ebayHostNames;
    m_stateDir = options.stateDir;
    QString defaultHosts = QStringLiteral("hosts");
    if (m_stateDir.isEmpty()) {
        // Simulators of one process share their certificates, since a process
        // trusts one authority; each keeps its own hosts file.
        static QTemporaryDir shared(QDir::tempPath() + QStringLiteral("/tallowmere-sim-XXXXXX"));
        static int servers = 0;
        if (!shared.isValid()) {
            m_error = QStringLiteral("cannot create a temporary folder");
            return false;
        }
        m_stateDir = shared.path();
        if (++servers > 1)
            defaultHosts = QStringLiteral("hosts-%1").arg(servers);
    }
    m_stateDir = QDir(m_stateDir).absolutePath();

    TlsFiles tls;
    if (!ensureCertificates(m_stateDir, &tls, &m_error))
        return false;
    m_caFile = tls.caFile;

    QFile certFile(tls.certFile);
    QFile keyFile(tls.keyFile);
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot read the server certificate");
        return false;
    }
    const QSslCertificate cert(certFile.readAll(), QSsl::Pem);
    const QSslKey key(keyFile.readAll(), QSsl::Ec, QSsl::Pem);

    m_http = new Listener([this](const QHttpServerRequest &r, QTcpSocket *s) { handle(r, s, false); }, this);
    m_httpPort = m_http->listen(QHostAddress::LocalHost, options.httpPort);
    if (m_httpPort == 0) {
        m_error = QStringLiteral("cannot listen on http port %1").arg(options.httpPort);
        return false;
    }
    m_https = new Listener([this](const QHttpServerRequest &r, QTcpSocket *s) { handle(r, s, true); }, this);
    m_https->sslSetup(cert, key);
    m_httpsPort = m_https->listen(QHostAddress::LocalHost, options.httpsPort);
    if (m_httpsPort == 0) {
        m_error = QStringLiteral("cannot listen on https port %1").arg(options.httpsPort);
        return false;
    }

    m_hostsFile = options.hostsFile.isEmpty() ? QDir(m_stateDir).absoluteFilePath(defaultHosts)
                                              : QFileInfo(options.hostsFile).absoluteFilePath();
    if ((options.pathDelayMs > 0 || options.pathJitterMs > 0) && !setNetworkPath(options.pathDelayMs, options.pathJitterMs))
        return false;
    if (!writeHostsFile(m_hostsFile)) {
        m_error = QStringLiteral("cannot write ") + m_hostsFile;
        return false;
    }
    return true;
}

QString SimServer::url(const QString &pathAndQuery, bool https) const
{
    return (https ? QStringLiteral("https://127.0.0.1:%1") : QStringLiteral("http://127.0.0.1:%1"))
               .arg(https ? m_httpsPort : m_httpPort)
        + pathAndQuery;
}

bool SimServer::setNetworkPath(int oneWayMs, int jitterMs)
{
    if (!m_httpPath) {
        m_httpPath = new NetworkPath(m_httpPort, this);
        m_httpsPath = new NetworkPath(m_httpsPort, this);
        if (m_httpPath->listen() == 0 || m_httpsPath->listen() == 0) {
            m_error = QStringLiteral("cannot listen for the network path");
            delete m_httpPath;
            delete m_httpsPath;
            m_httpPath = m_httpsPath = nullptr;
            return false;
        }
    }
    m_httpPath->setDelay(oneWayMs, jitterMs);
    m_httpsPath->setDelay(oneWayMs, jitterMs);
    m_pathKept = false;
    return m_hostsFile.isEmpty() || writeHostsFile(m_hostsFile);
}

bool SimServer::setPathMisbehaviour(const NetworkPath::Misbehaviour &misbehaviour, int staleEvery, int staleMs)
{
    if (!m_httpPath && !setNetworkPath(0, 0))
        return false;
    // The confirmation's host is a secure one; the time page's is not.
    m_httpsPath->setMisbehaviour(misbehaviour);
    m_pathKept = true;
    m_staleEvery = std::max(0, staleEvery);
    m_staleMs = std::max(0, staleMs);
    m_timeReadings = 0;
    return m_hostsFile.isEmpty() || writeHostsFile(m_hostsFile);
}

NetworkPath::Misbehaviour SimServer::pathMisbehaviour() const
{
    return m_httpsPath ? m_httpsPath->misbehaviour() : NetworkPath::Misbehaviour{};
}

bool SimServer::pathInFront() const
{
    return pathDelayMs() > 0 || pathJitterMs() > 0 || m_pathKept;
}

int SimServer::pathDelayMs() const
{
    return m_httpPath ? m_httpPath->delayMs() : 0;
}

int SimServer::pathJitterMs() const
{
    return m_httpPath ? m_httpPath->jitterMs() : 0;
}

quint16 SimServer::publicHttpPort() const
{
    return pathInFront() ? m_httpPath->port() : m_httpPort;
}

quint16 SimServer::publicHttpsPort() const
{
    return pathInFront() ? m_httpsPath->port() : m_httpsPort;
}

QStringList SimServer::roleNames()
{
    return {QStringLiteral("signin"),      QStringLiteral("listing"),     QStringLiteral("item"),
            QStringLiteral("time"),        QStringLiteral("feedback"),    QStringLiteral("offer"),
            QStringLiteral("member"),      QStringLiteral("myebay"),      QStringLiteral("payments"),
            QStringLiteral("pics"),        QStringLiteral("search"),      QStringLiteral("relist"),
            QStringLiteral("www"),
            QStringLiteral("site"),        QStringLiteral("siteitem"),    QStringLiteral("sitesearch"),
            QStringLiteral("siteselling"), QStringLiteral("sitemyebay"),  QStringLiteral("sitefeedback"),
            QStringLiteral("vendor"),      QStringLiteral("vendorsecure")};
}

bool SimServer::writeHostsFile(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QByteArray text = "# tallowmere-sim: every host role on 127.0.0.1\n";
    for (const QString &role : roleNames()) {
        const bool named = m_ebayHostNames && !role.startsWith(QLatin1String("vendor"));
        const QByteArray host = named ? role.toLatin1() + ".ebay.localhost" : QByteArray("127.0.0.1");
        text += role.toLatin1() + ".http=" + host + ':' + QByteArray::number(publicHttpPort()) + '\n';
        text += role.toLatin1() + ".https=" + host + ':' + QByteArray::number(publicHttpsPort()) + '\n';
    }
    file.write(text);
    return file.commit();
}

QDateTime SimServer::now() const
{
    return QDateTime::currentDateTimeUtc().addSecs(m_clockAhead);
}

void SimServer::moveEbayClockMs(qint64 ms)
{
    const QDateTime t = now();
    for (const QString &number : m_items.numbers()) {
        SimItem *item = m_items.find(number);
        if (item && !item->ended(t))
            item->endsAt = item->endsAt.addMSecs(-ms);
    }
    m_clockOffsetMs += ms;
}

PageContext SimServer::pageContext() const
{
    PageContext ctx;
    ctx.now = now();
    ctx.clockOffsetMs = m_clockOffsetMs;
    ctx.httpBase = QStringLiteral("http://127.0.0.1:%1").arg(m_httpPort);
    return ctx;
}

void SimServer::addAccount(const QString &user, const QString &password, int feedbackScore, double feedbackPercent)
{
    m_accounts.insert(user.toLower(), Account{user, password, feedbackScore, feedbackPercent});
}

void SimServer::addAccountFromJson(const QJsonObject &a)
{
    addAccount(a.value(QLatin1String("user")).toString(), a.value(QLatin1String("password")).toString(),
               a.value(QLatin1String("feedbackScore")).toInt(0), a.value(QLatin1String("feedbackPercent")).toDouble(100.0));
}

qint64 SimServer::clockOffsetMsIn(const QJsonObject &o, qint64 absent)
{
    return o.contains(QLatin1String("clockOffset")) ? SecondsToMs(o.value(QLatin1String("clockOffset")).toDouble()) : absent;
}

const SimServer::Account *SimServer::account(const QString &user) const
{
    const auto it = m_accounts.constFind(user.toLower());
    return it == m_accounts.cend() ? nullptr : &it.value();
}

bool SimServer::acceptsSignIn(const QString &user, const QString &password) const
{
    if (m_accounts.isEmpty())
        return true;
    const Account *a = account(user);
    return a && a->password == password;
}

QStringList SimServer::accounts() const
{
    QStringList users;
    for (const Account &a : m_accounts)
        users.append(a.user);
    return users;
}

QString SimServer::startSession(const QString &user)
{
    const QString token = QString::number(QRandomGenerator::global()->generate64(), 36);
    m_sessions.insert(token, user);
    return token;
}

QString SimServer::sessionUser(const Request &request) const
{
    const QString token = request.cookie(sessionCookieName());
    return token.isEmpty() ? QString() : m_sessions.value(token);
}

void SimServer::reset()
{
    m_items.clear();
    m_accounts.clear();
    m_sessions.clear();
    m_faults.clear();
    m_log.clear();
    m_bids.clear();
    m_online.clear();
    m_seller.clear();
    m_watching.clear();
    m_updateReply = defaultUpdateReply();
    m_releaseArchive.clear();
    m_selling.reset();
    m_clockOffsetMs = 0;
    m_clockAhead = 0;
}

bool SimServer::loadScenario(const QJsonObject &scenario, QString *error)
{
    QString dummy;
    if (!error)
        error = &dummy;
    m_clockOffsetMs = clockOffsetMsIn(scenario, m_clockOffsetMs);
    for (const auto &value : scenario.value(QLatin1String("accounts")).toArray())
        addAccountFromJson(value.toObject());
    const QDateTime t = now();
    for (const auto &value : scenario.value(QLatin1String("items")).toArray()) {
        SimItem item;
        item.endsAt = t.addDays(7);
        if (!applyItemJson(item, value.toObject(), t, error))
            return false;
        m_items.add(item);
    }
    for (const auto &value : scenario.value(QLatin1String("faults")).toArray()) {
        FaultRule rule;
        if (!faultFromJson(value.toObject(), &rule, error))
            return false;
        m_faults.add(rule);
    }
    return true;
}

Response SimServer::respond(const Request &request, QString *role)
{
    const Route *route = m_routes.find(request);
    if (role)
        *role = route ? route->role : QString();
    if (!route)
        return Response::html(Pages::notFound(request.target()), 404);
    return route->handler(request);
}

void SimServer::handle(const QHttpServerRequest &qRequest, QTcpSocket *socket, bool https)
{
    Request request;
    request.arrival = QDateTime::currentDateTime();
    request.method = methodName(qRequest.method());
    const QUrl url = qRequest.url();
    request.path = url.path(QUrl::FullyEncoded);
    if (request.path.isEmpty())
        request.path = QStringLiteral("/");
    request.rawQuery = url.query(QUrl::FullyEncoded);
    request.https = https;
    request.headers = qRequest.headers();
    request.body = qRequest.body();
    const bool keepAlive = wantsKeepAlive(request);

    if (request.path == QLatin1String("/_sim") || request.path.startsWith(QLatin1String("/_sim/"))) {
        sendResponse(socket, control(request), keepAlive);
        stateMayHaveChanged();
        return;
    }

    LogEntry entry;
    entry.method = request.method;
    entry.target = request.target();
    entry.scheme = request.scheme();
    entry.arrival = request.arrival;
    if (NetworkPath *path = https ? m_httpsPath : m_httpPath; path && pathInFront()) {
        if (const NetworkPath::Connection c = path->connection(socket->peerPort()); c.openedAt.isValid()) {
            entry.connectionAgeMs = c.openedAt.msecsTo(request.arrival);
            entry.quietBeforeMs = c.quietBeforeMs;
        }
    }
    entry.user = sessionUser(request);
    // eBay never sees a password sent in the clear: such a request is refused
    // before any page acts on it, and the refusal stays in the log.
    if (!request.https && request.carriesPassword()) {
        entry.refused = QStringLiteral("password over plain http");
        const Response refusal = Response::html(Pages::passwordOverHttpRefused(), 403);
        entry.status = refusal.status;
        const qint64 index = m_log.append(entry);
        qWarning("tallowmere-sim: refused a password over plain http: %s", qPrintable(request.path));
        sendResponse(socket, refusal, keepAlive);
        emit requestLogged(index);
        return;
    }
    const qint64 index = m_log.append(entry);

    FaultRule fault;
    const bool faulted = m_faults.take(request.target(), &fault);
    QString role;
    // The request takes effect on arrival, whatever happens to its answer.
    Response response = respond(request, &role);
    // eBay's replies carry its clock, as every HTTP server's do.
    response.addHeader("Date", QLocale::c()
                                   .toString(now().addMSecs(m_clockOffsetMs), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"))
                                   .toLatin1());
    LogEntry *logged = m_log.at(index);
    logged->role = role;

    if (!faulted) {
        logged->status = response.status;
        sendResponse(socket, response, keepAlive);
    } else {
        logged->fault = fault.modeName();
        switch (fault.mode) {
        case FaultMode::Empty: {
            Response empty;
            empty.contentType = "text/html";
            logged->status = empty.status;
            sendResponse(socket, empty, keepAlive);
            break;
        }
        case FaultMode::Close: {
            QPointer<QTcpSocket> guard(socket);
            QTimer::singleShot(0, this, [guard] {
                if (guard)
                    guard->disconnectFromHost();
            });
            break;
        }
        case FaultMode::Reset:
            resetConnection(socket);
            break;
        case FaultMode::Truncate:
            logged->status = response.status;
            sendTruncated(socket, response);
            break;
        case FaultMode::Endless:
        case FaultMode::EndlessChunked:
            logged->status = 200;
            sendEndless(socket, response, fault.mode == FaultMode::EndlessChunked);
            break;
        case FaultMode::SplitHead:
            logged->status = response.status;
            sendSplitHead(socket, response, keepAlive, fault.delayMs);
            break;
        case FaultMode::Hang:
            if (fault.delayMs > 0) {
                QPointer<QTcpSocket> guard(socket);
                QTimer::singleShot(fault.delayMs, this, [this, guard, response, keepAlive, index] {
                    if (!guard || guard->state() != QAbstractSocket::ConnectedState)
                        return;
                    if (LogEntry *e = m_log.at(index))
                        e->status = response.status;
                    sendResponse(guard, response, keepAlive);
                });
            }
            // Otherwise the connection stays open and silent until the client gives up.
            break;
        }
    }
    stateMayHaveChanged();
    emit requestLogged(index);
}

} // namespace Sim
