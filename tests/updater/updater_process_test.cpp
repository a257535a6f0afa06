// The updater as its own process, against the simulated vendor server in
// this process and a stand-in program: a shell script in a temporary program
// folder that logs each start with its version. The program the updater
// waits for is a sleeping process the test ends.
#include "sim/core/simserver.h"
#include "updater/folderswap.h"

#include "tests/support/filemode.h"
#include "tests/support/testfiles.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

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

QByteArray standIn(const QString &version, const QString &log)
{
    return "#!/bin/sh\necho \"" + version.toUtf8() + " $*\" >> '" + log.toUtf8() + "'\n";
}

// A program folder with the old release, a home whose data folder holds the
// update information, and a log of the program's starts. Everything can be
// read by another user, for the run without write permission.
class Installed
{
public:
    Installed()
    {
        SetFileMode(tmp.path(), 0755);
        QDir().mkpath(folder);
        QDir().mkpath(tmp.filePath("log"));
        SetFileMode(tmp.filePath("log"), 0777);
        writeBytes(program, standIn("v1", log));
        SetFileMode(program, 0755);
        writeBytes(folder + "/default.tmt", "old template");
        writeBytes(folder + "/keep.txt", "not in the release");
        writeBytes(home + "/hosts", fileBytes(Server().hostsFile()));
    }

    // The update information the program's check saved.
    void offer(const QString &lines) { writeBytes(home + "/.local/share/Tallowmere/update.inf", lines.toLatin1() + "\r\n"); }
    void offerServedRelease(const QString &sha256 = Server().releaseSha256())
    {
        offer("<version>\r\n99\r\n<download>\r\n" + Sim::SimServer::releasePath() + "\r\n<sha256>\r\n" + sha256);
    }

    QMap<QString, QByteArray> files() const
    {
        QMap<QString, QByteArray> all;
        for (const QString &f : FolderSwap::FilesBelow(folder))
            all.insert(f, fileBytes(folder + "/" + f));
        return all;
    }
    QStringList starts() const { return QString::fromUtf8(fileBytes(log)).split('\n', Qt::SkipEmptyParts); }

    QTemporaryDir tmp;
    const QString folder = tmp.filePath("program");
    const QString program = folder + "/tallowmere";
    const QString home = tmp.filePath("home");
    const QString log = tmp.filePath("log/starts");
};

// The release: a new program and template and a new picture in a subfolder.
QByteArray releaseArchive(const Installed &in)
{
    QTemporaryDir src;
    writeBytes(src.filePath("tallowmere"), standIn("v2", in.log));
    SetFileMode(src.filePath("tallowmere"), 0755);
    writeBytes(src.filePath("default.tmt"), "new template");
    writeBytes(src.filePath("pics/new.gif"), "picture");
    QProcess tar;
    tar.start("tar", {"-cf", "-", "-C", src.path(), "tallowmere", "default.tmt", "pics"});
    tar.waitForFinished(30000);
    return tar.readAllStandardOutput();
}

// A process id that has ended.
qint64 endedProcess()
{
    QProcess p;
    p.start("true", QStringList());
    p.waitForStarted();
    const qint64 pid = p.processId();
    p.waitForFinished();
    return pid;
}

class Updater
{
public:
    // As "Update Now" starts it; `asOtherUser` runs it as a user without
    // write permission on the program folder (root may write anywhere).
    Updater(const Installed &in, qint64 pid, bool asOtherUser = false)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TALLOWMERE_HOME", in.home);
        env.insert("TALLOWMERE_HOSTS", in.home + "/hosts");
        process.setProcessEnvironment(env);
        QString program = QCoreApplication::applicationDirPath() + "/tallowmere-updater";
        QStringList arguments{"--pid", QString::number(pid), "--program", in.program};
        if (asOtherUser) {
            arguments = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "--", program} + arguments;
            program = "setpriv";
        }
        QObject::connect(&process, &QProcess::readyReadStandardError, [this] { said += process.readAllStandardError(); });
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForStarted(10000));
    }
    ~Updater()
    {
        process.kill();
        process.waitForFinished();
    }

    // Lets the simulator answer while the updater runs; its exit code.
    int finish()
    {
        EXPECT_TRUE(waitFor([this] { return process.state() == QProcess::NotRunning; }, 60000));
        said += process.readAllStandardError();
        return process.exitCode();
    }

    QProcess process;
    QString said;
};

