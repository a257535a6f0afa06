#pragma once

#include <functional>

// What the main window's browser commands need from windows of higher
// layers. The program installs them when it registers its windows; left
// empty, the command uses the fallback named below.
namespace BrowserSeams {

// The running program's revision for the support page's "&build=" (empty: 0).
inline std::function<int()> ProgramRevision;

} // namespace BrowserSeams
