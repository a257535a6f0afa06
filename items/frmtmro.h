#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Presents the vendor's online bidding service and creates an account there
// for the active eBay user: name and e-mail typed here, the eBay ID and
// password taken from the stored account.
class frmTMRO final : public QDialog, public DefaultInstance<frmTMRO>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmTMRO)

public:
    frmTMRO();
    void Form_Load();

    // Opens the window modally (a fresh instance each time).
    static void ShowModal();

    QLabel *Label2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label8 = nullptr;
    QLabel *Image1 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLabel *Label6 = nullptr;
    QLineEdit *txtName = nullptr;
    QLabel *Label7 = nullptr;
    QLineEdit *txtEmail = nullptr;
    QLabel *lblUser = nullptr;
    QLabel *Label9 = nullptr;
    QPushButton *cmdSignUp = nullptr;
    QPushButton *cmdClose = nullptr;

    void cmdSignUp_Click();
    void cmdClose_Click();

protected:
    void reject() override;

private:
    void setInputEnabled(bool on);

    // A sign-up request is running: closing now would delete the window
    // under the handler that waits for the reply.
    bool m_sending = false;
};
