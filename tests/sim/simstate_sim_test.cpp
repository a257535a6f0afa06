// The demo's --keep: a simulator started from the state file its last run
// left keeps every item, items made through the control endpoint included,
// with the same end times, winners and clock, whether it was ended by a
// signal or killed.
#include "sim/core/simserver.h"
#include "tests/sim/simtestutil.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

using SimTest::fetch;

namespace {

// tallowmere-sim as the demo starts it.
class SimProcess
{
public:
    bool start(const QStringList &arguments)
    {
        m_process.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/tallowmere-sim"));
        m_process.setArguments(arguments);
        m_process.start();
        QByteArray out;
        while (m_process.waitForReadyRead(10000) || m_process.state() == QProcess::Running) {
            out += m_process.readAllStandardOutput();
            if (out.contains("ready\n"))
                break;
            if (m_process.state() != QProcess::Running)
                return false;
        }
        for (const QByteArray &line : out.split('\n')) {
            if (line.startsWith("http-port "))
                m_httpPort = line.mid(10).toInt();
            else if (line.startsWith("https-port "))
                m_httpsPort = line.mid(11).toInt();
            else if (line.startsWith("ca-file "))
                m_caFile = QString::fromLocal8Bit(line.mid(8));
        }
        return m_httpPort > 0;
    }
    QJsonDocument control(const QByteArray &verb, const QString &path, const QJsonObject &body = {})
    {
        const auto f = fetch(m_nam, QStringLiteral("http://127.0.0.1:%1/_sim/%2").arg(m_httpPort).arg(path), 5000, {}, verb,
                             body.isEmpty() ? QByteArray() : QJsonDocument(body).toJson(QJsonDocument::Compact));
        EXPECT_EQ(f.status, 200) << verb.constData() << ' ' << qPrintable(path) << ' ' << f.body.constData();
        return QJsonDocument::fromJson(f.body);
    }
    // Every item by number.
    QMap<QString, QJsonObject> items()
    {
        QMap<QString, QJsonObject> byNumber;
        for (const auto &v : control("GET", QStringLiteral("items")).array())
            byNumber.insert(v.toObject().value(QStringLiteral("item")).toString(), v.toObject());
        return byNumber;
    }
    void terminate()
    {
        m_process.terminate();
        EXPECT_TRUE(m_process.waitForFinished(10000));
    }
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    // A request to the vendor's secure host, as the program's browser sends it.
    SimTest::Fetched secure(const QString &pathAndQuery, const QByteArray &verb = "GET", const QByteArray &body = {})
    {
        return fetch(m_nam, QStringLiteral("https://127.0.0.1:%1").arg(m_httpsPort) + pathAndQuery, 5000, m_caFile, verb, body);
    }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QNetworkAccessManager m_nam;
    int m_httpPort = 0;
    int m_httpsPort = 0;
    QString m_caFile;
};

QJsonObject item(const QString &number, const QString &title, int endsIn)
{
    return QJsonObject{{QStringLiteral("item"), number}, {QStringLiteral("title"), title}, {QStringLiteral("endsIn"), endsIn}};
}

} // namespace

TEST(SimStateFile, ARestartKeepsItemsEndTimesWinnersAndClockAfterATermOrAKill)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString scenario = dir.filePath(QStringLiteral("scenario.json"));
    ASSERT_NO_FATAL_FAILURE(writeBytes(
        scenario, QJsonDocument(QJsonObject{{QStringLiteral("items"),
                                             QJsonArray{item(QStringLiteral("110000000001"), QStringLiteral("Chronometer"), 240),
                                                        item(QStringLiteral("110000000002"), QStringLiteral("Sketchbook"), 900)}}})
                      .toJson()));
    const QString stateFile = dir.filePath(QStringLiteral("sim/state.json"));
    QDir().mkpath(dir.filePath(QStringLiteral("sim")));
    const QStringList arguments = {QStringLiteral("--state-dir"), dir.filePath(QStringLiteral("sim")), QStringLiteral("--scenario"),
                                   scenario, QStringLiteral("--state-file"), stateFile};

    QMap<QString, QJsonObject> before;
    {
        SimProcess sim;
        ASSERT_TRUE(sim.start(arguments));
        const QString made = sim.control("POST", QStringLiteral("items"), QJsonObject{{QStringLiteral("title"), QStringLiteral("Made here")},
                                                                                     {QStringLiteral("endsIn"), 1200}})
                                 .object().value(QStringLiteral("item")).toString();
        ASSERT_FALSE(made.isEmpty());
        sim.control("POST", QStringLiteral("items/110000000002/end"), QJsonObject{{QStringLiteral("winner"), QStringLiteral("demo")}});
        sim.control("POST", QStringLiteral("clock"), QJsonObject{{QStringLiteral("offset"), 30}});
        before = sim.items();
        ASSERT_EQ(before.size(), 3);
        sim.terminate();
    }
    // Long enough that end times taken again from the scenario would differ.
    QThread::msleep(1100);

    {
        SimProcess sim;
        ASSERT_TRUE(sim.start(arguments)) << "the state file, not the scenario, is where a kept run starts";
        const auto after = sim.items();
        ASSERT_EQ(after.keys(), before.keys());
        for (const QString &n : before.keys()) {
            SCOPED_TRACE(qPrintable(n));
            EXPECT_EQ(after[n].value(QStringLiteral("endTime")), before[n].value(QStringLiteral("endTime")));
            EXPECT_EQ(after[n].value(QStringLiteral("title")), before[n].value(QStringLiteral("title")));
            EXPECT_EQ(after[n].value(QStringLiteral("ended")), before[n].value(QStringLiteral("ended")));
            EXPECT_EQ(after[n].value(QStringLiteral("winner")), before[n].value(QStringLiteral("winner")));
        }
        EXPECT_EQ(sim.control("GET", QStringLiteral("clock")).object().value(QStringLiteral("offset")).toInt(), 30);

        // A change is on disk soon after, so even a killed simulator keeps it.
        sim.control("POST", QStringLiteral("items/110000000001"), QJsonObject{{QStringLiteral("title"), QStringLiteral("Renamed")}});
        QThread::msleep(1000);
        sim.kill();
    }
    {
        SimProcess sim;
        ASSERT_TRUE(sim.start(arguments));
        const auto after = sim.items();
        EXPECT_EQ(after[QStringLiteral("110000000001")].value(QStringLiteral("title")).toString(), QStringLiteral("Renamed"));
        EXPECT_EQ(after[QStringLiteral("110000000001")].value(QStringLiteral("endTime")),
                  before[QStringLiteral("110000000001")].value(QStringLiteral("endTime")));
        sim.terminate();
    }
}

