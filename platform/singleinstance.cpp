#include "platform/singleinstance.h"

#include <QLockFile>

SingleInstance::SingleInstance(const QString &dataFolder)
{
    if (dataFolder.isEmpty()) {
        m_owned = true;
        return;
    }
    m_lock = std::make_unique<QLockFile>(dataFolder + QStringLiteral("/instance.lock"));
    // Never stale by age (the program runs for days); a lock whose owner died
    // is still taken over, because QLockFile checks the owning process.
    m_lock->setStaleLockTime(0);
    m_owned = m_lock->tryLock(0);
    // Only a lock held by another copy ends the start; a folder that lets no
    // lock be written is the start's own error to report.
    if (!m_owned && m_lock->error() != QLockFile::LockFailedError)
        m_owned = true;
}

SingleInstance::~SingleInstance() = default;
