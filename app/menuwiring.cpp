#include "app/menuwiring.h"

#include "engine/menucommands.h"
#include "engine/startupwindows.h"
#include "items/frmautosearch.h"
#include "items/frmexporttmro.h"
#include "items/frmimporttmro.h"
#include "sellertools/frmabout.h"
#include "sellertools/frmfeedback.h"
#include "sellertools/frmrelistitems.h"
#include "sellertools/frmreview.h"
#include "sellertools/frmsales.h"

void RegisterMenuWindows()
{
    MenuCommands::ShowAbout = &frmAbout::ShowModal;
    MenuCommands::ShowAutoSearch = &frmAutoSearch::ShowModal;
    MenuCommands::ShowImportOnline = &frmImportTMRO::ShowModal;
    MenuCommands::ShowExportOnline = &frmExportTMRO::ShowModal;
    MenuCommands::ShowRelistItems = &frmRelistItems::ShowRelistItems;
    MenuCommands::ShowSales = &frmSales::ShowModal;
    MenuCommands::ShowFeedbackSettings = &frmFeedback::ShowModal;
    StartupWindows::ShowReviewPrompt = &frmReview::ShowPrompt;
}
