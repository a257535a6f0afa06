#pragma once

#include <QDateTime>
#include <QString>

// A damaged data file set aside for the user (and for support) never takes
// the place of one set aside before: each copy is named after the moment it
// was made, as the settings file's copies are.
namespace DamagedFile {

// "data6.dat" at 2026-12-07 06:01:02 gives "data6-backup-20261207-060102.dat";
// "-2", "-3"... go before the extension while that name is taken in folder.
QString BackupName(const QString &folder, const QString &fileName, const QDateTime &when);

// Moves folder + fileName aside under its BackupName for now. The name it
// got, or empty when the file is still where it was.
QString SetAside(const QString &folder, const QString &fileName);

// What the user is told when SetAside could not move fileName (the user's
// "items list", "favorites list"...) out of the data folder.
QString NotSetAsideMessage(const QString &listName, const QString &fileName);

// Sets aside, unchanged, a file of the data folder that was refused as too
// large, so that no save of the new list writes over it, and tells the user
// where it went ("Your relist schedule file is too large... a new schedule
// has been started."). False when it could not be moved: the caller must
// then leave the file alone.
bool SetAsideTooLarge(const QString &fileName, const QString &listName, const QString &newListName);

} // namespace DamagedFile
