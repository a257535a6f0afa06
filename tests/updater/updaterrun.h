#pragma once

// Running the real updater as "Update Now" does: a stand-in program folder
// and home, the simulated vendor in this process, and hostile servers of the
// tests' own.
#include "sim/core/simserver.h"

#include <QMap>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

namespace UpdaterRun {

// The simulator shared by the tests of this process.
Sim::SimServer &Server();

// A stand-in program that logs each start with its version.
QByteArray StandIn(const QString &version, const QString &log);

// A program folder with the old release, a home whose data folder holds the
// update information, and a log of the program's starts. Everything can be
// read by another user, for the run without write permission.
class Installed
{
public:
    Installed();

    // The update information the program's check saved.
    void offer(const QString &lines);
    // The simulator's archive, signed with its test key, as revision 99.
    void offerServedRelease();
    // Points the vendor's roles somewhere else (`role.https=host:port` lines).
    void pointRoles(const QStringList &lines);

    QMap<QString, QByteArray> files() const;
    QStringList starts() const;

    QTemporaryDir tmp;
    const QString folder = tmp.filePath("program");
    const QString program = folder + "/tallowmere";
    const QString home = tmp.filePath("home");
    const QString log = tmp.filePath("log/starts");
};

// The release: a new program and template and a new picture in a subfolder,
// with `extra` files (relative name -> mode) and a FIFO when asked.
QByteArray ReleaseArchive(const Installed &in, const QMap<QString, int> &extra = {}, const QString &fifo = {});

// A process id that has ended.
qint64 EndedProcess();

// The revision of the stand-in program the updater is told of.
inline constexpr int kRunningRevision = 50;

class Updater
{
public:
    // As "Update Now" starts it, told the program runs kRunningRevision: the
    // tests' build, which trusts the simulator's key, or the shipped one.
    // `asOtherUser` runs it as a user without write permission on the
    // program folder.
    enum class Build { TestKey, Shipped };
    Updater(const Installed &in, qint64 pid, const QStringList &extraArguments = {}, Build build = Build::TestKey,
            bool asOtherUser = false);
    ~Updater();

    // Lets the servers answer while the updater runs; its exit code.
    int finish();

    QProcess process;
    QString said;
};

int ReleaseRequestsSince(qint64 mark);

inline const QString kNotInstalled = "The update could not be installed: ";
inline const QString kOldStarts = ".\n\nTallowmere will start again without the update.";

} // namespace UpdaterRun
