#pragma once

#include <functional>

// Lets events run until the condition holds or `ms` milliseconds have
// passed; true when it holds. The default is generous so that a loaded
// machine running many tests at once does not fail a test that only waits.
bool waitFor(const std::function<bool()> &condition, int ms = 20000);
