#include "platform/singleinstance.h"

#include "platform/msgbox.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>
#include <QThread>

#include <optional>

namespace {

// A copy starting this moment holds its new lock file (the system lock on
// it) a moment before it has written itself into it.
constexpr int kOwnerWrittenMs = 1000;

// What a lock file says of the copy that wrote it: its process, the
// computer's name and the computer's id, one a line.
struct Owner
{
    qint64 pid = 0;
    QString host;
    QByteArray hostId;
};

std::optional<Owner> readOwner(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    Owner owner;
    bool ok = false;
    owner.pid = file.readLine().trimmed().toLongLong(&ok);
    if (!ok || owner.pid <= 0)
        return std::nullopt;
    file.readLine(); // the program's name
    owner.host = QString::fromUtf8(file.readLine().trimmed());
    owner.hostId = file.readLine().trimmed();
    return owner;
}

// The same test the lock itself makes: the computer's id when both sides
// have one, else its name.
bool writtenOnThisComputer(const Owner &owner)
{
    const QByteArray ourId = QSysInfo::machineUniqueId();
    if (!owner.hostId.isEmpty() && !ourId.isEmpty())
        return owner.hostId == ourId;
    return owner.host.isEmpty() || owner.host == QSysInfo::machineHostName();
}

} // namespace

SingleInstance::SingleInstance(const QString &dataFolder)
{
    if (dataFolder.isEmpty())
        return;
    m_path = dataFolder + QStringLiteral("/instance.lock");
    m_lock = std::make_unique<QLockFile>(m_path);
    // Never stale by age (the program runs for days); a lock whose owner died
    // is still taken over, because QLockFile checks the owning process.
    m_lock->setStaleLockTime(0);
    const QDeadlineTimer ownerWritten(kOwnerWrittenMs);
    for (;;) {
        // Only a lock held by another copy ends the start; a folder that lets
        // no lock be written is the start's own error to report.
        if (m_lock->tryLock(0) || m_lock->error() != QLockFile::LockFailedError)
            return;
        if (!QFileInfo(m_path).isFile()) {
            m_outcome = Outcome::Unjudged;
            m_problem = QStringLiteral("This is not a lock file %1 can read or replace. Delete it and start %1 again.")
                            .arg(Desktop::AppTitle());
            return;
        }
        if (const std::optional<Owner> owner = readOwner(m_path)) {
            // The lock takes over one of this computer whose process ended;
            // what it leaves is a running copy's, or another computer's,
            // whose processes cannot be seen from here.
            if (writtenOnThisComputer(*owner)) {
                m_outcome = Outcome::AnotherIsRunning;
                return;
            }
            m_outcome = Outcome::Unjudged;
            const QString computer = owner->host.isEmpty() ? QStringLiteral("another computer")
                                                           : QStringLiteral("the computer \"%1\"").arg(owner->host);
            m_problem = QStringLiteral("This lock was written by %1 on %2, which shares this folder and may be running it now. "
                                       "If %1 is not running there, delete this file and start %1 again.")
                            .arg(Desktop::AppTitle(), computer);
            return;
        }
        if (removeOwnerless())
            continue;
        if (ownerWritten.hasExpired()) {
            m_outcome = Outcome::Unjudged;
            m_problem = QStringLiteral("This lock file cannot be read or replaced. Delete it and start %1 again.")
                            .arg(Desktop::AppTitle());
            return;
        }
        QThread::msleep(20);
    }
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::removeOwnerless()
{
    // Two starts must not both remove it: the later one would remove the
    // lock the earlier one has made in its place meanwhile.
    QLockFile removal(m_path + QStringLiteral(".rmlock"));
    if (!removal.tryLock(0))
        return false;
    // A lock cut short or overwritten, which nobody holds, is removed; one a
    // starting copy holds (not yet written) is not.
    return !readOwner(m_path) && m_lock->removeStaleLockFile();
}
