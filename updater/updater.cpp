#include "updater/updater.h"

#include "foundation/hostroles.h"
#include "updater/folderswap.h"
#include "updater/notice.h"
#include "updater/releasearchive.h"
#include "updater/releaseinfo.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QUrl>

#include <algorithm>


namespace Updater {

namespace {

bool waitForEnd(pid_t pid, int seconds)
{
    QElapsedTimer waited;
    waited.start();
    while (ProcessRunning(pid)) {
        if (waited.elapsed() > qint64(seconds) * 1000)
            return false;
        QThread::msleep(100);
    }
    return true;
}

class Installation
{
public:
    explicit Installation(const Options &options)
        : m_options(options),
          m_folder(QFileInfo(options.program).absolutePath()),
          m_work(QDir(m_folder).filePath(kWorkFolder)),
          m_old(QDir(m_work).filePath(QStringLiteral("old"))),
          m_new(QDir(m_work).filePath(QStringLiteral("new")))
    {
    }

    int run()
    {
        // An earlier update that was cut off mid-swap left the old files in
        // the work folder: put them back before anything else.
        if (QFileInfo::exists(m_old) && !restoreOld())
            return giveUp(QStringLiteral("an earlier update was cut off and its old files could not be put back"));
        QDir(m_work).removeRecursively();

        const ReleaseInfoFile::Reading reading = ReleaseInfoFile::Read(m_options.updateInfo);
        if (!reading.ok())
            return giveUp(reading.error);
        const ReleaseInfo &release = reading.info;
        QString error;
        if (!ReleaseInfoFile::Check(release, ReleaseInfoFile::kLargestRelease, m_options.releaseKey, &error))
            return giveUp(error);
        // An old release is genuine too: whoever answers for the vendor's
        // host could otherwise take every user back to it.
        if (release.version <= m_options.runningRevision)
            return giveUp(QStringLiteral("the release offered (revision %1) is not newer than "
                                         "the running program (revision %2)")
                              .arg(release.version)
                              .arg(m_options.runningRevision));
        if (!QDir().mkdir(m_work))
            return giveUp(QStringLiteral("this user may not change the program folder %1. "
                                         "Install the update as a user who may write there")
                              .arg(m_folder));

        const QUrl url(HostRoles::url(HostRoles::Role::VendorSecure, release.path, true));
        const QString archive = QDir(m_work).filePath(QStringLiteral("release.tar"));
        Notice::Progress(QStringLiteral("downloading ") + url.toString());
        ReleaseArchive::Limits limits;
        limits.size = release.size;
        limits.stallSeconds = m_options.stallSeconds;
        const int deadline = int(120 + release.size / (16 * 1024));
        limits.deadlineSeconds = m_options.deadlineSeconds > 0 ? std::min(m_options.deadlineSeconds, deadline) : deadline;
        if (!ReleaseArchive::Download(url, archive, limits, &error))
            return giveUp(error);
        if (ReleaseArchive::Sha256(archive) != release.sha256)
            return giveUp(QStringLiteral("the downloaded release does not match its checksum (it is damaged or incomplete)"));
        if (!QDir().mkdir(m_new) || !ReleaseArchive::Unpack(archive, m_new, &error))
            return giveUp(error.isEmpty() ? QStringLiteral("the release could not be unpacked") : error);
        for (const QString &file : FolderSwap::FilesBelow(m_new))
            if (file.section(QLatin1Char('/'), 0, 0) == kWorkFolder)
                return giveUp(QStringLiteral("the release archive holds the updater's own work folder"));
        if (!FolderSwap::Swap(m_folder, m_new, m_old, &error))
            return giveUp(error);

        // Complete: the old files are no longer needed. The work folder is
        // renamed first, so a cut-off clean-up is never taken for a cut-off
        // swap whose old files must come back.
        const QString finished = m_work + QStringLiteral("-done");
        QDir(finished).removeRecursively();
        if (QDir().rename(m_work, finished))
            QDir(finished).removeRecursively();
        Notice::Progress(QStringLiteral("the update is installed; starting the program again"));
        return startProgram() ? 0 : 1;
    }

private:
    bool restoreOld()
    {
        QString error;
        return FolderSwap::RestoreBackup(m_folder, m_old, &error);
    }

    int giveUp(const QString &why)
    {
        // A failed swap has moved its files back already; the work folder
        // is only kept while it still holds old files.
        if (FolderSwap::FilesBelow(m_old).isEmpty() || restoreOld())
            QDir(m_work).removeRecursively();
        Notice::Failure(QStringLiteral("The update could not be installed: ") + why
                        + QStringLiteral(".\n\nTallowmere will start again without the update."));
        startProgram();
        return 1;
    }

    bool startProgram()
    {
        if (QProcess::startDetached(m_options.program, {}, m_folder))
            return true;
        Notice::Failure(QStringLiteral("Tallowmere could not be started again from %1. Start it yourself.")
                            .arg(m_options.program));
        return false;
    }

    const Options &m_options;
    const QString m_folder;
    const QString m_work;
    const QString m_old;
    const QString m_new;
};

} // namespace

int Run(const Options &options)
{
    Notice::Progress(QStringLiteral("waiting for process %1 to end").arg(options.pid));
    if (!waitForEnd(options.pid, options.waitSeconds)) {
        Notice::Failure(QStringLiteral("Tallowmere did not end within %1 seconds, so the update was not installed. "
                                       "Close Tallowmere and choose \"Update Now\" again.")
                            .arg(options.waitSeconds));
        return 1;
    }
    return Installation(options).run();
}

} // namespace Updater
