#pragma once

#include <functional>

// The update check of the seller tools, which the start-up loader, the main
// tick and the menu reach through frmMain.LookForUpdate. The program installs
// it when it registers its windows; left empty, no check is made and
// LookForUpdate gives False.
namespace UpdateCheckSeam {

inline std::function<bool(bool ShowWarnings)> LookForUpdate;

} // namespace UpdateCheckSeam
