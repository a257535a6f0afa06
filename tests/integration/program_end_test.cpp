// The program asked to end from outside, as its own process: SIGTERM and
// SIGINT go through the main window's shut-down with blnForceExit set (no
// question can be answered then), and are made again every half second while
// the shut-down refuses, here while a refresh waits for an item page. A
// question of the start closes with its cancel answer, and a signal at any
// moment ends the program without a crash.
#include "foundation/basgeneral.h"
#include "foundation/settingsstore.h"
#include "sim/core/simserver.h"

#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/testfiles.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <csignal>

#include <unistd.h>

namespace {

using ProgramRun::PrepareFinishedFirstRun;
using ProgramRun::Server;
using ProgramRun::StartProgram;

// The list: one watched row per item number, to be read from the site.
void WriteList(const QStringList &numbers)
{
    QStringList records;
    for (const QString &n : numbers)
        records << ProgramRun::ListRecord(n);
    ProgramRun::WriteList(records);
}

// True once the process catches SIGTERM itself; before that a signal kills
// it the system's way, which says nothing about the program.
bool CatchesSigterm(const QProcess &p)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(p.processId()));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
    return false;
}

// The settings an unclean last run leaves: the next start asks its question.
void PrepareCrashedRun()
{
    PrepareFinishedFirstRun();
    SaveSetting("Exit OK", "False");
}

