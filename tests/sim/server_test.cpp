// The simulator over real sockets: the control endpoint, the request log,
// held-back answers, cookies across the two ports, the hosts file and the
// separate program.
#include "foundation/hostroles.h"
#include "sim/core/simserver.h"
#include "tests/sim/simtestutil.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkCookieJar>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Sim;
using SimTest::fetch;

namespace {

// One certificate folder for the whole test process.
QString stateDir()
{
    return qEnvironmentVariable("TALLOWMERE_HOME") + QStringLiteral("/sim-state");
}

class SimServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SimServer::Options options;
        options.stateDir = stateDir();
        ASSERT_TRUE(server.start(options)) << qPrintable(server.errorString());
        nam.setCookieJar(new QNetworkCookieJar(&nam));
    }

    QString page(const QString &pathAndQuery, bool https = false)
    {
        const auto f = fetch(nam, server.url(pathAndQuery, https), 5000, server.caFile());
        EXPECT_TRUE(f.finished) << qPrintable(pathAndQuery);
        return QString::fromLatin1(f.body);
    }

    // A control call; returns the parsed JSON and checks the status.
    QJsonDocument control(const QByteArray &verb, const QString &path, const QJsonDocument &body = {}, int status = 200)
    {
        const auto f = fetch(nam, server.url(QStringLiteral("/_sim/") + path), 5000, {}, verb,
                             body.isNull() ? QByteArray() : body.toJson(QJsonDocument::Compact));
        EXPECT_EQ(f.status, status) << verb.constData() << ' ' << qPrintable(path) << ' ' << f.body.constData();
        return QJsonDocument::fromJson(f.body);
    }
    QJsonDocument post(const QString &path, const QJsonObject &body, int status = 200)
    {
        return control("POST", path, QJsonDocument(body), status);
    }

    QString itemPage(const QString &number)
    {
        return page(QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + number);
    }

    SimServer server;
    QNetworkAccessManager nam;
};

} // namespace

TEST_F(SimServerTest, ControlEndpointDrivesItemsThroughTheirLife)
{
    const QJsonObject created = post(QStringLiteral("items"), {{QStringLiteral("item"), QStringLiteral("2001")},
                                                               {QStringLiteral("title"), QStringLiteral("Brass lamp")},
                                                               {QStringLiteral("price"), 12.5},
                                                               {QStringLiteral("bids"), 2},
                                                               {QStringLiteral("shipping"), 4.5},
                                                               {QStringLiteral("endsIn"), 120}})
                                    .object();
    EXPECT_EQ(created.value(QStringLiteral("item")).toString(), QStringLiteral("2001"));
    EXPECT_EQ(created.value(QStringLiteral("shipping")).toString(), QStringLiteral("US $4.50"));
    EXPECT_FALSE(created.value(QStringLiteral("ended")).toBool());
    EXPECT_NEAR(created.value(QStringLiteral("endsIn")).toDouble(), 120, 1);
    EXPECT_TRUE(itemPage(QStringLiteral("2001")).contains(QLatin1String(">Brass lamp</h1>")));

    // Without a number the next free one is given.
    const QString auto1 = post(QStringLiteral("items"), {{QStringLiteral("title"), QStringLiteral("x")}}).object().value(QStringLiteral("item")).toString();
    EXPECT_FALSE(auto1.isEmpty());
    EXPECT_NE(auto1, QStringLiteral("2001"));

    const QJsonObject changed = post(QStringLiteral("items/2001"), {{QStringLiteral("price"), 20}, {QStringLiteral("bids"), 3}}).object();
    EXPECT_EQ(changed.value(QStringLiteral("title")).toString(), QStringLiteral("Brass lamp")) << "fields not given stay";
    EXPECT_TRUE(itemPage(QStringLiteral("2001")).contains(QLatin1String(">US $20.00</span>")));

    const QJsonObject ended = post(QStringLiteral("items/2001/end"), {{QStringLiteral("winner"), QStringLiteral("buyer7")}}).object();
    EXPECT_TRUE(ended.value(QStringLiteral("ended")).toBool());
    const QString endedPage = itemPage(QStringLiteral("2001"));
    EXPECT_TRUE(endedPage.contains(QLatin1String(">Bidding has ended for this item<")));
    EXPECT_TRUE(endedPage.contains(QLatin1String(">buyer7</a>")));

    control("DELETE", QStringLiteral("items/2001"));
    EXPECT_TRUE(itemPage(QStringLiteral("2001")).contains(QLatin1String(") has been removed, or this item is not available.<")));
    control("GET", QStringLiteral("items/2001"), {}, 404);

    // Mistakes are answered, not swallowed.
    EXPECT_EQ(fetch(nam, server.url(QStringLiteral("/_sim/items")), 5000, {}, "POST", "[1").status, 400);
    post(QStringLiteral("items"), {{QStringLiteral("price"), QStringLiteral("cheap")}}, 400);
    post(QStringLiteral("clock"), {}, 400);
    post(QStringLiteral("faults"), {{QStringLiteral("mode"), QStringLiteral("explode")}}, 400);
    control("GET", QStringLiteral("nothing"), {}, 404);
}

