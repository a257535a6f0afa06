#pragma once

// Installs the item windows (the add-item command, the wizard, the row
// windows, the item-page report) into the seams of the lower layers.
void RegisterItemWindows();
