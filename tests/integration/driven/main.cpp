// The program as the tests drive it from outside: the real start, the real
// windows and message boxes, with a user that answers them.
#include "app/programmain.h"
#include "tests/integration/driven/windowdriver.h"

int main(int argc, char **argv)
{
    return RunProgram(argc, argv, &WindowDriver::Install);
}
