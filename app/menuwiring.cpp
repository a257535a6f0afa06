#include "app/menuwiring.h"

#include "engine/menucommands.h"
#include "engine/startupwindows.h"
#include "items/frmautosearch.h"
#include "sellertools/frmabout.h"
#include "sellertools/frmreview.h"

void RegisterMenuWindows()
{
    MenuCommands::ShowAbout = &frmAbout::ShowModal;
    MenuCommands::ShowAutoSearch = &frmAutoSearch::ShowModal;
    StartupWindows::ShowReviewPrompt = &frmReview::ShowPrompt;
}
