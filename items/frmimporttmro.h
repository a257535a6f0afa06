#pragma once

#include "items/onlineprogress.h"
#include "platform/defaultinstance.h"

// Brings the item numbers held at the vendor's online service into the
// tracked auctions as watched items of the active user.
class frmImportTMRO final : public OnlineProgressWindow, public DefaultInstance<frmImportTMRO>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmImportTMRO)

public:
    frmImportTMRO();

    // Opens the window modally; it imports and closes itself.
    static void ShowModal();

    void Form_Activate() override;

    bool &blnCancelImport = m_cancel;
};
