#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>
#include <QPointer>

class Inet;
class frmBid;
class QCheckBox;
class QLabel;
class QPushButton;

// "Remove Item": removes the selected row of the auction list, or cancels
// its snipe and keeps it as a watched item; either action can also be
// applied to the user's account at the vendor's online service. The local
// change happens whatever the service answers.
class frmRemove final : public QDialog, public DefaultInstance<frmRemove>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmRemove)

public:
    frmRemove();
    void Form_Load();

    // Opens the window modally on the selected row of the auction list (a
    // fresh instance each time); does nothing while no row is selected.
    static void ShowModal();

    QLabel *Label1 = nullptr;
    QLabel *lblItemNum = nullptr;
    QLabel *lblItemTitle = nullptr;
    // Shown while a bid on the item is under way or out: whether removing
    // the item or cancelling its bid still stops it.
    QLabel *lblBidUnderWay = nullptr;
    QCheckBox *chkCancelBid = nullptr;
    QCheckBox *chkApplyOnline = nullptr;
    QPushButton *cmdRem = nullptr;
    QPushButton *cmdCancel = nullptr;
    ::Inet *Inet = nullptr;

    void chkCancelBid_Click();
    void cmdRem_Click();
    void cmdCancel_Click();

protected:
    void reject() override;

    // This program's bid on the item has gone to eBay and the auction is not
    // over: the bid cannot be stopped, and its row stays until its outcome
    // is read.
    bool BidBeyondRecall() const;

private:
    // Tells whether a bid under way can still be stopped; called again when
    // its confirmation goes out while the window is open.
    void showBidState();
    void growToShowAll();
    void applyOnline(bool keepWatching);
    void applyLocally(bool keepWatching);

    // The row the window was opened on, found again by its item number when
    // the change is made: the online request lets timers run, and a refresh
    // or a re-sort meanwhile must not make the change land on another row.
    QString m_itemNumber;
    // The bid window whose confirmation the window listens for.
    QPointer<frmBid> m_followedBid;
    // An online request is running: closing now would delete the window
    // under the handler that waits for the reply.
    bool m_sending = false;
};
