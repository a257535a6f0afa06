#pragma once

// The real main window against the simulator of this test process.
class frmMain;

namespace ShownMain {

// A new main window shown at 1000 x 800, its loading taken as done (the
// loader is not under test), alice (password "pw") the current user, no rows,
// no message-box answers queued. Starts the simulator if it is not running.
frmMain &Show();

} // namespace ShownMain
