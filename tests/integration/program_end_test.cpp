// The program asked to end from outside, as its own process: SIGTERM and
// SIGINT go through the main window's shut-down with blnForceExit set (no
// question can be answered then), and are made again every half second while
// the shut-down refuses, here while a refresh waits for an item page.
#include "foundation/basgeneral.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"
#include "sim/core/simserver.h"

#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <csignal>

namespace {

// One simulator for the process; the program is pointed at it.
Sim::SimServer &Server()
{
    static Sim::SimServer *server = [] {
        auto *s = new Sim::SimServer;
        if (!s->start())
            qFatal("simulator: %s", qPrintable(s->errorString()));
        return s;
    }();
    return *server;
}

// The settings a finished first-run wizard leaves, without the start-up prompt.
void PrepareSettings()
{
    SaveSetting("1st Run", "False");
    SaveSetting("Exit OK", "1");
    SaveSetting("Username", "alice");
    SaveSetting("Password", basGeneral::ScramblePassword("pw"));
    SaveSetting("Login", "QXR");
    SaveSetting("Has TMRO Account", "True");
    SaveSetting("TMRO Default Shown", "True");
    SaveSetting("Last Load Step", "not started");
}

// The list: one watched row per item number, to be read from the site.
void WriteList(const QStringList &numbers)
{
    QDir().mkpath(basGeneral::DataFolder());
    QFile f(basGeneral::DataFolder() + QStringLiteral("data6.dat"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (const QString &n : numbers)
        f.write(QStringLiteral("\"%1\",\"Retrieving...\",\"Retrieving...\",\"N/A\",\"Retrieving...\",\"Retrieving...\","
                               "\"Retrieving...\",\"(watching)\",\"alice\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n")
                    .arg(n)
                    .toLatin1());
}

void StartProgram(QProcess &p)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TALLOWMERE_HOSTS"), Server().hostsFile());
    env.insert(QStringLiteral("TALLOWMERE_CA"), Server().caFile());
    p.setProcessEnvironment(env);
    p.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/tallowmere"));
    p.setArguments({QStringLiteral("/nomon")});
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start();
    ASSERT_TRUE(p.waitForStarted(10000));
}

bool Loaded()
{
    return GetSetting("Last Load Step", "unset").isEmpty();
}

bool Ends(QProcess &p, int ms)
{
    return waitFor([&p] { return p.state() == QProcess::NotRunning; }, ms);
}

void Signal(QProcess &p, int signal)
{
    ASSERT_EQ(::kill(pid_t(p.processId()), signal), 0);
}

// The first request for an item page, or nullptr.
const Sim::LogEntry *ItemPageRequest()
{
    for (const Sim::LogEntry &e : Server().requestLog().since(0))
        if (e.target.contains(QLatin1String("ViewItem")))
            return Server().requestLog().at(e.index);
    return nullptr;
}

} // namespace

TEST(ProgramEnd, SigtermAndSigintEndTheProgramThroughItsShutDown)
{
    Server();
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal == SIGTERM ? "SIGTERM" : "SIGINT");
        PrepareSettings();
        WriteList({});
        QProcess program;
        StartProgram(program);
        ASSERT_TRUE(waitFor(Loaded)) << GetSetting("Last Load Step").toStdString();

        Signal(program, signal);
        ASSERT_TRUE(Ends(program, 30000));
        // Ended by its own shut-down, not by the signal.
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
    }
}

TEST(ProgramEnd, ASignalWhileTheShutDownRefusesIsMadeAgainUntilItIsAccepted)
{
    Sim::SimItem item;
    item.title = QStringLiteral("Slow page");
    item.endsAt = QDateTime::currentDateTimeUtc().addSecs(3600);
    const QString number = Server().items().add(item);
    // The item page answers 6 s late: the refresh waits for it, and the
    // shut-down refuses while the refresh runs.
    Sim::FaultRule slow;
    slow.pattern = QStringLiteral("ViewItem");
    slow.mode = Sim::FaultMode::Hang;
    slow.delayMs = 6000;
    Server().faults().add(slow);
    PrepareSettings();
    WriteList({number});

    QProcess program;
    StartProgram(program);
    ASSERT_TRUE(waitFor([] { return ItemPageRequest() != nullptr; }, 60000));
    ASSERT_EQ(ItemPageRequest()->status, 0) << "still waiting for its answer";

    Signal(program, SIGTERM);
    EXPECT_FALSE(Ends(program, 1500)) << "the close is refused while the refresh runs";
    EXPECT_EQ(ItemPageRequest()->status, 0);

    ASSERT_TRUE(Ends(program, 30000)) << "made again until the refresh is over";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(ItemPageRequest()->status, 200) << "ended only after the page came";
}
