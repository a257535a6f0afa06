#include "items/itemwindows.h"

#include "engine/itemwindows.h"
#include "items/frmaddauction.h"
#include "items/frmitemnumber.h"
#include "items/frmitempagereport.h"
#include "items/frmnotes.h"
#include "items/frmremind.h"
#include "items/frmremove.h"

void RegisterItemWindows()
{
    ItemWindows::AddAuction = &AddAuctionCommand;
    ItemWindows::ShowItemPageReport = &frmItemPageReport::ShowModal;
    ItemWindows::ShowRemove = &frmRemove::ShowModal;
    ItemWindows::ShowRemind = &frmRemind::ShowModal;
    ItemWindows::ShowNotes = &frmNotes::ShowAt;
    ItemWindows::EditAuction = &frmAddAuction::ShowModal;
}
