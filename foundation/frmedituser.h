#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>

class ListItem;
class QLabel;
class QLineEdit;
class QPushButton;

// Adds an eBay account to the settings window's account list, or changes the
// selected one, after checking the user ID and password with eBay's sign-in.
// Only the rows change; the settings window's OK stores them.
class frmEditUser final : public QDialog, public DefaultInstance<frmEditUser>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmEditUser)

public:
    frmEditUser();
    void Form_Load();

    // Opens the editor modally over the settings window.
    static void ShowModal(bool edit);

    // Set before the window is loaded: true edits the selected row of the
    // settings window's account list, false adds a row.
    static inline bool blnEdit = false;
    // The row added or changed by OK.
    ListItem *User = nullptr;
    // A rejecting sign-in does not stop the entry (the user ID was typed
    // with a leading "@").
    bool blnByPassAuth = false;

    QLabel *imgIcon = nullptr;
    QLineEdit *txtUser = nullptr;
    QLineEdit *txtPswd = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QLabel *lblAuth = nullptr;

    // The window's height in twips: kNormalHeight, or kCheckingHeight while
    // the sign-in check shows lblAuth below the buttons.
    static constexpr int kNormalHeight = 2415;
    static constexpr int kCheckingHeight = 2760;
    int HeightTwips() const { return m_heightTwips; }
    void setHeightTwips(int twips);

    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setInputEnabled(bool on);
    // Whether another row than the one being edited holds userId.
    bool takenByAnotherRow(const QString &userId) const;

    ListItem *m_editedRow = nullptr;
    int m_heightTwips = kNormalHeight;
    bool m_checking = false;
};
