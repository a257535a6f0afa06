// The settings store's file as another process or a damaged disk leaves it:
// read whole or refused, never half.
#include "fuzz/fuzzinput.h"

#include "platform/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (const auto keys = Registry::Store::keyCount(FuzzBytes(data, size)); keys && *keys < 0)
        __builtin_trap();
    return 0;
}
