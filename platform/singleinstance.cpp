#include "platform/singleinstance.h"

#include "platform/folders.h"

#include <QLockFile>

SingleInstance::SingleInstance()
    : m_lock(std::make_unique<QLockFile>(Folders::runtime() + QStringLiteral("/instance.lock")))
{
    // Never stale by age (the program runs for days); a lock whose owner died
    // is still taken over, because QLockFile checks the owning process.
    m_lock->setStaleLockTime(0);
    m_owned = m_lock->tryLock(0);
}

SingleInstance::~SingleInstance() = default;
