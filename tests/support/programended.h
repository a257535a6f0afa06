#pragma once

// Thrown in tests where the program would end at once.
struct ProgramEnded
{
    int exitCode = 0;
};
