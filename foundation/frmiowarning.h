#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>

class QLabel;
class QPushButton;

// Explains that HTTP 1.1 in the Internet options can break page downloads and
// offers to switch both options to HTTP 1.0 and end the program.
class frmIOWarning final : public QDialog, public DefaultInstance<frmIOWarning>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmIOWarning)

public:
    frmIOWarning();
    void Form_Load();

    // True when a stored Internet-options value ("EnableHttp1_1" or
    // "ProxyHttp1.1") turns HTTP 1.1 on. The transfer layer here has no such
    // switch and speaks HTTP 1.1 soundly, so a value never stored reads as
    // off, as on a correctly set machine.
    static bool Http11InUse();

    QLabel *lblHeading = nullptr;
    QLabel *lblText1 = nullptr;
    QLabel *lblText2 = nullptr;
    QLabel *lblText3 = nullptr;
    QPushButton *cmdCorrect = nullptr;
    QPushButton *cmdExit = nullptr;

    void cmdCorrect_Click();
    void cmdExit_Click();

protected:
    void reject() override;
};
