#include "engine/updatecheckseam.h"

#include "engine/mainformengine.h"

bool frmMainEngine::LookForUpdate(bool ShowWarnings)
{
    return UpdateCheckSeam::LookForUpdate ? UpdateCheckSeam::LookForUpdate(ShowWarnings) : false;
}
