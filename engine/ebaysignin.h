#pragma once

// The sign-in requests live in foundation/, where the account windows use
// them too; include that header directly.
#include "foundation/ebaysignin.h"
