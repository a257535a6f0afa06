// The program as its own process, offscreen, with a user at the screen who
// lets each message box wait a moment before answering it, over the files
// the start may set aside: while a box waits, the splash closes under it.
// Each box is answered and the program goes on, or ends in order when it
// says so and then starts and runs without the file.
#include "foundation/basgeneral.h"
#include "foundation/settingsstore.h"

#include "tests/integration/programrun.h"
#include "tests/support/testfiles.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

namespace {

bool Loaded()
{
    return GetSetting("Last Load Step", "unset").isEmpty();
}

QStringList BackupsOf(const QString &stem)
{
    return QDir(basGeneral::DataFolder()).entryList({stem + QStringLiteral("-backup-*")}, QDir::Files);
}

QString LogText()
{
    return ProgramRun::DrivenLog().join(QLatin1Char('\n'));
}

// A relist schedule too large to be read under any limit the program may
// set: far more entries, and far more bytes, than a schedule ever holds.
void WriteOversizedRelistFile()
{
    QFile file(basGeneral::DataFolder() + QStringLiteral("relist.dat"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QByteArray padding(400, 'x');
    QByteArray chunk;
    for (int n = 0; n < 100000; ++n) {
        chunk += "\"" + QByteArray::number(4200000000LL + n) + "\",\"alice\",\"" + padding
            + "\",\"Every 1 day(s) at 9:00 AM\",\"\",\"1\"\r\n";
        if (chunk.size() > (1 << 20)) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
}

struct StartFile
{
    const char *name;
    QString file;                    // in the data folder
    QString stem;                    // of its backup
    void (*make)();
    QString answers;                 // the buttons clicked, in order
    QString firstBox;                // how the start's first box begins
    bool runsOn;                     // false: the program ends after its boxes, as it says
};

void PrintTo(const StartFile &c, std::ostream *os)
{
    *os << c.name;
}

std::string caseName(const testing::TestParamInfo<StartFile> &info)
{
    return info.param.name;
}

class StartFileSetAside : public testing::TestWithParam<StartFile>
{
};

} // namespace

TEST_P(StartFileSetAside, EveryBoxIsAnsweredAndTheProgramRunsWithoutTheFile)
{
    const StartFile &c = GetParam();
    ProgramRun::PrepareFinishedFirstRun();
    ProgramRun::WriteList({ProgramRun::ListRecord(QStringLiteral("110000000001"))});
    ASSERT_NO_FATAL_FAILURE(c.make());
    QProcessEnvironment driving;
    driving.insert(QStringLiteral("TALLOWMERE_DRIVEN_ANSWERS"), c.answers);

    QProcess program;
    ASSERT_NO_FATAL_FAILURE(ProgramRun::StartDriven(program, {QStringLiteral("/nomon")}, driving));
    const qint64 pid = program.processId();
    ASSERT_TRUE(waitFor([&] { return !BackupsOf(c.stem).isEmpty(); }, 90000)) << LogText().toStdString();
    ASSERT_TRUE(waitFor([&] { return !ProgramRun::DrivenLogOf(pid, QStringLiteral("answer")).isEmpty(); }, 30000))
        << LogText().toStdString();
    const QStringList boxes = ProgramRun::DrivenLogOf(pid, QStringLiteral("box"));
    EXPECT_TRUE(boxes.first().section(QLatin1Char(' '), 2).startsWith(c.firstBox)) << LogText().toStdString();

    if (c.runsOn) {
        ASSERT_TRUE(waitFor([&] { return Loaded() || program.state() == QProcess::NotRunning; }, 90000));
        // Every box answered, the program still runs a while after.
        waitFor([] { return false; }, 3000);
        ASSERT_EQ(program.state(), QProcess::Running) << LogText().toStdString();
        EXPECT_EQ(ProgramRun::DrivenLogOf(pid, QStringLiteral("answer")).size(),
                  ProgramRun::DrivenLogOf(pid, QStringLiteral("box")).size());
        ProgramRun::Stop(program);
    } else {
        ASSERT_TRUE(waitFor([&] { return program.state() == QProcess::NotRunning; }, 60000)) << LogText().toStdString();
        EXPECT_EQ(ProgramRun::DrivenLogOf(pid, QStringLiteral("answer")).size(),
                  ProgramRun::DrivenLogOf(pid, QStringLiteral("box")).size());
        // "You will now need to restart": started again, it runs without the file.
        QProcess again;
        ASSERT_NO_FATAL_FAILURE(ProgramRun::StartDriven(again, {QStringLiteral("/nomon")}));
        const qint64 againPid = again.processId();
        ASSERT_TRUE(waitFor([&] { return Loaded() || again.state() == QProcess::NotRunning; }, 90000));
        EXPECT_EQ(again.state(), QProcess::Running) << LogText().toStdString();
        EXPECT_TRUE(ProgramRun::DrivenLogOf(againPid, QStringLiteral("box")).isEmpty()) << LogText().toStdString();
        ProgramRun::Stop(again);
        EXPECT_EQ(again.exitStatus(), QProcess::NormalExit);
    }
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "the program crashed";
    EXPECT_FALSE(QFile::exists(basGeneral::DataFolder() + c.file));
    EXPECT_EQ(BackupsOf(c.stem).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    AtStart, StartFileSetAside,
    testing::Values(
        StartFile{"RelistScheduleOverItsLimit", QStringLiteral("relist.dat"), QStringLiteral("relist"), &WriteOversizedRelistFile,
                  QStringLiteral("OK"), QStringLiteral("Your relist schedule file is too large to be read."), true},
        StartFile{"DamagedItemsList", QStringLiteral("data6.dat"), QStringLiteral("data6"),
                  [] {
                      QFile f(basGeneral::DataFolder() + QStringLiteral("data6.dat"));
                      ASSERT_TRUE(f.open(QIODevice::Append));
                      f.write("\"110000000002\",\"cut");
                  },
                  QStringLiteral("Yes,OK"), QStringLiteral("An error occured while loading your items list:"), false},
        StartFile{"DamagedFavorites", QStringLiteral("favorites.dat"), QStringLiteral("favorites"),
                  [] { writeBytes(basGeneral::DataFolder() + QStringLiteral("favorites.dat"), "\"never closed,\"x\r\n\""); },
                  QStringLiteral("OK"), QStringLiteral("An error occured while loading your favorites list:"), true}),
    caseName);
