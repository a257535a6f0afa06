#pragma once

#include <QFileDevice>
#include <QString>

// Every file the program writes for the user (the settings store, the list
// file, the logs, every other file of the data folder) can be read and
// written by its owner only: mode 0600. The rule lives here, and every
// writer opens its file through it.
namespace PrivateFile {

inline constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Opens `file` (a QSaveFile or a QFile) with `mode` and, before a byte is
// written, gives it the owner-only mode: a new file as well as one that
// exists with wider permissions (QSaveFile would otherwise copy them). False
// when the file cannot be opened; a file system that keeps no permissions
// does not stop the write.
bool open(QFileDevice &file, QIODevice::OpenMode mode = QIODevice::WriteOnly);

// Gives an existing file the owner-only mode; false when that fails.
bool narrow(const QString &path);

} // namespace PrivateFile
