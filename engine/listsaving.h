#pragma once

class frmMainEngine;

namespace ListSaving {

// Saves the window's list within a second or two, once for any number of
// changes asked for meanwhile (the refresh asks row after row).
void SaveSoon(frmMainEngine &form);

} // namespace ListSaving
