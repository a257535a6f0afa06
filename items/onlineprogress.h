#pragma once

#include <QDialog>

class Inet;
class QLabel;
class QProgressBar;
class QPushButton;

// The progress window the online-service export and import share: a step
// text, a percentage bar, a busy indicator, Cancel, and the window's own
// transfer control. The work runs once, when the window is first shown.
class OnlineProgressWindow : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OnlineProgressWindow)

public:
    QLabel *Label1 = nullptr;
    QProgressBar *ProgressBar = nullptr;
    QProgressBar *Animation = nullptr; // busy indicator
    QLabel *Picture1 = nullptr;
    QPushButton *cmdCancel = nullptr;
    ::Inet *Inet = nullptr;

    // Runs the window's work and closes it.
    virtual void Form_Activate() = 0;
    void cmdCancel_Click();

protected:
    explicit OnlineProgressWindow(const QString &caption);
    void showEvent(QShowEvent *event) override;
    // Esc and the close box cancel like the button: the work stops at its
    // next check and closes the window itself.
    void reject() override;
    // The percentage, left as it was when outside 0 to 100.
    void setPercent(double percent);
    // The running work sees this at its next check.
    bool m_cancel = false;

private:
    bool m_activated = false;
};
