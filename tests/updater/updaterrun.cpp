#include "tests/updater/updaterrun.h"

#include "updater/folderswap.h"

#include "tests/support/filemode.h"
#include "tests/support/testfiles.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QSslSocket>

#include <sys/stat.h>

namespace UpdaterRun {

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

QByteArray StandIn(const QString &version, const QString &log)
{
    return "#!/bin/sh\necho \"" + version.toUtf8() + " $*\" >> '" + log.toUtf8() + "'\n";
}

Installed::Installed()
{
    SetFileMode(tmp.path(), 0755);
    QDir().mkpath(folder);
    QDir().mkpath(tmp.filePath("log"));
    SetFileMode(tmp.filePath("log"), 0777);
    writeBytes(program, StandIn("v1", log));
    SetFileMode(program, 0755);
    writeBytes(folder + "/default.tmt", "old template");
    writeBytes(folder + "/keep.txt", "not in the release");
    writeBytes(home + "/hosts", fileBytes(Server().hostsFile()));
}

void Installed::offer(const QString &lines)
{
    writeBytes(home + "/.local/share/Tallowmere/update.inf", lines.toLatin1() + "\r\n");
}

void Installed::offerServedRelease()
{
    offer(Server().releaseInfoLines(99));
}

void Installed::pointRoles(const QStringList &lines)
{
    // Later lines win over the simulator's.
    writeBytes(home + "/hosts", fileBytes(Server().hostsFile()) + lines.join('\n').toLatin1() + "\n");
}

QMap<QString, QByteArray> Installed::files() const
{
    QMap<QString, QByteArray> all;
    for (const QString &f : FolderSwap::FilesBelow(folder))
        all.insert(f, fileBytes(folder + "/" + f));
    return all;
}

QStringList Installed::starts() const
{
    return QString::fromUtf8(fileBytes(log)).split('\n', Qt::SkipEmptyParts);
}

QByteArray ReleaseArchive(const Installed &in, const QMap<QString, int> &extra, const QString &fifo)
{
    QTemporaryDir src;
    writeBytes(src.filePath("tallowmere"), StandIn("v2", in.log));
    SetFileMode(src.filePath("tallowmere"), 0755);
    writeBytes(src.filePath("default.tmt"), "new template");
    writeBytes(src.filePath("pics/new.gif"), "picture");
    QStringList names{"tallowmere", "default.tmt", "pics"};
    for (auto it = extra.cbegin(); it != extra.cend(); ++it) {
        writeBytes(src.filePath(it.key()), "extra");
        SetFileMode(src.filePath(it.key()), it.value());
        names << it.key();
    }
    if (!fifo.isEmpty()) {
        EXPECT_EQ(::mkfifo(QFile::encodeName(src.filePath(fifo)).constData(), 0644), 0);
        names << fifo;
    }
    QProcess tar;
    tar.start("tar", QStringList{"-cf", "-", "-C", src.path()} + names);
    tar.waitForFinished(30000);
    return tar.readAllStandardOutput();
}

qint64 EndedProcess()
{
    QProcess p;
    p.start("true", QStringList());
    p.waitForStarted();
    const qint64 pid = p.processId();
    p.waitForFinished();
    return pid;
}

Updater::Updater(const Installed &in, qint64 pid, const QStringList &extraArguments, Build build, bool asOtherUser)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TALLOWMERE_HOME", in.home);
    env.insert("TALLOWMERE_HOSTS", in.home + "/hosts");
    env.insert("TALLOWMERE_CA", Server().caFile());
    process.setProcessEnvironment(env);
    QString program = QCoreApplication::applicationDirPath()
        + (build == Build::TestKey ? "/tallowmere-updater-testkey" : "/tallowmere-updater");
    QStringList arguments = QStringList{"--pid", QString::number(pid), "--revision", QString::number(kRunningRevision),
                                        "--program", in.program}
        + extraArguments;
    if (asOtherUser) {
        arguments = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "--", program} + arguments;
        program = "setpriv";
    }
    QObject::connect(&process, &QProcess::readyReadStandardError, [this] { said += process.readAllStandardError(); });
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForStarted(10000));
}

Updater::~Updater()
{
    process.kill();
    process.waitForFinished();
}

int Updater::finish()
{
    EXPECT_TRUE(waitFor([this] { return process.state() == QProcess::NotRunning; }, 60000));
    said += process.readAllStandardError();
    return process.exitCode();
}

int ReleaseRequestsSince(qint64 mark)
{
    int n = 0;
    for (const Sim::LogEntry &e : Server().requestLog().since(mark))
        if (e.target == Sim::SimServer::releasePath() && e.role == "vendorsecure" && e.scheme == "https")
            ++n;
    return n;
}

} // namespace UpdaterRun
