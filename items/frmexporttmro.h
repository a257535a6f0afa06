#pragma once

#include "items/onlineprogress.h"
#include "platform/defaultinstance.h"

// Sends the item numbers of the active user's tracked auctions to the
// vendor's online service, one request per item.
class frmExportTMRO final : public OnlineProgressWindow, public DefaultInstance<frmExportTMRO>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmExportTMRO)

public:
    frmExportTMRO();

    // Opens the window modally; it exports and closes itself.
    static void ShowModal();

    void Form_Activate() override;

    // Tries of one item before the export gives up.
    static constexpr int kMaxTries = 5;
    bool &blnCancelExport = m_cancel;
};
