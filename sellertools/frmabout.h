#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>
#include <QString>

class QLabel;

// The program's title, version and data folder (a click opens the folder in
// the desktop's file manager), and a support console: typing a command that
// begins with "/" into the window runs it.
class frmAbout final : public QDialog, public DefaultInstance<frmAbout>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAbout)

public:
    frmAbout();
    void Form_Load();

    // Opens the window modally (the Help menu's "About").
    static void ShowModal();

    // The command typed so far.
    QString Text;

    QLabel *Image1 = nullptr;
    QLabel *lblAppVer = nullptr;
    QLabel *lblDataCaption = nullptr;
    QLabel *lblDataPath = nullptr;
    QLabel *lblStatus = nullptr;

    void lblDataPath_Click();
    void lblStatus_Click();
    void Form_KeyDown(int KeyCode);
    // One typed character (its character code; 8 is Backspace).
    void Form_KeyPress(int KeyAscii);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void restoreCaption();
    // Runs `Text` when it is one of the console's commands.
    void runCommand();
    void finishCommand(const QString &message, const std::function<void()> &effectBefore,
                       const std::function<void()> &effectAfter);
};
