// The item host answered by hostile peers while the program, as its own
// process, refreshes its list: whatever they send, the heartbeat the monitor
// reads keeps its pace, one change a second and none held back more than
// another second.
#include "foundation/settingsstore.h"
#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/hostilehttp.h"
#include "tests/support/underasan.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryFile>

#include <csignal>
#include <functional>
#include <iostream>

namespace {

using Kind = HostileHttp::Kind;
using ProgramRun::Server;

// Changes of "Last alive" a second apart, a tick held back a second at most,
// and some room for a machine busy with other tests; more under the
// sanitizers, still far below the reply time-out that held it before.
constexpr qint64 kLargestGapMs = kUnderAddressSanitizer ? 8000 : 3000;

// Watches "Last alive" in the settings store the program shares with this
// test, as the monitor does.
class HeartbeatWatch
{
public:
    void look()
    {
        const QString now = GetSetting(QStringLiteral("Last alive"));
        if (now == m_last)
            return;
        if (m_sinceChange.isValid())
            m_largestGapMs = std::max(m_largestGapMs, m_sinceChange.elapsed());
        m_sinceChange.start();
        m_last = now;
        ++m_changes;
    }
    qint64 largestGapMs() const { return m_largestGapMs; }
    int changes() const { return m_changes; }

private:
    QString m_last;
    QElapsedTimer m_sinceChange;
    qint64 m_largestGapMs = 0;
    int m_changes = 0;
};

// The program on the simulator, with its item pages answered by a hostile
// peer: one watched row per entry of `kinds`, whose page comes as that kind.
class HostileItemHost
{
public:
    explicit HostileItemHost(const QList<Kind> &kinds)
        : m_peer([this](const QByteArray &target) {
              return m_kindOf.value(target.mid(target.indexOf("item=") + 5), Kind::SlowHeaders);
          })
    {
        Server().addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
        QStringList records;
        for (const Kind kind : kinds) {
            Sim::SimItem item;
            item.title = QStringLiteral("Item");
            item.price = 1.0;
            item.endsAt = QDateTime::currentDateTimeUtc().addSecs(7200);
            const QString number = Server().items().add(item);
            m_kindOf.insert(number.toLatin1(), kind);
            records << ProgramRun::ListRecord(number);
        }
        ProgramRun::PrepareFinishedFirstRun();
        ProgramRun::WriteList(records);
        QFile simulatorHosts(Server().hostsFile());
        EXPECT_TRUE(simulatorHosts.open(QIODevice::ReadOnly) && m_hosts.open());
        m_hosts.write(simulatorHosts.readAll() + "item.http=127.0.0.1:" + QByteArray::number(m_peer.port()) + "\n");
        m_hosts.flush();
    }
    ~HostileItemHost()
    {
        if (m_program.state() != QProcess::NotRunning) {
            ::kill(pid_t(m_program.processId()), SIGKILL);
            m_program.waitForFinished(10000);
        }
    }
    Q_DISABLE_COPY_MOVE(HostileItemHost)

    void start() { ProgramRun::StartProgram(m_program, {}, m_hosts.fileName()); }
    // Lets the program run until `done` holds (false after `ms`), watching
    // the heartbeat meanwhile.
    bool runUntil(const std::function<bool()> &done, int ms)
    {
        return waitFor(
            [&] {
                m_heartbeat.look();
                return done() || m_program.state() == QProcess::NotRunning;
            },
            ms)
            && m_program.state() != QProcess::NotRunning;
    }
    const HostileHttp &peer() const { return m_peer; }
    const HeartbeatWatch &heartbeat() const { return m_heartbeat; }

private:
    QHash<QByteArray, Kind> m_kindOf;
    HostileHttp m_peer;
    QTemporaryFile m_hosts;
    QProcess m_program;
    HeartbeatWatch m_heartbeat;
};

int EmptyPageStops()
{
    return int(RefreshSim::DataFileText(QStringLiteral("log.txt"))
                   .count(QStringLiteral("Error: 5 Empty responses in RefreshAuctions, restarting...")));
}

} // namespace

// Nine pages no client can take, among them a head dripped a byte at a time
// and interim answers without end. The fifth empty page stops the main tick,
// as its "restarting..." says; from then on each row writes the heartbeat,
// so no page may hold its row long.
TEST(HostileItemPeers, NinePagesNoneCanTakeLeaveTheHeartbeatItsPace)
{
    HostileItemHost host(HostileHttp::Failing());
    ASSERT_NO_FATAL_FAILURE(host.start());
    // The fifth to the ninth page each note the stop: all nine were read.
    const bool read = host.runUntil([] { return EmptyPageStops() == 5; }, 200000);
    std::cout << "[ heartbeat ] largest gap " << host.heartbeat().largestGapMs() << " ms\n";
    ASSERT_TRUE(read) << "the nine pages were not all read";
    EXPECT_EQ(host.peer().requests(), 9) << "each page asked for once";
    EXPECT_GE(host.heartbeat().changes(), 2);
    EXPECT_LT(host.heartbeat().largestGapMs(), kLargestGapMs);
}

// Pages behind a flood of cookies, new names on every reply, along with the
// four slowest pages no client can take (four empty pages leave the main
// tick on). The tick keeps its pace through the refresh and after it.
TEST(HostileItemPeers, CookieFloodsAndSlowPagesLeaveTheMainTickItsPace)
{
    QList<Kind> kinds = {Kind::SlowHeaders, Kind::EndlessContinue, Kind::OneByteChunks, Kind::LongChunkExtension};
    for (int i = 0; i < 12; ++i)
        kinds << Kind::CookieFlood;
    HostileItemHost host(kinds);
    ASSERT_NO_FATAL_FAILURE(host.start());
    const int pages = int(kinds.size());
    const bool read = host.runUntil([&] { return host.peer().requests() == pages; }, 200000);
    ASSERT_TRUE(read) << "the pages were not all read";
    const int changesBefore = host.heartbeat().changes();
    QElapsedTimer after;
    after.start();
    ASSERT_TRUE(host.runUntil([&] { return after.elapsed() > 3000; }, 10000));
    std::cout << "[ heartbeat ] largest gap " << host.heartbeat().largestGapMs() << " ms\n";
    EXPECT_GE(host.heartbeat().changes(), changesBefore + 2) << "the tick goes on after the refresh";
    EXPECT_LT(host.heartbeat().largestGapMs(), kLargestGapMs);
    EXPECT_EQ(EmptyPageStops(), 0);
}
