#pragma once

#include "platform/defaultinstance.h"

#include <QStringList>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// "A New Version is Available": offers the release the update check found,
// with its notes. "Remind Me Tomorrow" closes it (the check already marked
// today as checked); "Update Now" starts the updater from the program folder
// and ends the program. A critical release asks before it is put off.
// Closing without updating switches the main tick back on, since the tick
// stays off while a window opened at start-up is shown.
class frmUpdate final : public QWidget, public DefaultInstance<frmUpdate>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmUpdate)

public:
    frmUpdate();
    void Form_Load();

    // The offered release is critical (set by the check).
    bool blnCritical = false;
    // The update is being started: closing asks nothing more.
    bool blnExit = false;

    QLabel *Image1 = nullptr;
    QLabel *lblMsg = nullptr;
    QLabel *lblCritical = nullptr;
    QPlainTextEdit *txtNotes = nullptr;
    QPushButton *cmdRemind = nullptr;
    QPushButton *cmdUpdate = nullptr;

    void cmdRemind_Click();
    void cmdUpdate_Click();
    // True keeps the window open.
    bool Form_QueryUnload();
    void Form_Deactivate();

    // Where the updater is expected: "tallowmere-updater" in UpdaterFolder,
    // or in the program folder while that is empty (tests point it elsewhere).
    static QString UpdaterPath();
    // What the updater is told: this process, which it waits for, its
    // revision (only a newer release is installed), and the program to
    // update and start again.
    static QStringList UpdaterArguments();
    inline static QString UpdaterFolder;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
};
