#pragma once

class frmMainEngine;

namespace ListSaving {

// Saves the window's list within a second or two, once for any number of
// changes asked for meanwhile (the refresh asks row after row).
void SaveSoon(frmMainEngine &form);

// Writes at once the saves still waiting for their moment and waits for the
// list writer: for a program about to end, however it ends. Failures are
// reported before it returns.
void SaveWhatWaits();

} // namespace ListSaving
