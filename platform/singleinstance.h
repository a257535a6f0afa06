#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Keeps the program to one running copy per data folder: the lock file lives
// in the data folder it protects (a folder only its owner may enter), so any
// two starts on the same data see each other however they were started, and
// no other user can take the lock. The decision is made before any setting
// is written.
//
// A lock that no running copy holds (its process ended, or it names none:
// cut short or overwritten) is taken over. One this computer cannot judge
// (written on another computer sharing the home folder, or not a file) is
// left alone, and the start is told why.
class SingleInstance final
{
public:
    enum class Outcome {
        Owned,            // this copy runs
        AnotherIsRunning, // a copy on this computer holds the lock
        Unjudged,         // see problem()
    };

    // dataFolder: the program's data folder, made here when missing; empty
    // when it cannot be had, and then nothing is locked (the start reports
    // the folder itself).
    explicit SingleInstance(const QString &dataFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    Outcome outcome() const { return m_outcome; }

    // The lock file, and for an unjudged one what is wrong with it and what
    // the user can do (empty otherwise).
    QString lockFile() const { return m_path; }
    QString problem() const { return m_problem; }

private:
    // Removes the lock file when it names no owner and nobody holds it.
    bool removeOwnerless();

    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    Outcome m_outcome = Outcome::Owned;
    QString m_problem;
};
