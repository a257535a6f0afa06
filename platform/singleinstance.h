#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Keeps the program to one running copy per data folder: the lock file lives
// in the data folder it protects (a folder only its owner may enter), so any
// two starts on the same data see each other however they were started, and
// no other user can take the lock. The decision is made before any setting
// is written.
class SingleInstance final
{
public:
    // dataFolder: the program's data folder, made here when missing; empty
    // when it cannot be had, and then nothing is locked (the start reports
    // the folder itself).
    explicit SingleInstance(const QString &dataFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when another copy already holds the lock.
    bool anotherIsRunning() const { return !m_owned; }

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_owned = false;
};
