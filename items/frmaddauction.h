#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>

class Inet;
class ListItem;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QWidget;

// The add-item wizard: fetches the item page, offers snipe, bid now or Buy It
// Now, checks the entries, shows the transaction once more and stores it as
// a tracked row (a new one, or the row of an item already tracked).
class frmAddAuction final : public QDialog, public DefaultInstance<frmAddAuction>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAddAuction)

public:
    frmAddAuction();
    // Fetches the item page and fills page 1, once per opening (and again
    // after the sign-up window closes); closes the window when the item
    // cannot be bid on.
    void Form_Activate();

    // Opens the wizard modally on `itemNumber` (a fresh instance each time),
    // unless one is open already. Returns once it shows: the window blocks
    // the others for the user, never the caller, so a refresh pass or a
    // snipe that waits below the caller goes on while the window is open.
    static void ShowModal(const QString &itemNumber);
    // Brings an open wizard to the front and says whether there was one: its
    // item and what the user has entered stay as they are.
    static bool RaiseOpenWizard();

    // Set before the window is shown; the window loads (add or edit mode,
    // page 1 from the edited row) when it is first shown.
    QString strItemNumber;
    bool blnIgnoreError = false;
    bool blnOnTop = false;

    // Reads the item page into page 1; false (after saying why, unless
    // blnIgnoreError) when the item cannot be bid on or bought.
    bool GetItemDetails();
    // Stores the confirmed transaction and closes the wizard; on a refusal of
    // the online service it goes back to page 1 and stores nothing.
    void OK();

    // Retrieval panel.
    QWidget *fraRetrieve = nullptr;
    QLabel *Label5 = nullptr;
    // Page 1.
    QWidget *fraBid = nullptr;
    QLabel *Label9 = nullptr;
    QLabel *lblTitle = nullptr;
    QRadioButton *optSnipe = nullptr;
    QCheckBox *chkLocal = nullptr;
    QCheckBox *chkOnline = nullptr;
    QLabel *lblWhatOnline = nullptr;
    QLabel *Label1 = nullptr;
    QCheckBox *chkGroup = nullptr;
    QComboBox *txtBidGroup = nullptr;
    QRadioButton *optBid = nullptr;
    QRadioButton *optBuy = nullptr;
    QLabel *lblMaxBid = nullptr;
    QLineEdit *txtMaxBid = nullptr;
    QLabel *lblCurrentBid = nullptr;
    QLabel *lblEnterQty = nullptr;
    QLineEdit *txtQty = nullptr;
    QSpinBox *UpDown = nullptr; // its maximum is the quantity available
    QLabel *lblQtyAvail = nullptr;
    // The minimum bid and the Buy It Now price as number texts.
    QString lblCurrentBid_Tag;
    QString optBuy_Tag;
    // Confirmation page.
    QWidget *fraConfirm = nullptr;
    QLabel *lblConfirm = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *lblConfirmTitle = nullptr;
    QLabel *Label8 = nullptr;
    QLabel *lblTransType = nullptr;
    QLabel *lblCanCancel = nullptr;
    QLabel *lblBidSourceTitle = nullptr;
    QCheckBox *lchkLocal = nullptr;
    QCheckBox *lchkOnline = nullptr;
    QCheckBox *chkAccept = nullptr;
    // Every page.
    QLabel *lblContract = nullptr;
    QPushButton *cmdBack = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdNext = nullptr;
    ::Inet *Inet = nullptr;

    void opt_Click();
    void chkGroup_Click();
    void lblWhatOnline_Click();
    void cmdNext_Click();
    void cmdBack_Click();
    void cmdCancel_Click();
    void chkAccept_Click();
    void lchkLocal_Click();
    void lchkOnline_Click();
    // The item page is still being read; page 1 may already show.
    bool ReadingItem() const { return m_reading; }

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void reject() override;

private:
    void Form_Load();
    void buildRetrievePanel();
    void buildBidPage();
    void buildConfirmPage();
    void fillFromRow(const ListItem *row);
    void collectGroups();
    void setBusy(bool busy);
    bool readItemPage(QString &page);
    void fillBidPage(const QString &page);
    bool noDetails(const QString &page);
    void retrievalFailed(int number, const QString &description);
    bool checkBidPage();
    void showConfirmPage();
    // OK's steps.
    bool sendOnline();
    void cancelOnline(const QString &item);
    void keepWatchingOnly(ListItem *row);

    QString strCurrency;
    // The item page is read once per opening, and again after the sign-up
    // window closes, not on every activation (a message box returning the
    // focus would fetch the page again and reset page 1).
    bool m_fetchPending = true;
    // While the item page is read the window must stay: the read runs in
    // this window's handler and through its transfer control. A Cancel then
    // only stops the transfer and leaves the unload to the read's end; Next
    // and Finish wait for the read to end.
    bool m_reading = false;
    bool m_cancelled = false;
    bool m_loaded = false;
    // Whether this opening edits a listed row (read when it loads): the
    // wizard stays open while other commands change the global EditMode.
    bool m_editing = false;
};
