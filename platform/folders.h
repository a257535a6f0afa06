#pragma once

#include <QString>

// Where the program's files live. TALLOWMERE_HOME, when set, stands in for the
// user's home folder for all of these (tests give every process its own).
namespace Folders {

QString home();
// The per-user "local application data" folder (no trailing separator).
QString localAppData();
// The per-user "roaming application data" folder (no trailing separator).
QString roamingAppData();
// Makes `path` (its parent must exist) as a folder only its owner may enter
// (mode 0700), or narrows a folder of this user's that is open to others.
// False when the folder cannot be made, is a link, or belongs to someone
// else: nothing in it is to be trusted then.
bool makePrivate(const QString &path);
// The program's data folder, `title` below localAppData() (no trailing
// separator), made or kept private; empty when it cannot be had as the
// user's own.
QString privateData(const QString &title);
// The folder of the running program (no trailing separator).
QString program();
// The user's autostart folder (desktop entries started at log-in).
QString autostart();

} // namespace Folders
