#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class WebBrowser;

// Brings the items of the user's eBay watching list into the tracked
// auctions as watched items: through its own browser it signs the active
// user out and in again, opens the watching list (one page of up to 200
// items) and adds every item not yet tracked.
class frmImportAuctions final : public QDialog, public DefaultInstance<frmImportAuctions>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmImportAuctions)

public:
    frmImportAuctions();

    // Opens the window modally; it imports and closes itself.
    static void ShowModal();

    // The whole run; closes the window at its end.
    void Form_Activate();
    void cmdCancel_Click();

    QLabel *lblStatus = nullptr;
    ::WebBrowser *WebBrowser = nullptr;
    QProgressBar *Animation = nullptr; // busy indicator
    QLabel *Picture1 = nullptr;
    QPushButton *cmdCancel = nullptr;
    bool blnCancel = false;

    // How long one page may take to complete before the import gives up.
    int PageWaitSeconds = 30;

protected:
    void showEvent(QShowEvent *event) override;
    // Esc and the close box cancel like the button.
    void reject() override;

private:
    // Navigates and waits until the page is complete; false (after telling
    // the user) when it is not complete within PageWaitSeconds.
    bool openPage(const QString &url);

    bool m_activated = false;
};