int releaseRequestsSince(qint64 mark)
{
    int n = 0;
    for (const Sim::LogEntry &e : Server().requestLog().since(mark))
        if (e.target == Sim::SimServer::releasePath() && e.role == "vendor")
            ++n;
    return n;
}

const QString kNotInstalled = "The update could not be installed: ";
const QString kOldStarts = ".\n\nTallowmere will start again without the update.";

} // namespace

TEST(UpdaterProcess, AfterTheProgramEndsAGoodReleaseReplacesItsFilesAndTheNewProgramStarts)
{
    ASSERT_TRUE(QFileInfo(QCoreApplication::applicationDirPath() + "/tallowmere-updater").isExecutable());
    Installed in;
    Server().setReleaseArchive(releaseArchive(in));
    in.offerServedRelease();
    QProcess running;
    running.start("sleep", {"600"});
    ASSERT_TRUE(running.waitForStarted());
    const qint64 mark = Server().requestLog().since(0).size();

    Updater updater(in, running.processId());
    ASSERT_TRUE(waitFor([&] { return updater.said.contains("waiting for process"); }));
    EXPECT_EQ(releaseRequestsSince(mark), 0);
    EXPECT_EQ(in.files().value("default.tmt"), "old template");

    running.kill();
    running.waitForFinished();
    EXPECT_EQ(updater.finish(), 0) << updater.said.toStdString();
    EXPECT_EQ(releaseRequestsSince(mark), 1);
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
    Server().setReleaseArchive(releaseArchive(in));
    const QMap<QString, QByteArray> before = in.files();
    const struct
    {
        QString offer;
        QByteArray archive;
        QString why;
    } cases[] = {
        // Cut short on the way: the checksum no longer matches.
        {"", Server().releaseArchive().left(2048), "the downloaded release does not match its checksum (it is damaged or incomplete)"},
        {"<version>\r\n99\r\n<notes>\r\n</notes>", Server().releaseArchive(), "the update information names no release to download"},
        {"", QByteArray(), "the release could not be downloaded from " + Server().url(Sim::SimServer::releasePath())
                               + ": HTTP status 404"},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why.toStdString());
        const QString sha = Server().releaseSha256();
        Server().setReleaseArchive(c.archive);
        if (c.offer.isEmpty())
            in.offerServedRelease(sha);
        else
            in.offer(c.offer);

        Updater updater(in, endedProcess());
        EXPECT_EQ(updater.finish(), 1);
        EXPECT_TRUE(updater.said.contains(kNotInstalled + c.why + kOldStarts)) << updater.said.toStdString();
        EXPECT_EQ(in.files(), before);
        ASSERT_TRUE(waitFor([&] { return in.starts().size() == n + 1; }));
        EXPECT_EQ(in.starts().last(), "v1 ");
        ++n;
        Server().setReleaseArchive(releaseArchive(in));
    }
}

TEST(UpdaterProcess, AFolderItMayNotWriteIsLeftWholeAndTheOldProgramStarts)
{
    Installed in;
    Server().setReleaseArchive(releaseArchive(in));
    in.offerServedRelease();
    const QMap<QString, QByteArray> before = in.files();
    const bool root = ::geteuid() == 0;
    if (!root)
        SetFileMode(in.folder, 0555);

    Updater updater(in, endedProcess(), root);
    EXPECT_EQ(updater.finish(), 1);
    SetFileMode(in.folder, 0755);
    EXPECT_TRUE(updater.said.contains(kNotInstalled + "this user may not change the program folder " + in.folder
                                      + ". Install the update as a user who may write there" + kOldStarts))
        << updater.said.toStdString();
    EXPECT_EQ(in.files(), before);
    ASSERT_TRUE(waitFor([&] { return !in.starts().isEmpty(); }));
    EXPECT_EQ(in.starts(), QStringList({"v1 "}));
}
