#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>

class Inet;
class QPushButton;

// "Sales Progress": the sold-items run. Signs in as the current user, reads
// the items sold in the last 62 days and shows each buyer's shipping address.
class frmSalesProgress final : public QDialog, public DefaultInstance<frmSalesProgress>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSalesProgress)

public:
    frmSalesProgress();

    static void ShowModal();

    QPushButton *Command1 = nullptr;
    ::Inet *Inet = nullptr;

    // The run, then the window unloads. A failure ends the run with a
    // message; it never ends the program.
    void Command1_Click();

protected:
    void reject() override;

private:
    void soldItemsRun();
};
