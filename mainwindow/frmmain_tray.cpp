// The main window's trips into the notification area and back, and the
// status bar's feedback panel.
#include "mainwindow/frmmain.h"

#include "foundation/frmsignin.h"
#include "foundation/frmsystray.h"
#include "foundation/settingsstore.h"
#include "platform/desktop.h"
#include "platform/statusbar.h"

#include <QEvent>
#include <QMenu>
#include <QWindowStateChangeEvent>

void frmMain::StatusBar_PanelClick(const QString &key)
{
    if (key != QLatin1String("Feedback"))
        return;
    const StatusPanel *panel = StatusBar->Panel(key);
    mnuUser->popup(mapToGlobal(QPoint(panel->mapTo(this, QPoint(0, 0)).x(), StatusBar->y())));
}

void frmMain::putInTray()
{
    TrayIcon = new frmSysTray;
    TrayIcon->Form_Load();
    TrayIcon->setFSys(this);
    connect(TrayIcon, &frmSysTray::Click, this, [this](const QString &what) { TrayIcon_Click(what); });
    hide();
}

// Without a notification area a hidden window could not be reached again:
// it is minimised to the task bar instead.
void frmMain::minimiseWithoutTray()
{
    if (!(windowState() & Qt::WindowMinimized))
        setWindowState(windowState() | Qt::WindowMinimized);
}

void frmMain::mnuFileTray_Click()
{
    if (TrayIcon)
        return;
    if (!frmSysTray::TrayAvailable()) {
        minimiseWithoutTray();
        return;
    }
    putInTray();
}

void frmMain::TrayIcon_Click(const QString &ClickWhat)
{
    if (ClickWhat != QLatin1String("LBUTTONUP"))
        return;
    try {
        if (!TrayIcon)
            throw std::runtime_error("no tray window");
        TrayIcon->UpdateIcon(2);
        Desktop::DoEvents();
        TrayIcon->deleteLater();
        TrayIcon = nullptr;

        if (GetSetting(QStringLiteral("Login")) != QLatin1String("QXR")) {
            // A correct password restores the window from inside the prompt.
            blnAuthorized = false;
            const bool forceExitBefore = blnForceExit;
            frmSignIn::ShowModal();
            if (!blnAuthorized) {
                // The prompt's Cancel marks the program for an exit without
                // questions; here the program goes on in the tray, so a later
                // exit must still ask about pending snipes.
                blnForceExit = forceExitBefore;
                putInTray();
                return;
            }
        } else {
            setWindowState(LastWinState == 2 ? Qt::WindowMaximized : Qt::WindowNoState);
            show();
            activateWindow();
        }
    } catch (...) {
        if (!isVisible() && frmSysTray::TrayAvailable()) {
            try {
                putInTray();
            } catch (...) {
            }
        } else if (!isVisible()) {
            showMinimized();
        }
    }
}

void frmMain::mnuFileChangeUser_Click()
{
    const bool forceExitBefore = blnForceExit;
    if (!frmSignIn::ShowModal(true))
        blnForceExit = forceExitBefore; // the program goes on with the same user
}

void frmMain::changeEvent(QEvent *event)
{
    frmMainEngine::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}
