#include "items/itemimports.h"

#include "engine/itemwindows.h"
#include "engine/rowowner.h"
#include "engine/startupwindows.h"
#include "items/frmaddauction.h"
#include "items/frmcopyask.h"
#include "items/frmimportauctions.h"
#include "foundation/mainformshell.h"
#include "platform/desktop.h"
#include "platform/listview.h"

namespace {

// The wizard on a copied item, above every window and without messages (the
// user is busy elsewhere). A wizard the user has open already is kept, with
// what was entered in it.
void bidOnCopiedItem(const QString &itemNumber)
{
    if (frmAddAuction::RaiseOpenWizard())
        return;
    if (!RowOwner::MayEditItem(*MainForm().lvwAuctions, itemNumber))
        return;
    if (frmAddAuction::isLoaded())
        frmAddAuction::unloadInstance();
    frmAddAuction &wizard = frmAddAuction::instance();
    wizard.blnOnTop = true;
    wizard.strItemNumber = itemNumber;
    wizard.blnIgnoreError = true;
    Desktop::SetTopMost(&wizard);
    // Shown, not waited for: the scan and whatever waits below it go on.
    // Each opening is a fresh instance, so the flags end with it.
    wizard.show();
}

} // namespace

void RegisterItemImportWindows()
{
    ItemWindows::AskAboutCopiedItem = &frmCopyAsk::AskAbout;
    ItemWindows::BidOnCopiedItem = &bidOnCopiedItem;
    StartupWindows::ShowWatchingListImport = &frmImportAuctions::ShowModal;
}
