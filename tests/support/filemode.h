#pragma once

#include <QFile>
#include <QString>

#include <cstdio>
#include <string>

#include <sys/stat.h>

// The permission bits of a file in octal ("0600", "0644", ...), "missing"
// when there is no such file.
inline std::string FileMode(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return "missing";
    char text[8];
    std::snprintf(text, sizeof text, "%04o", unsigned(st.st_mode & 07777));
    return text;
}

// Gives a file the permission bits `mode`.
inline bool SetFileMode(const QString &path, int mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
}
