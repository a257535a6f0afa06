#pragma once

#include "platform/defaultinstance.h"

#include <QDateTime>
#include <QDialog>

#include <functional>

class ListItem;
class ListView;
class QPushButton;
class TickTimer;

// "Scheduled Relistings": the seller's relist schedule, kept in "relist.dat",
// and its scheduler. The window outlives its showing: closed while it holds
// entries it only hides, so the scheduler keeps relisting while the program
// runs. Each minute the timer moves a due entry forward one period and has
// the relist robot relist it, unless it is half an hour late or more.
class frmRelistItems final : public QDialog, public DefaultInstance<frmRelistItems>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmRelistItems)

public:
    frmRelistItems();
    void Form_Load();

    // The menu command's entry point: shows the schedule modally.
    static void ShowRelistItems();
    // Installs the start-up loader's and the shut-down's hooks.
    static void Register();

    // Writes "relist.dat" from the rows; false when it could not be written.
    bool SaveList();

    ListView *lvwRelist = nullptr;
    TickTimer *tmrTimer = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdEdit = nullptr;
    QPushButton *cmdRem = nullptr;
    QPushButton *cmdRelistNow = nullptr;
    QPushButton *cmdView = nullptr;
    QPushButton *cmdDone = nullptr;

    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdRem_Click();
    void cmdRelistNow_Click();
    void cmdView_Click();
    void tmrTimer_Timer();
    // True keeps the window (hidden) while it holds entries.
    bool Form_QueryUnload();

    // The scheduler's clock; tests set a fixed moment.
    inline static std::function<QDateTime()> Clock;
    // Relists one row; empty runs the relist robot. Tests put a stand-in here.
    inline static std::function<void(ListItem *)> RelistHook;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QDateTime now() const;
    // Every column as wide as its heading and values, and the window wide
    // enough to show them all (within the screen).
    void fitColumns();
    void relistRow(ListItem *row, QWidget *owner);
    // Set when a schedule file refused as too large could not go aside: the
    // refused file is never written over.
    bool m_keepRefusedFile = false;
};
