#pragma once

#include <functional>

// The relist schedule's timer as the rest of the program switches it: the
// shut-down stops it before it looks at the list and puts it back when the
// user stays. The relist window installs both functions when the program
// registers its windows; left empty, there is no scheduler to switch.
namespace RelistScheduler {

inline std::function<bool()> IsRunning;
inline std::function<void(bool)> SetRunning;

inline bool Running()
{
    return IsRunning && IsRunning();
}

inline void Switch(bool on)
{
    if (SetRunning)
        SetRunning(on);
}

} // namespace RelistScheduler
