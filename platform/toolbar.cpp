#include "platform/toolbar.h"

#include <QAction>

Toolbar::Toolbar(QWidget *parent) : QToolBar(parent)
{
    setMovable(false);
    setIconSize(QSize(16, 16));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
}

QAction *Toolbar::AddButton(const QString &key, Style style, const QIcon &icon, const QString &toolTip)
{
    QAction *action = style == Separator ? addSeparator() : addAction(icon, QString());
    action->setObjectName(key);
    if (style != Separator) {
        action->setToolTip(toolTip);
        action->setCheckable(style == Check);
        connect(action, &QAction::triggered, this, [this, key] { emit ButtonClick(key); });
    }
    m_keys << key;
    m_actions << action;
    m_styles << style;
    return action;
}

QAction *Toolbar::ButtonByKey(const QString &key) const
{
    for (int i = 0; i < m_keys.size(); ++i)
        if (m_keys[i].compare(key, Qt::CaseInsensitive) == 0)
            return m_actions[i];
    return nullptr;
}

Toolbar::Style Toolbar::StyleOf(const QString &key) const
{
    for (int i = 0; i < m_keys.size(); ++i)
        if (m_keys[i].compare(key, Qt::CaseInsensitive) == 0)
            return m_styles[i];
    return Button;
}

int Toolbar::Value(const QString &key) const
{
    const QAction *a = ButtonByKey(key);
    return a && a->isChecked() ? 1 : 0;
}

void Toolbar::setValue(const QString &key, int value)
{
    if (QAction *a = ButtonByKey(key))
        a->setChecked(value != 0);
}

bool Toolbar::Enabled(const QString &key) const
{
    const QAction *a = ButtonByKey(key);
    return a && a->isEnabled();
}

void Toolbar::setEnabled(const QString &key, bool on)
{
    if (QAction *a = ButtonByKey(key))
        a->setEnabled(on);
}