// A list file whose last record is cut short.
void WriteDamagedList()
{
    WriteList({QStringLiteral("110000000001")});
    QFile f(basGeneral::DataFolder() + QStringLiteral("data6.dat"));
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("\"110000000002\",\"cut");
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

// SIGTERM once a start-up question has been on screen for `shownMs`: the
// program ends on its own, soon, without an answer.
void SigtermAtTheQuestion(QProcess &program, int shownMs)
{
    waitFor([] { return false; }, shownMs);
    ASSERT_EQ(program.state(), QProcess::Running) << "the question is on screen";

    Signal(program, SIGTERM);
    ASSERT_TRUE(Ends(program, 5000)) << "a shut-down must not hang on the question";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

// The first request for an item page since `mark`, or nullptr.
const Sim::LogEntry *ItemPageRequest(qint64 mark)
{
    for (const Sim::LogEntry &e : Server().requestLog().since(mark))
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
        PrepareFinishedFirstRun();
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

TEST(ProgramEnd, ASignalDuringARefreshStopsThePassAndEndsTheProgramWithoutWaitingForItsPage)
{
    // Far beyond the bound below: an end that waited for the page fails.
    constexpr int kPageLateMs = 45000;
    constexpr int kEndBoundMs = 15000;
    Sim::SimItem item;
    item.title = QStringLiteral("Slow page");
    item.endsAt = QDateTime::currentDateTimeUtc().addSecs(3600);
    const QString number = Server().items().add(item);
    RefreshSim::AddFault(QStringLiteral("ViewItem"), Sim::FaultMode::Hang, 1, kPageLateMs);
    PrepareFinishedFirstRun();
    WriteList({number});

    const qint64 mark = RefreshSim::Mark();
    QProcess program;
    StartProgram(program);
    ASSERT_TRUE(waitFor([mark] { return ItemPageRequest(mark) != nullptr; }, 60000));
    ASSERT_EQ(ItemPageRequest(mark)->status, 0) << "still waiting for its answer";

    Signal(program, SIGTERM);
    ASSERT_TRUE(Ends(program, kEndBoundMs)) << "the end waited for the refresh";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_NE(ItemPageRequest(mark)->status, 200) << "ended only after the page came";
    EXPECT_TRUE(RefreshSim::DataFileText(QStringLiteral("data6.dat")).contains(number));
}

TEST(ProgramEnd, SigtermAtTheCrashPromptEndsTheProgramWithoutAnAnswer)
{
    Server();
    PrepareCrashedRun();
    SaveSetting("Homepage", "http://mine.test/");
    SaveSetting("Last alive", "");
    WriteList({});
    QProcess program;
    StartProgram(program);
    // The heartbeat is written just before the question is asked.
    ASSERT_TRUE(waitFor([] { return !GetSetting("Last alive").isEmpty(); }));
    ASSERT_NO_FATAL_FAILURE(SigtermAtTheQuestion(program, 1500));
    // Closed as No: no setting reset, none written, and the question comes again.
    EXPECT_EQ(GetSetting("Homepage"), "http://mine.test/");
    EXPECT_EQ(GetSetting("Exit OK"), "False");
    EXPECT_EQ(GetSetting("Last Load Step"), "not started");
}

TEST(ProgramEnd, SigtermAtTheDamagedListQuestionEndsTheProgramAsNoAndLogsOnce)
{
    Server();
    PrepareFinishedFirstRun();
    WriteDamagedList();
    const QByteArray damaged = fileBytes(basGeneral::DataFolder() + QStringLiteral("data6.dat"));
    QProcess program;
    StartProgram(program);
    // "Exit OK" goes to "False" as the program starts, and back to "1" just
    // before the question.
    ASSERT_TRUE(waitFor([] { return GetSetting("Last Load Step") == "Loading items list"; }));
    ASSERT_TRUE(waitFor([] { return GetSetting("Exit OK") == "1"; }));
    ASSERT_NO_FATAL_FAILURE(SigtermAtTheQuestion(program, 1000));
    // Closed as No: the list stays as it was, nothing is set aside.
    EXPECT_EQ(fileBytes(basGeneral::DataFolder() + QStringLiteral("data6.dat")), damaged);
    EXPECT_TRUE(QDir(basGeneral::DataFolder()).entryList({QStringLiteral("data6-backup*")}).isEmpty());
    EXPECT_LE(RefreshSim::DataFileText(QStringLiteral("log.txt")).count(QStringLiteral("Exit cancelled: Prevent exit mode on")), 1);
}

// SIGTERM at a random moment of a start, of the start-up questions or of a
// run with a refresh going on: the program always ends, on its own, soon.
// TALLOWMERE_SIGTERM_RUNS sets the number of runs (a few by default).
TEST(ProgramEnd, SigtermAtRandomMomentsEndsTheProgramWithoutACrash)
{
    Sim::SimItem item;
    item.title = QStringLiteral("Counted down");
    item.endsAt = QDateTime::currentDateTimeUtc().addSecs(7200);
    const QString number = Server().items().add(item);
    bool ok = false;
    int runs = qEnvironmentVariableIntValue("TALLOWMERE_SIGTERM_RUNS", &ok);
    if (!ok || runs < 1)
        runs = 4;
    const quint32 seed = quint32(QDateTime::currentMSecsSinceEpoch());
    QRandomGenerator random{seed};
    SCOPED_TRACE("seed " + std::to_string(seed));
    int ended = 0;
    for (int run = 0; run < runs; ++run) {
        const int scenario = int(random.bounded(3));
        const int delayMs = int(random.bounded(6000));
        SCOPED_TRACE(QStringLiteral("run %1: %2, SIGTERM after %3 ms")
                         .arg(run)
                         .arg(QStringList{"a clean start", "the crash prompt", "a damaged list"}[scenario])
                         .arg(delayMs)
                         .toStdString());
        if (scenario == 1)
            PrepareCrashedRun();
        else
            PrepareFinishedFirstRun();
        if (scenario == 2)
            WriteDamagedList();
        else
            WriteList({number, number});
        QProcess program;
        StartProgram(program);
        ASSERT_TRUE(waitFor([&program] { return CatchesSigterm(program) || program.state() == QProcess::NotRunning; }, 20000));
        waitFor([&program] { return program.state() == QProcess::NotRunning; }, delayMs);
        ASSERT_EQ(program.state(), QProcess::Running) << "ended before it was asked to";

        Signal(program, SIGTERM);
        ASSERT_TRUE(Ends(program, 20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "ended by signal " << program.exitCode();
        EXPECT_EQ(program.exitCode(), 0);
        ended += program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0;
    }
    std::printf("SIGTERM runs ended cleanly: %d of %d\n", ended, runs);
}
