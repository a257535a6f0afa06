#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// "Edit Feedback Message": the comment of the feedback window's selected
// account, at most 80 characters.
class frmFeedbackMessage final : public QDialog, public DefaultInstance<frmFeedbackMessage>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmFeedbackMessage)

public:
    frmFeedbackMessage();
    void Form_Load();

    // Opens the editor modally for the selected row of frmFeedback.
    static void ShowModal();

    static constexpr int kMaxLength = 80;

    QLabel *Label1 = nullptr;
    QLineEdit *txtFB = nullptr;
    QLabel *lblCharsLeft = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

    void Form_Activate();
    void txtFB_Change();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;
};
