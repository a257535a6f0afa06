#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QSystemTrayIcon;
class QWidget;

// The notification-area window: while it is loaded the program has a tray
// icon. Every mouse action on the icon reaches the owning window (FSys)
// through Click, named as the mouse messages were ("LBUTTONUP" ...). A new
// one is made for each stay in the tray; it removes its icon when its owner
// goes away.
class frmSysTray final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSysTray)

public:
    frmSysTray();
    ~frmSysTray() override;

    // Takes the owner's icon, sets the tooltip to the program title and adds
    // the icon.
    void Form_Load();
    // 0 adds, 1 changes, 2 removes the icon.
    void UpdateIcon(int Value);
    // Stores the tooltip (63 characters at most); UpdateIcon passes it on.
    void setTooltip(const QString &tip);
    QString Tooltip() const { return m_tip; }
    bool IconShown() const;

    // The owner, whose unloading removes the icon and this window.
    void setFSys(QWidget *owner);
    QWidget *FSys() const { return m_owner; }

    // Whether this desktop has a notification area at all.
    static bool TrayAvailable();

    // The code text of a mouse message number (512 "MOUSEMOVE" ... 521
    // "MBUTTONDBLCLK", anything else "OTHER....: n").
    static QString MouseMessageCode(int message);
    // Delivers one mouse message as the notification area would.
    void Notify(int mouseMessage);

signals:
    void Click(const QString &ClickWhat);

private:
    void FSys_Unload();

    QSystemTrayIcon *m_icon = nullptr;
    QString m_tip;
    QPointer<QWidget> m_owner;
};
