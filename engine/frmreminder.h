#pragma once

#include "platform/defaultinstance.h"

#include <QWidget>

class ListItem;
class ListView;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The list of notifications that have fired ("Notifications - " and the
// program title). Rows are added only by frmMain.Remind: text = item
// number, first sub-item = item title, Tag = the notification's text. The
// selected row's text shows in txtDesc; Previous and Next walk the rows.
// Closing the window discards the list.
class frmReminder final : public QWidget, public DefaultInstance<frmReminder>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmReminder)

public:
    frmReminder();
    void Form_Load();

    // Brings the list to the front; when it opens it is placed over the
    // middle of `owner`, and where the user moved it after that it stays.
    void ShowOver(const QWidget &owner);

    // Shows the selected row's text and enables Previous and Next by the
    // row's place in the list. Nothing changes without a selected row.
    void UpdateButtons();

    void cmdBack_Click();
    void cmdNext_Click();
    void cmdOK_Click();
    void lvwReminders_ItemClick(ListItem *Item);

    QLabel *Label1 = nullptr;
    ListView *lvwReminders = nullptr;
    QPlainTextEdit *txtDesc = nullptr;
    QPushButton *cmdBack = nullptr;
    QPushButton *cmdNext = nullptr;
    QPushButton *cmdOK = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void selectRow(int index1);
};
