#pragma once

#include <QToolBar>

class QAction;

// A toolbar of keyed buttons: plain buttons, check buttons that stay pressed
// (Value 1 while pressed) and separators.
class Toolbar final : public QToolBar
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Toolbar)
public:
    enum Style { Button, Check, Separator };

    explicit Toolbar(QWidget *parent = nullptr);

    QAction *AddButton(const QString &key, Style style, const QIcon &icon = {}, const QString &toolTip = {});
    QAction *ButtonByKey(const QString &key) const;
    int ButtonCount() const { return m_keys.size(); }
    QString KeyAt(int index0) const { return m_keys.value(index0); }
    Style StyleOf(const QString &key) const;
    // 1 while a check button is pressed, else 0.
    int Value(const QString &key) const;
    void setValue(const QString &key, int value);
    bool Enabled(const QString &key) const;
    void setEnabled(const QString &key, bool on);

signals:
    void ButtonClick(const QString &key);

private:
    QStringList m_keys;
    QList<QAction *> m_actions;
    QList<Style> m_styles;
};
