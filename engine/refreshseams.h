#pragma once

#include <functional>

// Windows of the seller tools that the refresh runs. The program installs
// them when it registers its windows; left empty, a step does nothing.
namespace RefreshSeams {

// frmFeedbackProgress.LeaveFeedback: leaves the stored positive feedback
// for buyers of every ticked account, synchronously. Run at the end of a
// refresh of the whole list outside fast mode, never on the first refresh
// after start-up.
inline std::function<void()> LeaveFeedback;

} // namespace RefreshSeams