TEST_F(SimServerTest, AnItemEndsByItselfAtItsEndTime)
{
    post(QStringLiteral("items"), {{QStringLiteral("item"), QStringLiteral("3001")}, {QStringLiteral("endsIn"), 1.2}});
    EXPECT_TRUE(itemPage(QStringLiteral("3001")).contains(QLatin1String("Time left:")));
    QTest::qWait(1500);
    EXPECT_TRUE(itemPage(QStringLiteral("3001")).contains(QLatin1String(">Bidding has ended for this item<")));
}

TEST_F(SimServerTest, ScenarioAndResetSetTheWholeScene)
{
    post(QStringLiteral("scenario"),
         QJsonDocument::fromJson(R"({"clockOffset": 90,
                                     "accounts": [{"user": "alice", "password": "pw"}],
                                     "items": [{"item": "4001", "title": "One"}, {"item": "4002", "title": "Two"}],
                                     "faults": [{"path": "item=4002", "mode": "empty"}]})")
             .object());
    EXPECT_EQ(server.clockOffset(), 90);
    EXPECT_EQ(server.accounts(), QStringList{QStringLiteral("alice")});
    EXPECT_EQ(control("GET", QStringLiteral("items")).array().size(), 2);
    EXPECT_EQ(itemPage(QStringLiteral("4002")), QString());

    post(QStringLiteral("reset"), {});
    EXPECT_EQ(control("GET", QStringLiteral("items")).array().size(), 0);
    EXPECT_FALSE(server.hasAccounts());
    EXPECT_EQ(server.clockOffset(), 0);
    EXPECT_TRUE(control("GET", QStringLiteral("faults")).array().isEmpty());
}

