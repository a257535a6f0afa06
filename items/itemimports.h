#pragma once

// Installs the clipboard prompt, the wizard for a copied item and the
// watching-list import into the seams of the lower layers.
void RegisterItemImportWindows();
