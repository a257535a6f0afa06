#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

// "Item Activity Notifications": which activity of the selected row of the
// auction list notifies the user, kept in the row's "reminders" field as
// tokens in the order "b" (new bids), "q" (quantity changed), "t" N "["
// unit "]" (time left below N minutes, hours or days) and "p" price ";"
// (price reached).
class frmRemind final : public QDialog, public DefaultInstance<frmRemind>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmRemind)

public:
    frmRemind();
    void Form_Load();

    // Opens the window modally on the selected row, captioned
    // "Notifications - " and the row's title (a fresh instance each time);
    // does nothing while no row is selected.
    static void ShowModal();

    QLabel *Label1 = nullptr;
    QCheckBox *chkBids = nullptr;
    QCheckBox *chkQty = nullptr;
    QCheckBox *chkTime = nullptr;
    QLineEdit *txtTime = nullptr;
    QComboBox *ddnTime = nullptr;
    QLabel *Label2 = nullptr;
    QCheckBox *chkPrice = nullptr;
    QLineEdit *txtPrice = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Key filters; true when the key is swallowed.
    bool txtTime_KeyPress(QKeyEvent *key);
    bool txtPrice_KeyPress(QKeyEvent *key);

    // The item number of the row the window was opened on.
    QString m_itemNumber;
};
