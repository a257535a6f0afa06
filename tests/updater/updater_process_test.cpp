// The updater as its own process, against the simulated vendor server in
// this process and a stand-in program: a shell script in a temporary program
// folder that logs each start with its version. The program the updater
// waits for is a sleeping process the test ends.
#include "tests/updater/updaterrun.h"

#include "tests/support/filemode.h"
#include "tests/support/testfiles.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

using namespace UpdaterRun;

TEST(UpdaterProcess, AfterTheProgramEndsAGoodReleaseReplacesItsFilesAndTheNewProgramStarts)
{
    ASSERT_TRUE(QFileInfo(QCoreApplication::applicationDirPath() + "/tallowmere-updater").isExecutable());
    Installed in;
    Server().setReleaseArchive(ReleaseArchive(in));
    in.offerServedRelease();
    QProcess running;
    running.start("sleep", {"600"});
    ASSERT_TRUE(running.waitForStarted());
    const qint64 mark = Server().requestLog().nextIndex();

    Updater updater(in, running.processId());
    ASSERT_TRUE(waitFor([&] { return updater.said.contains("waiting for process"); }));
    EXPECT_EQ(ReleaseRequestsSince(mark), 0);
    EXPECT_EQ(in.files().value("default.tmt"), "old template");

    running.kill();
    running.waitForFinished();
    EXPECT_EQ(updater.finish(), 0) << updater.said.toStdString();
    EXPECT_EQ(ReleaseRequestsSince(mark), 1);
    const QMap<QString, QByteArray> files = in.files();
    EXPECT_EQ(files.keys(), QStringList({"default.tmt", "keep.txt", "pics/new.gif", "tallowmere"}));
    EXPECT_EQ(files.value("default.tmt"), "new template");
    EXPECT_EQ(files.value("keep.txt"), "not in the release");
    EXPECT_EQ(FileMode(in.program), "0755");
    ASSERT_TRUE(waitFor([&] { return !in.starts().isEmpty(); }));
    EXPECT_EQ(in.starts(), QStringList({"v2 "}));
}

TEST(UpdaterProcess, ADamagedOrMissingReleaseLeavesTheOldProgramWholeSaysSoAndStartsIt)
{
    Installed in;
    const QByteArray good = ReleaseArchive(in);
    Server().setReleaseArchive(good);
    const QString offered = Server().releaseInfoLines(99);
    QByteArray damaged = good;
    damaged[600] = damaged[600] ^ 1;
    const QMap<QString, QByteArray> before = in.files();
    const struct
    {
        QString offer;
        QByteArray archive;
        QString why;
    } cases[] = {
        // Damaged on the way: the checksum no longer matches.
        {offered, damaged, "the downloaded release does not match its checksum (it is damaged or incomplete)"},
        {"<version>\r\n99\r\n<notes>\r\n</notes>", good, "the update information names no release to download"},
        {offered, QByteArray(), "the release could not be downloaded from " + Server().url(Sim::SimServer::releasePath(), true)
                                    + ": HTTP status 404"},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why.toStdString());
        Server().setReleaseArchive(c.archive);
        in.offer(c.offer);

        Updater updater(in, EndedProcess());
        EXPECT_EQ(updater.finish(), 1);
        EXPECT_TRUE(updater.said.contains(kNotInstalled + c.why + kOldStarts)) << updater.said.toStdString();
        EXPECT_EQ(in.files(), before);
        ASSERT_TRUE(waitFor([&] { return in.starts().size() == n + 1; }));
        EXPECT_EQ(in.starts().last(), "v1 ");
        ++n;
    }
}

TEST(UpdaterProcess, AFolderItMayNotWriteIsLeftWholeAndTheOldProgramStarts)
{
    Installed in;
    Server().setReleaseArchive(ReleaseArchive(in));
    in.offerServedRelease();
    const QMap<QString, QByteArray> before = in.files();
    const bool root = ::geteuid() == 0;
    if (!root)
        SetFileMode(in.folder, 0555);

    Updater updater(in, EndedProcess(), {}, Updater::Build::TestKey, root);
    EXPECT_EQ(updater.finish(), 1);
    SetFileMode(in.folder, 0755);
    EXPECT_TRUE(updater.said.contains(kNotInstalled + "this user may not change the program folder " + in.folder
                                      + ". Install the update as a user who may write there" + kOldStarts))
        << updater.said.toStdString();
    EXPECT_EQ(in.files(), before);
    ASSERT_TRUE(waitFor([&] { return !in.starts().isEmpty(); }));
    EXPECT_EQ(in.starts(), QStringList({"v1 "}));
}
