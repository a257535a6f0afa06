#include "platform/msgbox.h"

#include "platform/desktop.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
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

bool &cancelled()
{
    static bool c = false;
    return c;
}

QList<QPointer<QMessageBox>> &openBoxes()
{
    static QList<QPointer<QMessageBox>> boxes;
    return boxes;
}

// What closing a box without a click means: Cancel where there is one, else
// the last button (No of Yes/No, the only OK).
int cancelAnswer(const QList<ButtonSpec> &buttons)
{
    for (const auto &b : buttons)
        if (b.result == AnswerCancel)
            return AnswerCancel;
    return buttons.back().result;
}

} // namespace

void CancelBoxes(bool on)
{
    cancelled() = on;
    if (!on)
        return;
    const auto boxes = openBoxes();
    for (const QPointer<QMessageBox> &box : boxes)
        if (box)
            box->reject();
}

bool BoxesCancelled() { return cancelled(); }

QString AppTitle() { return QStringLiteral("Tallowmere"); }

void setMsgBoxResponder(MsgBoxResponder r) { responder() = std::move(r); }

int MsgBox(const QString &prompt, int style, const QString &title)
{
    const MsgBoxCall call{prompt, style, title.isEmpty() ? AppTitle() : title};
    const auto buttons = buttonsFor(style);
    if (cancelled())
        return cancelAnswer(buttons);
    if (responder())
        return responder()(call);

    // No parent: the window active now (the splash, a wizard, a progress
    // window) may close and delete itself while the box waits, and would take
    // the box with it. The box is placed over that window instead.
    QMessageBox box(iconFor(style), call.title, prompt, QMessageBox::NoButton);
    // Prompts can carry page and user text (titles, addresses): never markup.
    box.setTextFormat(Qt::PlainText);
    for (const auto &b : buttons)
        box.addButton(b.button);
    const int defaultIndex = std::min<int>((style & 0x300) >> 8, buttons.size() - 1);
    box.setDefaultButton(buttons[defaultIndex].button);
    if (style & 0x1000) // system modal: keep it in front
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (const QWidget *active = QApplication::activeWindow())
        CentreOver(box, *active);
    openBoxes() << &box;
    box.exec();
    openBoxes().removeAll(&box);
    if (cancelled())
        return cancelAnswer(buttons);
    const auto clicked = box.standardButton(box.clickedButton());
    for (const auto &b : buttons)
        if (b.button == clicked)
            return b.result;
    // Closed with Esc or the close box.
    return cancelAnswer(buttons);
}

} // namespace Desktop
