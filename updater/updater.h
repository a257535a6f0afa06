#pragma once

#include "platform/processstate.h"

#include <QString>

#include <sys/types.h>

// Installs the release the program offered: waits for the program to end,
// checks that "update.inf" names a release signed with the vendor's key and
// newer than the running program, downloads the archive over HTTPS from the
// vendor's secure host, checks it against the signed checksum, swaps the
// program folder's files and starts the program again. Whatever stops the
// update leaves the old program whole; the user is told why and the old
// program starts.
namespace Updater {

struct Options
{
    pid_t pid = 0;          // the program that must end first
    QString program;        // what to start again; its folder is updated
    int runningRevision = 0; // the program's; only a newer release is installed
    QString updateInfo;     // the saved "update.inf"
    QByteArray releaseKey;  // the vendor's public key (DER), built into the updater
    int waitSeconds = 300;  // for the program to end
    int stallSeconds = 30;  // see ReleaseArchive::Limits
    int deadlineSeconds = 0; // two minutes and a second for every 16 KB of the release, or less
};

// Work folder inside the program folder: the download, the unpacked files
// and the replaced ones, on the same file system as the files they replace.
inline const QString kWorkFolder = QStringLiteral(".tallowmere-update");

// 0 when the update is installed and the program started again; 1 when it
// was not installed (the old program is started, unless it never ended).
int Run(const Options &options);

} // namespace Updater
