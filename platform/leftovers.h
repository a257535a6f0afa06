#pragma once

#include <QString>

// A file is saved by writing a temporary file beside it and renaming that
// over it. Where the file system has no unnamed temporary files, a process
// ended between the two leaves "<name>.XXXXXX" (six letters or digits)
// behind; the next start removes those.
namespace Leftovers {

// True when `fileName` is such a temporary file of `target` (a file name).
bool IsSaveTemporary(const QString &fileName, const QString &target);

// Removes from `folder` every temporary file of a file that is there
// (`only`, when given, limits that to the one file of that name, which need
// not be there). Returns how many were removed.
int RemoveSaveTemporaries(const QString &folder, const QString &only = {});

} // namespace Leftovers
