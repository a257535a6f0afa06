#pragma once

// Installs the windows the main window's menus open (and the review prompt
// the start-up loader opens) into their seams.
void RegisterMenuWindows();
