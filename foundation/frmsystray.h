#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QSystemTrayIcon;
class QWidget;

// The notification-area window: while it is loaded the program has a tray
// icon. Clicks on the icon reach the owning window (FSys) as the mouse texts
// the program was written against ("LBUTTONUP", "RBUTTONUP" ...).
class frmSysTray final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSysTray)

public:
    frmSysTray();
    ~frmSysTray() override;

    // Adds the icon with the program's title as tooltip.
    void Form_Load();
    // 0 adds, 1 changes, 2 removes the icon.
    void UpdateIcon(int Value);
    void setToolTip(const QString &tip);
    QString ToolTip() const { return m_tip; }
    bool IconVisible() const;

    // Whether this desktop has a notification area at all.
    static bool TrayAvailable();

    // The owning window, whose TrayIcon_Click receives the clicks.
    QPointer<QWidget> FSys;

signals:
    void Click(const QString &ClickWhat);

private:
    QSystemTrayIcon *m_icon = nullptr;
    QString m_tip;
};
