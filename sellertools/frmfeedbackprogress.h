#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>

class Inet;
class QLabel;
class QProgressBar;
class QPushButton;

// "Feedback Progress": the feedback run. For every account checked in the
// feedback window it reads the feedback received as a seller and the
// feedback already left, and leaves the account's comment as positive
// feedback for each buyer who left positive feedback in the last 10 days and
// has not been rated yet. Shown from the feedback window it runs as it
// opens and closes itself; the refresh calls LeaveFeedback on the unseen
// window and reads its progress in the main window's "Status" panel.
class frmFeedbackProgress final : public QDialog, public DefaultInstance<frmFeedbackProgress>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmFeedbackProgress)

public:
    frmFeedbackProgress();

    // Installs the run as the one the refresh calls.
    static void Register();
    // "Leave Feedback Now": the window, modally, for one run.
    static void ShowModal();

    // Asks the run to stop at its next check.
    bool blnCancel = false;

    QLabel *lblStatus = nullptr;
    QProgressBar *ProgressBar = nullptr;
    QPushButton *cmdCancel = nullptr;
    ::Inet *Inet = nullptr;

    void LeaveFeedback();
    void Form_Activate();
    void cmdCancel_Click();

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    // One account's part of the run; false when the run was cancelled.
    bool leaveFor(const QString &user, const QString &comment);
    void status(const QString &text);
    QString fetch(const QString &url);

    bool m_running = false;
    bool m_activated = false;
};
