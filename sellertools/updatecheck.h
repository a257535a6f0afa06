#pragma once

#include <QByteArray>
#include <QDateTime>

// The update check: asks the vendor's server for the newest release, keeps
// the reply in "update.inf" and offers a newer release in frmUpdate, only
// when the updater would install it (signed by the vendor, newer than the
// running program).
namespace UpdateCheck {

// The public key (DER) an offered release must be signed with: the one the
// updater is built with. Tests give the simulator's.
extern QByteArray ReleaseKey;

// The revision of the running program (the third part of its version).
int RunningRevision();

// frmMain.LookForUpdate. True when frmUpdate now offers a release. False when
// nothing is offered, or the check was not made (a bid is being placed, a
// check is already running, or an automatic check within an hour of a failed
// one) or failed. ShowWarnings adds the "latest version" message and the
// failure message. A failed check leaves frmMain.LastDate as it was.
bool LookForUpdate(bool ShowWarnings);

// When the last check failed (invalid when none did). Automatic checks wait
// an hour after it, so the daily check does not ask the server on every tick
// while it cannot be reached.
inline QDateTime LastFailure;

// Installs the check as the main window's LookForUpdate.
void Register();

} // namespace UpdateCheck
