#pragma once

#include <memory>

class QLockFile;

// Keeps the program to one running copy per user (per home folder). The lock
// lives in the runtime folder, so the decision is made before any setting is
// written or the data folder exists.
class SingleInstance final
{
public:
    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when another copy already holds the lock.
    bool anotherIsRunning() const { return !m_owned; }

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_owned = false;
};
