#include "platform/msgbox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace Desktop {

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
    case BoxOKCancel: return {{QMessageBox::Ok, AnswerOK}, {QMessageBox::Cancel, AnswerCancel}};
    case BoxAbortRetryIgnore: return {{QMessageBox::Abort, AnswerAbort}, {QMessageBox::Retry, AnswerRetry}, {QMessageBox::Ignore, AnswerIgnore}};
    case BoxYesNoCancel: return {{QMessageBox::Yes, AnswerYes}, {QMessageBox::No, AnswerNo}, {QMessageBox::Cancel, AnswerCancel}};
    case BoxYesNo: return {{QMessageBox::Yes, AnswerYes}, {QMessageBox::No, AnswerNo}};
    case BoxRetryCancel: return {{QMessageBox::Retry, AnswerRetry}, {QMessageBox::Cancel, AnswerCancel}};
    default: return {{QMessageBox::Ok, AnswerOK}};
    }
}

QMessageBox::Icon iconFor(int style)
{
    switch (style & 0x70) {
    case BoxCritical: return QMessageBox::Critical;
    case BoxQuestion: return QMessageBox::Question;
    case BoxExclamation: return QMessageBox::Warning;
    case BoxInformation: return QMessageBox::Information;
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
    // Prompts can carry page and user text (titles, addresses): never markup.
    box.setTextFormat(Qt::PlainText);
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
        if (b.result == AnswerCancel)
            return AnswerCancel;
    return buttons.size() == 1 ? buttons.front().result : buttons.back().result;
}

} // namespace Desktop
