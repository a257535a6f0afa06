#pragma once

#include "platform/defaultinstance.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class TickTimer;

// A small borderless box for typing or pasting an item number: Enter opens
// the add-item wizard on it; Esc or a click elsewhere closes the box. Left
// alone for 2 seconds it grows and scrolls a hint through itself.
class frmItemNumber final : public QWidget, public DefaultInstance<frmItemNumber>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmItemNumber)

public:
    frmItemNumber();
    void Form_Load();

    // Shows the box (not modal) with its top-left corner at `topLeft` (screen pixels).
    static void ShowAt(const QPoint &topLeft);

    QLineEdit *txtItemNum = nullptr;
    QLabel *Label1 = nullptr;
    TickTimer *Timer1 = nullptr;

    void Timer1_Timer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Handles a key of the text field; true when the key is swallowed.
    bool txtItemNum_KeyPress(QKeyEvent *key);
    void openWizard(const QString &number);
};

// The "Add Auction" command: the wizard on the item the browser shows, or
// the item-number box below the toolbar's button.
void AddAuctionCommand();
