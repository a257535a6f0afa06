#pragma once

// The program's start: one running copy, the heartbeat, the data folder, the
// reset question after an unclean exit, the splash and the main window.
// Returns false when the program is to end at once (another copy runs, the
// settings were reset, or start-up failed).
bool Main();

// Wires the higher windows into the lower layers (the main window factory,
// the prompts the lower layers open). Called once before Main.
void RegisterWindows();
