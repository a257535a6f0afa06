#pragma once

#include <functional>

// Windows of the higher subsystems that the start-up loader opens. The
// program installs them when it registers its windows; left empty (tests of
// the engine alone, or a window not built into this program) a step is
// passed over as if the window had nothing to do.
namespace StartupWindows {

// The watching-list import, shown modally.
inline std::function<void()> ShowWatchingListImport;
// The review request, shown not modal.
inline std::function<void()> ShowReviewPrompt;
// Loads the relist schedule; keeps its window and scheduler when the
// schedule has entries, otherwise stops the scheduler and unloads the
// window. Returns whether the scheduler was kept.
inline std::function<bool()> KeepRelistScheduler;

} // namespace StartupWindows
