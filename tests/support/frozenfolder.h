#pragma once

#include <QString>

// While it lives, nothing in the folder can be added, removed or renamed
// (even by root: the file system's immutable flag). held() is false where
// the file system has no such flag.
class FrozenFolder
{
public:
    explicit FrozenFolder(const QString &path);
    ~FrozenFolder();
    FrozenFolder(const FrozenFolder &) = delete;
    FrozenFolder &operator=(const FrozenFolder &) = delete;
    bool held() const { return m_held; }

private:
    QString m_path;
    bool m_held = false;
};
