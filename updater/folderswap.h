#pragma once

#include <QString>

// Puts unpacked release files in place of the program's by renames inside
// the program folder, so each file changes at once and the old ones stay
// until every new one is in place.
namespace FolderSwap {

// Moves every file below `staged` to the same relative path below `folder`;
// a file already there is first moved to the same relative path below
// `backup`. On any failure the moves made so far are undone in reverse order,
// leaving `folder` as it was, and `error` says what failed. `staged` and
// `backup` must be on the same file system as `folder` (inside it, here).
bool Swap(const QString &folder, const QString &staged, const QString &backup, QString *error);

// Moves the files below `backup` back to `folder`, replacing what is there:
// the way back from a swap that was cut off (the updater was killed, the
// machine lost power) before it finished. True when nothing was left behind.
bool RestoreBackup(const QString &folder, const QString &backup, QString *error);

// Every file below `root` as paths relative to it, sorted.
QStringList FilesBelow(const QString &root);

} // namespace FolderSwap