TEST_F(SimServerTest, LogTellsWhichRequestsArrivedWhen)
{
    page(QStringLiteral("/ws/eBayISAPI.dll?EbayTime"));
    control("GET", QStringLiteral("status"));
    page(QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=5"));
    page(QStringLiteral("/ws/eBayISAPI.dll?EbayTime"), true);
    page(QStringLiteral("/no/such/page"));

    const QJsonObject all = control("GET", QStringLiteral("log")).object();
    const QJsonArray entries = all.value(QStringLiteral("entries")).toArray();
    ASSERT_EQ(entries.size(), 4) << "control requests are not logged";
    EXPECT_EQ(all.value(QStringLiteral("next")).toInt(), 4);
    const QJsonObject item = entries.at(1).toObject();
    EXPECT_EQ(item.value(QStringLiteral("method")).toString(), QStringLiteral("GET"));
    EXPECT_EQ(item.value(QStringLiteral("path")).toString(), QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=5"));
    EXPECT_EQ(item.value(QStringLiteral("scheme")).toString(), QStringLiteral("http"));
    EXPECT_EQ(item.value(QStringLiteral("role")).toString(), QStringLiteral("item"));
    EXPECT_EQ(item.value(QStringLiteral("status")).toInt(), 200);
    EXPECT_EQ(entries.at(2).toObject().value(QStringLiteral("scheme")).toString(), QStringLiteral("https"));
    EXPECT_EQ(entries.at(3).toObject().value(QStringLiteral("status")).toInt(), 404);
    EXPECT_EQ(entries.at(3).toObject().value(QStringLiteral("role")).toString(), QString());
    double last = 0;
    for (const auto &e : entries) {
        const double ms = e.toObject().value(QStringLiteral("ms")).toDouble();
        EXPECT_GE(ms, last);
        last = ms;
        EXPECT_EQ(e.toObject().value(QStringLiteral("time")).toString().size(), 23) << "yyyy-MM-ddTHH:mm:ss.zzz";
    }

    EXPECT_EQ(control("GET", QStringLiteral("log?since=2")).object().value(QStringLiteral("entries")).toArray().size(), 2);
    control("DELETE", QStringLiteral("log"));
    EXPECT_TRUE(control("GET", QStringLiteral("log")).object().value(QStringLiteral("entries")).toArray().isEmpty());
    page(QStringLiteral("/ws/eBayISAPI.dll?EbayTime"));
    const QJsonArray after = control("GET", QStringLiteral("log?since=4")).object().value(QStringLiteral("entries")).toArray();
    ASSERT_EQ(after.size(), 1);
    EXPECT_EQ(after.first().toObject().value(QStringLiteral("index")).toInt(), 4) << "indices go on after a clear";
}

TEST_F(SimServerTest, FaultsHoldBackDelayEmptyOrDropAnswers)
{
    const QString time = QStringLiteral("/ws/eBayISAPI.dll?EbayTime");

    // Hang: no answer at all, once; the next request is answered.
    post(QStringLiteral("faults"), {{QStringLiteral("path"), QStringLiteral("EbayTime")}, {QStringLiteral("mode"), QStringLiteral("hang")}});
    const auto hung = fetch(nam, server.url(time), 700);
    EXPECT_FALSE(hung.finished);
    EXPECT_TRUE(page(time).contains(QLatin1String("The official eBay Time is now:")));

    // Delay: the normal answer, late.
    post(QStringLiteral("faults"), {{QStringLiteral("path"), QStringLiteral("*viewitem*")}, {QStringLiteral("mode"), QStringLiteral("delay")},
                                    {QStringLiteral("delayMs"), 600}});
    const auto late = fetch(nam, server.url(QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=9")), 5000);
    EXPECT_TRUE(late.finished);
    EXPECT_GE(late.elapsedMs, 550);
    EXPECT_TRUE(QString::fromLatin1(late.body).contains(QLatin1String("has been removed")));

    // Empty: 200 and no body.
    post(QStringLiteral("faults"), {{QStringLiteral("path"), time}, {QStringLiteral("mode"), QStringLiteral("empty")}});
    const auto empty = fetch(nam, server.url(time), 5000);
    EXPECT_TRUE(empty.finished);
    EXPECT_EQ(empty.status, 200);
    EXPECT_TRUE(empty.body.isEmpty());

    // Close: the connection drops without a status line. (The client sends a
    // request again once when a reused connection drops, so catch them all.)
    post(QStringLiteral("faults"), {{QStringLiteral("path"), QStringLiteral("EbayTime")}, {QStringLiteral("mode"), QStringLiteral("close")},
                                    {QStringLiteral("count"), -1}});
    const auto dropped = fetch(nam, server.url(time), 5000);
    EXPECT_TRUE(dropped.finished);
    EXPECT_NE(dropped.error, QNetworkReply::NoError);
    EXPECT_EQ(dropped.status, 0);
    control("DELETE", QStringLiteral("faults"));

    // A count below 0 catches every request until the rules are dropped.
    post(QStringLiteral("faults"), {{QStringLiteral("path"), QStringLiteral("EbayTime")}, {QStringLiteral("mode"), QStringLiteral("empty")},
                                    {QStringLiteral("count"), -1}});
    EXPECT_EQ(page(time), QString());
    EXPECT_EQ(page(time), QString());
    control("DELETE", QStringLiteral("faults"));
    EXPECT_FALSE(page(time).isEmpty());

    const QJsonArray log = control("GET", QStringLiteral("log")).object().value(QStringLiteral("entries")).toArray();
    ASSERT_GE(log.size(), 5);
    EXPECT_EQ(log.at(0).toObject().value(QStringLiteral("fault")).toString(), QStringLiteral("hang"));
    EXPECT_EQ(log.at(0).toObject().value(QStringLiteral("status")).toInt(), 0) << "never answered";
    EXPECT_EQ(log.at(2).toObject().value(QStringLiteral("fault")).toString(), QStringLiteral("delay"));
    EXPECT_EQ(log.at(2).toObject().value(QStringLiteral("status")).toInt(), 200);
    EXPECT_EQ(log.at(3).toObject().value(QStringLiteral("fault")).toString(), QStringLiteral("empty"));
    EXPECT_EQ(log.at(4).toObject().value(QStringLiteral("fault")).toString(), QStringLiteral("close"));
    EXPECT_EQ(log.at(4).toObject().value(QStringLiteral("status")).toInt(), 0);
}

TEST_F(SimServerTest, SessionCookieFromHttpsSignInTravelsOverHttp)
{
    post(QStringLiteral("accounts"), {{QStringLiteral("user"), QStringLiteral("Carol")}, {QStringLiteral("password"), QStringLiteral("s3cret")}});
    const QString signIn = QStringLiteral("/ws/eBayISAPI.dll?co_partnerid=2&siteid=0&UsingSSL=1&MfcISAPICommand=SignInWelcome"
                                          "&siteid=0&co_partnerId=2&UsingSSL=1&i1=-1&userid=carol&pass=");
    EXPECT_TRUE(page(signIn + QStringLiteral("wrong"), true).contains(QLatin1String("password is incorrect")));
    EXPECT_TRUE(nam.cookieJar()->cookiesForUrl(QUrl(server.url(QStringLiteral("/")))).isEmpty());

    EXPECT_FALSE(page(signIn + QStringLiteral("s3cret"), true).contains(QLatin1String("password is incorrect")));
    EXPECT_EQ(nam.cookieJar()->cookiesForUrl(QUrl(server.url(QStringLiteral("/")))).size(), 1);
    page(QStringLiteral("/ws/eBayISAPI.dll?EbayTime"));
    page(QStringLiteral("/ws2/eBayISAPI.dll?SignIn&ssPageName=h:h:sout:US"));
    EXPECT_TRUE(nam.cookieJar()->cookiesForUrl(QUrl(server.url(QStringLiteral("/")))).isEmpty());
    page(QStringLiteral("/ws/eBayISAPI.dll?EbayTime"));

    const QJsonArray log = control("GET", QStringLiteral("log")).object().value(QStringLiteral("entries")).toArray();
    ASSERT_EQ(log.size(), 5);
    EXPECT_EQ(log.at(2).toObject().value(QStringLiteral("user")).toString(), QStringLiteral("carol")) << "signed in on http";
    EXPECT_EQ(log.at(3).toObject().value(QStringLiteral("user")).toString(), QStringLiteral("carol")) << "the sign-out itself";
    EXPECT_EQ(log.at(4).toObject().value(QStringLiteral("user")).toString(), QString());
}

TEST_F(SimServerTest, HostsFilePointsEveryRoleOfTheProgramHere)
{
    qputenv("TALLOWMERE_HOSTS", server.hostsFile().toLocal8Bit());
    HostRoles::reload();
    const QString http = QStringLiteral("127.0.0.1:%1").arg(server.httpPort());
    const QString https = QStringLiteral("127.0.0.1:%1").arg(server.httpsPort());
    for (int r = int(HostRoles::Role::SignIn); r <= int(HostRoles::Role::VendorSecure); ++r) {
        const auto role = HostRoles::Role(r);
        EXPECT_TRUE(SimServer::roleNames().contains(HostRoles::name(role))) << qPrintable(HostRoles::name(role));
        EXPECT_EQ(HostRoles::host(role, false, QStringLiteral("ebay.de")), http) << qPrintable(HostRoles::name(role));
        EXPECT_EQ(HostRoles::host(role, true, QStringLiteral("ebay.de")), https) << qPrintable(HostRoles::name(role));
    }
    qunsetenv("TALLOWMERE_HOSTS");
    HostRoles::reload();
}

TEST_F(SimServerTest, CertificatesAreMadeOnceAndReused)
{
    QFile ca(server.caFile());
    ASSERT_TRUE(ca.open(QIODevice::ReadOnly));
    const QByteArray first = ca.readAll();
    SimServer second;
    SimServer::Options options;
    options.stateDir = stateDir();
    options.hostsFile = QDir(stateDir()).absoluteFilePath(QStringLiteral("second/hosts"));
    ASSERT_TRUE(second.start(options)) << qPrintable(second.errorString());
    QFile again(second.caFile());
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), first);
    EXPECT_NE(second.httpPort(), server.httpPort());
    EXPECT_TRUE(QFile::exists(options.hostsFile));
    // The first server's hosts file still names its own ports.
    QFile hosts(server.hostsFile());
    ASSERT_TRUE(hosts.open(QIODevice::ReadOnly));
    EXPECT_TRUE(hosts.readAll().contains("item.http=127.0.0.1:" + QByteArray::number(server.httpPort()) + '\n'));
}

TEST(SimProgram, PrintsItsPortsAndFilesThenServes)
{
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/tallowmere-sim");
    ASSERT_TRUE(QFile::exists(program));
    QTemporaryDir dir;
    QProcess sim;
    sim.start(program, {QStringLiteral("--state-dir"), dir.path(), QStringLiteral("--hosts-file"), dir.filePath(QStringLiteral("h/hosts"))});
    ASSERT_TRUE(sim.waitForStarted(10000));

    QMap<QString, QString> said;
    QElapsedTimer clock;
    clock.start();
    while (!said.contains(QStringLiteral("ready")) && clock.elapsed() < 30000) {
        if (!sim.canReadLine() && !sim.waitForReadyRead(1000))
            continue;
        while (sim.canReadLine()) {
            const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
            const qsizetype space = line.indexOf(QLatin1Char(' '));
            said.insert(space < 0 ? line : line.left(space), space < 0 ? QString() : line.mid(space + 1));
        }
    }
    ASSERT_TRUE(said.contains(QStringLiteral("ready"))) << sim.readAllStandardError().constData();
    EXPECT_EQ(said.value(QStringLiteral("hosts-file")), dir.filePath(QStringLiteral("h/hosts")));
    EXPECT_EQ(said.value(QStringLiteral("ca-file")), dir.filePath(QStringLiteral("ca.pem")));
    EXPECT_TRUE(QFile::exists(said.value(QStringLiteral("ca-file"))));

    QNetworkAccessManager nam;
    const auto status = fetch(nam, QStringLiteral("http://127.0.0.1:%1/_sim/status").arg(said.value(QStringLiteral("http-port"))));
    const QJsonObject o = QJsonDocument::fromJson(status.body).object();
    EXPECT_EQ(QString::number(o.value(QStringLiteral("httpsPort")).toInt()), said.value(QStringLiteral("https-port")));
    const auto time = fetch(nam, QStringLiteral("https://127.0.0.1:%1/ws/eBayISAPI.dll?EbayTime").arg(said.value(QStringLiteral("https-port"))),
                            5000, said.value(QStringLiteral("ca-file")));
    EXPECT_TRUE(time.body.contains("The official eBay Time is now:")) << int(time.error);

    sim.kill();
    sim.waitForFinished(5000);

    QProcess bad;
    bad.start(program, {QStringLiteral("--http-port"), QStringLiteral("70000")});
    ASSERT_TRUE(bad.waitForFinished(10000));
    EXPECT_EQ(bad.exitCode(), 2);
}
