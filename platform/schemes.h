#pragma once

// Registers the program's own URL scheme "tmr" (the HTML list's action
// links). Must run before the application object is created.
namespace Vb {
void RegisterUrlSchemes();
}
