#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Adds one saved search to frmAutoSearch's list: its address, name, the
// notification choice and the Buy It Now price range it shows.
class frmAddAutoSearch final : public QDialog, public DefaultInstance<frmAddAutoSearch>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAddAutoSearch)

public:
    frmAddAutoSearch();

    // Opens the window modally (a fresh instance each time).
    static void ShowModal();

    QLabel *Label1 = nullptr;
    QLineEdit *txtSearchURL = nullptr;
    QLabel *Label2 = nullptr;
    QCheckBox *chkScreenNotif = nullptr;
    QCheckBox *chkEmailNotif = nullptr;
    QLineEdit *Text3 = nullptr;
    QCheckBox *chkBuy = nullptr;
    QLineEdit *txtBINMin = nullptr;
    QLabel *Label5 = nullptr;
    QLineEdit *txtBINMax = nullptr;
    QCheckBox *chkBuyDescInText = nullptr;
    QLineEdit *Text1 = nullptr;
    QCheckBox *Check5 = nullptr;
    QLineEdit *Text5 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *Text6 = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *txtSearchName = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

    void txtSearchURL_Change();
    void cmdOK_Click();
    void cmdCancel_Click();
};
