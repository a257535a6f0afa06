#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>
#include <QTime>

#include <optional>

class Inet;
class QCalendarWidget;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Schedule Item Relisting": adds an entry to the relist schedule or changes
// the selected one. OK checks the fields, reads the item's page for its
// seller and title, takes only items sold by one of the program's accounts
// and writes the row straight into the schedule's list.
class frmAddRelist final : public QDialog, public DefaultInstance<frmAddRelist>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAddRelist)

public:
    frmAddRelist();
    void Form_Load();

    // Shows the editor modally for a new entry.
    static void ShowModal(bool edit);
    // Shows it modally on a row: item number, period and the next-relisting
    // text, whose time goes to the 12-hour fields and whose date part (the
    // text before its first blank) to the calendar.
    static void ShowModalForEdit(const QString &itemNumber, const QString &period, const QString &nextRelisting);
    // Fills the fields from a row without showing the window.
    void FillForEdit(const QString &itemNumber, const QString &period, const QString &nextRelisting);

    // OK changes the selected row (true) or adds a row (false).
    bool blnEdit = false;

    QLineEdit *txtItemNum = nullptr;
    QLineEdit *txtFreq = nullptr;
    QLineEdit *txtHour = nullptr;
    QLineEdit *txtMinute = nullptr;
    QComboBox *ddnAMPM = nullptr;
    QCalendarWidget *Calendar = nullptr;
    QLabel *lblRet = nullptr;
    Inet *m_inet = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

    // The time of day of the 12-hour fields; nothing (after its message) when
    // the hour or the minute is not a whole number in range.
    std::optional<QTime> GetTime();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setFetching(bool on);
};