TEST(SimStateFile, OnlineServiceAccountsAndTheirItemsOutliveARestart)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString stateFile = dir.filePath(QStringLiteral("state.json"));
    const QStringList arguments = {QStringLiteral("--state-dir"), dir.path(), QStringLiteral("--state-file"), stateFile};
    {
        SimProcess sim;
        ASSERT_TRUE(sim.start(arguments));
        sim.control("POST", QStringLiteral("online/accounts"),
                    QJsonObject{{QStringLiteral("user"), QStringLiteral("demo")},
                                {QStringLiteral("password"), QStringLiteral("any thing")},
                                {QStringLiteral("fullName"), QStringLiteral("Demo User")},
                                {QStringLiteral("email"), QStringLiteral("demo@example.test")},
                                {QStringLiteral("items"), QJsonArray{QJsonObject{{QStringLiteral("item"), QStringLiteral("110000000001")},
                                                                                 {QStringLiteral("bid"), QStringLiteral("90")},
                                                                                 {QStringLiteral("group"), QStringLiteral("clocks")}}}}});
        sim.terminate();
    }

    SimProcess sim;
    ASSERT_TRUE(sim.start(arguments));
    // The service's login page lets the user in as before, with the held item.
    const auto login = sim.secure(QStringLiteral("/online/login.asp"), "POST", "username=demo&pswd=any+thing&submit=Log+in");
    EXPECT_EQ(login.status, 200);
    EXPECT_TRUE(login.body.contains("Logged in as demo")) << login.body.constData();
    EXPECT_TRUE(login.body.contains("<td>110000000001</td><td>90.00</td><td>clocks</td>")) << login.body.constData();
    const QJsonObject account = sim.control("GET", QStringLiteral("online")).object().value(QStringLiteral("accounts")).toArray().at(0).toObject();
    EXPECT_EQ(account.value(QStringLiteral("fullName")).toString().toStdString(), "Demo User");
    EXPECT_EQ(account.value(QStringLiteral("email")).toString().toStdString(), "demo@example.test");
    sim.terminate();
}

TEST(SimStateFile, AnUnreadableStateFileStopsTheStartAndIsLeftAsItWas)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString stateFile = dir.filePath(QStringLiteral("state.json"));
    ASSERT_NO_FATAL_FAILURE(writeBytes(stateFile, "{\"items\": [ cut short"));
    SimProcess sim;
    EXPECT_FALSE(sim.start({QStringLiteral("--state-dir"), dir.path(), QStringLiteral("--state-file"), stateFile}));
    sim.process().waitForFinished(5000);
    EXPECT_EQ(sim.process().exitCode(), 2);
    EXPECT_TRUE(sim.process().readAllStandardError().contains("state"));
    QFile f(stateFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("{\"items\": [ cut short"));
}

TEST(SimStateFile, ProxyMaximaAndSignInsOutliveARestart)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString stateFile = dir.filePath(QStringLiteral("state.json"));
    QString token;
    {
        Sim::SimServer first;
        first.keepStateIn(stateFile);
        Sim::SimItem item;
        item.number = QStringLiteral("7");
        item.price = 10.0;
        item.endsAt = first.now().addSecs(600);
        first.items().add(item);
        EXPECT_EQ(first.bids().placeBid(*first.items().find(QStringLiteral("7")), QStringLiteral("demo"), 50.0, 1, first.now()),
                  Sim::BidOutcome::First);
        token = first.startSession(QStringLiteral("demo"));
    } // saved as it ends

    Sim::SimServer second;
    QString error;
    ASSERT_TRUE(second.loadState(stateFile, &error)) << qPrintable(error);
    Sim::SimItem *item = second.items().find(QStringLiteral("7"));
    ASSERT_NE(item, nullptr);
    // A rival below the kept maximum is outbid, and the price stops there.
    EXPECT_EQ(second.bids().placeBid(*item, QStringLiteral("rival"), 30.0, 1, second.now()), Sim::BidOutcome::Outbid);
    EXPECT_EQ(item->winner, QStringLiteral("demo"));
    EXPECT_DOUBLE_EQ(item->price, 31.0) << "30.00 plus the 1.00 increment";

    Sim::Request request;
    request.headers.append({QByteArrayLiteral("Cookie"), (Sim::SimServer::sessionCookieName() + QLatin1Char('=') + token).toLatin1()});
    EXPECT_EQ(second.sessionUser(request), QStringLiteral("demo")) << "the program's sign-in cookie still counts";
}
