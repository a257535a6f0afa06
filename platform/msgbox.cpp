#include "platform/msgbox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace Vb {

namespace {

MsgBoxResponder &responder()
{
    static MsgBoxResponder r;
    return r;
}

struct ButtonSpec
{
    QMessageBox::StandardButton button;
    int result;
};

QList<ButtonSpec> buttonsFor(int style)
{
    switch (style & 7) {
    case vbOKCancel: return {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}};
    case vbAbortRetryIgnore: return {{QMessageBox::Abort, vbAbort}, {QMessageBox::Retry, vbRetry}, {QMessageBox::Ignore, vbIgnore}};
    case vbYesNoCancel: return {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}};
    case vbYesNo: return {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}};
    case vbRetryCancel: return {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}};
    default: return {{QMessageBox::Ok, vbOK}};
    }
}

QMessageBox::Icon iconFor(int style)
{
    switch (style & 0x70) {
    case vbCritical: return QMessageBox::Critical;
    case vbQuestion: return QMessageBox::Question;
    case vbExclamation: return QMessageBox::Warning;
    case vbInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

} // namespace

QString AppTitle() { return QStringLiteral("Tallowmere"); }

void setMsgBoxResponder(MsgBoxResponder r) { responder() = std::move(r); }

int MsgBox(const QString &prompt, int style, const QString &title)
{
    const MsgBoxCall call{prompt, style, title.isEmpty() ? AppTitle() : title};
    if (responder())
        return responder()(call);

    const auto buttons = buttonsFor(style);
    QMessageBox box(iconFor(style), call.title, prompt, QMessageBox::NoButton, QApplication::activeWindow());
    for (const auto &b : buttons)
        box.addButton(b.button);
    const int defaultIndex = std::min<int>((style & 0x300) >> 8, buttons.size() - 1);
    box.setDefaultButton(buttons[defaultIndex].button);
    if (style & 0x1000) // system modal: keep it in front
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const auto &b : buttons)
        if (b.button == clicked)
            return b.result;
    // Closed with Esc or the close box: Cancel where there is one, else the last button.
    for (const auto &b : buttons)
        if (b.result == vbCancel)
            return vbCancel;
    return buttons.size() == 1 ? buttons.front().result : buttons.back().result;
}

} // namespace Vb
