#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// "Sale Manager": rules for a received payment. Only the printer list,
// Cancel and the TEST button (the sold-items run) act so far.
class frmSales final : public QDialog, public DefaultInstance<frmSales>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSales)

public:
    frmSales();
    void Form_Load();

    // The Selling menu's "Sale Manager": the window, modally.
    static void ShowModal();

    QLineEdit *txtTitleContains = nullptr;
    QCheckBox *chkEmail = nullptr;
    QLineEdit *txtEmail = nullptr;
    QCheckBox *chkPrint = nullptr;
    QComboBox *ddnPrinters = nullptr;
    QCheckBox *chk3rdParty = nullptr;
    QLineEdit *txt3rdParty = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdDel = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *Command1 = nullptr;

    void Command1_Click();
    void cmdCancel_Click();

protected:
    void reject() override;
};
