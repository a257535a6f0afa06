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
// A per-user folder for locks and sockets that exists before any data folder.
QString runtime();
// The folder of the running program (no trailing separator).
QString program();
// The user's autostart folder (desktop entries started at log-in).
QString autostart();

} // namespace Folders
