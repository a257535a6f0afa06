#include "mainwindow/frmautosignin.h"

#include "platform/msgbox.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

frmAutoSignIn::frmAutoSignIn() : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmAutoSignIn"));
    setWindowTitle(Desktop::AppTitle());
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(QStringLiteral("Signing In..."), this);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    resize(220, 70);
}

void frmAutoSignIn::Form_LostFocus()
{
    unloadInstance();
}

bool frmAutoSignIn::event(QEvent *event)
{
    if (event->type() == QEvent::WindowDeactivate && isLoaded()) {
        Form_LostFocus();
        return true;
    }
    return QWidget::event(event);
}
