#include "tests/durability/helper/saveloops.h"
#include "tests/durability/savehelperprocess.h"
#include "tests/support/testfiles.h"

#include "foundation/basgeneral.h"
#include "platform/leftovers.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#include <iostream>

namespace {

int killCount()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("TALLOWMERE_KILLS", &ok);
    return ok && n > 0 ? n : 100;
}

// Files of `folder` that are a save's temporary file of another file there.
QStringList temporariesIn(const QString &folder)
{
    QStringList found;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names)
        for (const QString &target : names)
            if (Leftovers::IsSaveTemporary(name, target))
                found << name;
    return found;
}

class SaveKill : public testing::TestWithParam<std::string>
{
};

} // namespace

// The helper saves one file over and over and is killed at a random moment
// of a save, again and again: after every kill the file on disk is one whole
// save, and nothing the kills left behind outlives the next start.
TEST_P(SaveKill, TheFileIsWholeAfterEveryKillMidSave)
{
    const QString kind = QString::fromStdString(GetParam());
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    std::cout << "kind " << kind.toStdString() << ", seed " << seed << std::endl;
    const int kills = killCount();
    for (int k = 0; k < kills; ++k) {
        QProcess helper;
        StartSaveHelper(helper, {QStringLiteral("loop"), kind});
        QByteArray said;
        while (!said.contains("ready\n") && helper.state() != QProcess::NotRunning)
            if (helper.waitForReadyRead(30000))
                said += helper.readAllStandardOutput();
            else
                break;
        ASSERT_TRUE(said.contains("ready\n")) << "the helper did not save";
        QThread::usleep(random.bounded(20000));
        helper.kill();
        ASSERT_TRUE(helper.waitForFinished(30000));
        const QString problem = SaveLoops::Check(kind);
        ASSERT_TRUE(problem.isEmpty()) << "after kill " << k + 1 << ": " << problem.toStdString();
    }

    // The next start: temporary files are cleaned away, and the lock a
    // killed writer of the settings left is taken over without waiting.
    Leftovers::RemoveSaveTemporaries(basGeneral::DataFolder());
    QElapsedTimer wait;
    wait.start();
    Registry::Store::instance().removeLeftovers();
    EXPECT_LT(wait.elapsed(), 5000);
    EXPECT_TRUE(temporariesIn(basGeneral::DataFolder()).isEmpty());
    EXPECT_TRUE(temporariesIn(QFileInfo(Registry::Store::filePath()).absolutePath()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(EveryKindOfFile, SaveKill, testing::Values("list", "settings", "log", "update", "bids"),
                         [](const testing::TestParamInfo<std::string> &info) { return info.param; });

TEST(SaveLeftovers, OnlyTemporaryFilesOfTheProgramsFilesAreRemoved)
{
    const QString data = basGeneral::DataFolder();
    writeBytes(data + "data6.dat", "list");
    writeBytes(data + "data6.dat.Ab3xYz", "half a list");
    writeBytes(data + "data6.dat.backup1", "the user's copy");  // seven characters
    writeBytes(data + "notes.txt.Q1w2E3", "no notes.txt beside it");
    writeBytes(data + "data6.dat.Ab-xYz", "not letters and digits");
    EXPECT_EQ(Leftovers::RemoveSaveTemporaries(data), 1);
    EXPECT_FALSE(QFileInfo::exists(data + "data6.dat.Ab3xYz"));
    for (const char *kept : {"data6.dat", "data6.dat.backup1", "notes.txt.Q1w2E3", "data6.dat.Ab-xYz"})
        EXPECT_TRUE(QFileInfo::exists(data + kept)) << kept;

    // The settings file's own leftovers go, even with no settings file yet;
    // other files of its folder stay.
    const QString store = Registry::Store::filePath();
    QFile::remove(store);
    writeBytes(store + ".Zz9Zz9", "half the settings");
    writeBytes(QFileInfo(store).absolutePath() + "/other.conf.Zz9Zz9", "someone else's");
    Registry::Store::instance().removeLeftovers();
    EXPECT_FALSE(QFileInfo::exists(store + ".Zz9Zz9"));
    EXPECT_TRUE(QFileInfo::exists(QFileInfo(store).absolutePath() + "/other.conf.Zz9Zz9"));
}
