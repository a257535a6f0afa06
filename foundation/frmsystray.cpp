#include "foundation/frmsystray.h"

#include "platform/msgbox.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QWidget>

frmSysTray::frmSysTray() = default;

frmSysTray::~frmSysTray()
{
    UpdateIcon(2);
}

bool frmSysTray::TrayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void frmSysTray::Form_Load()
{
    m_tip = Vb::AppTitle();
    UpdateIcon(0);
}

void frmSysTray::setToolTip(const QString &tip)
{
    m_tip = tip.left(63); // the notification area keeps 63 characters
    if (m_icon)
        m_icon->setToolTip(m_tip);
}

bool frmSysTray::IconVisible() const
{
    return m_icon && m_icon->isVisible();
}

void frmSysTray::UpdateIcon(int Value)
{
    if (Value == 2) {
        delete m_icon;
        m_icon = nullptr;
        return;
    }
    if (!m_icon) {
        m_icon = new QSystemTrayIcon(this);
        connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            switch (reason) {
            case QSystemTrayIcon::Trigger: emit Click(QStringLiteral("LBUTTONUP")); break;
            case QSystemTrayIcon::DoubleClick: emit Click(QStringLiteral("LBUTTONDBLCLK")); break;
            case QSystemTrayIcon::MiddleClick: emit Click(QStringLiteral("MBUTTONUP")); break;
            case QSystemTrayIcon::Context: emit Click(QStringLiteral("RBUTTONUP")); break;
            default: break;
            }
        });
    }
    const QWidget *owner = FSys ? FSys.data() : QApplication::activeWindow();
    QIcon icon = owner ? owner->windowIcon() : QApplication::windowIcon();
    m_icon->setIcon(icon);
    m_icon->setToolTip(m_tip.left(63));
    m_icon->show();
}
