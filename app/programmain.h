#pragma once

#include <functional>

// The whole program from its command line to its end: main() is this call.
// `beforeStart`, when given, runs once the application object exists and
// before the start (a program built for tests answers its windows there).
int RunProgram(int argc, char **argv, const std::function<void()> &beforeStart = {});
