#include "foundation/frmsystray.h"

#include "foundation/mainformshell.h"
#include "platform/msgbox.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QWidget>

namespace {

// The mouse messages the notification area reports.
enum MouseMessage {
    WM_MOUSEMOVE = 512, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
    WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK,
};

} // namespace

frmSysTray::frmSysTray() = default;

frmSysTray::~frmSysTray()
{
    delete m_icon;
}

bool frmSysTray::TrayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QString frmSysTray::MouseMessageCode(int message)
{
    static const char *const codes[] = {"MOUSEMOVE", "LBUTTONDOWN", "LBUTTONUP", "LBUTTONDBLCLK", "RBUTTONDOWN",
                                        "RBUTTONUP", "RBUTTONDBLCLK", "MBUTTONDOWN", "MBUTTONUP", "MBUTTONDBLCLK"};
    if (message >= WM_MOUSEMOVE && message <= WM_MBUTTONDBLCLK)
        return QString::fromLatin1(codes[message - WM_MOUSEMOVE]);
    return QStringLiteral("OTHER....: ") + QString::number(message);
}

void frmSysTray::Notify(int mouseMessage)
{
    emit Click(MouseMessageCode(mouseMessage));
}

void frmSysTray::Form_Load()
{
    setTooltip(Desktop::AppTitle());
    UpdateIcon(0);
}

void frmSysTray::setTooltip(const QString &tip)
{
    m_tip = tip.left(63);
}

bool frmSysTray::IconShown() const
{
    return m_icon && m_icon->isVisible();
}

void frmSysTray::setFSys(QWidget *owner)
{
    if (m_owner)
        disconnect(m_owner, nullptr, this, nullptr);
    m_owner = owner;
    if (owner)
        connect(owner, &QObject::destroyed, this, &frmSysTray::FSys_Unload);
}

void frmSysTray::FSys_Unload()
{
    UpdateIcon(2);
    deleteLater();
}

void frmSysTray::UpdateIcon(int Value)
{
    if (Value == 2) {
        delete m_icon;
        m_icon = nullptr;
        return;
    }
    if (!m_icon) {
        if (Value != 0)
            return; // nothing to change before the icon was added
        m_icon = new QSystemTrayIcon(this);
        // Qt reports activations, not mouse messages: each maps to the
        // message that ends that action.
        connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            switch (reason) {
            case QSystemTrayIcon::Trigger: Notify(WM_LBUTTONUP); break;
            case QSystemTrayIcon::DoubleClick: Notify(WM_LBUTTONDBLCLK); break;
            case QSystemTrayIcon::MiddleClick: Notify(WM_MBUTTONUP); break;
            case QSystemTrayIcon::Context: Notify(WM_RBUTTONUP); break;
            default: break;
            }
        });
    }
    const QWidget *owner = m_owner ? m_owner.data() : (frmMainShell::isLoaded() ? &MainForm() : nullptr);
    QIcon icon = owner ? owner->windowIcon() : QApplication::windowIcon();
    m_icon->setIcon(icon);
    m_icon->setToolTip(m_tip);
    m_icon->show();
}
