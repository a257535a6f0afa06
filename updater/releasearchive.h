#pragma once

#include <QByteArray>
#include <QString>

class QUrl;

// The release archive: a tar file of the program folder's files, fetched
// from the vendor's server, checked and unpacked with the system's tar.
namespace ReleaseArchive {

// What a download may take. The program is stopped meanwhile, so no snipe
// fires: a server that trickles or never ends must not hold it for long.
struct Limits
{
    qint64 size = 0;         // the release's size: more is refused, less is cut off
    int stallSeconds = 30;   // a window in which less than 1 KB arrived is a stall
    int deadlineSeconds = 0; // for the whole download
};

// Saves the body of a GET of `url` in the file `to`. False, with `error`,
// for anything but a 200 reply of exactly `limits.size` bytes: a redirect
// (never followed), a reply larger than the size, a stall, the deadline, a
// transfer cut off (said as such).
bool Download(const QUrl &url, const QString &to, const Limits &limits, QString *error);

// The file's SHA-256 checksum in lower-case hexadecimal; empty when it
// cannot be read.
QByteArray Sha256(const QString &file);

// Unpacks the archive into the existing, empty folder `into`. Refuses (before
// anything is written) member names that would land outside it and members
// other than plain files and folders (links, FIFOs, devices), and (after)
// anything but files and folders and an archive without a single file. No
// unpacked entry keeps a setuid, setgid or world-writable bit.
bool Unpack(const QString &archive, const QString &into, QString *error);

} // namespace ReleaseArchive
