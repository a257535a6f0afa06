#include "platform/msgbox.h"

#include "platform/desktop.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <algorithm>

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

// The window a box opens over: the one the user works in, else the
// program's main window (while a splash that has just gone leaves none active).
const QWidget *ownerWindow()
{
    if (const QWidget *active = QApplication::activeWindow(); active && !qobject_cast<const QMessageBox *>(active))
        return active;
    for (const QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && qobject_cast<const QMainWindow *>(w))
            return w;
    return nullptr;
}

// A box over the middle of its owner, then down and right of each box
// opened before it that it would cover: notices opened together each show
// their title and first lines instead of lying on top of each other.
void place(QWidget &box, const QWidget *owner, const QList<QPointer<QMessageBox>> &clearOf)
{
    constexpr int kStep = 40;
    if (owner)
        CentreOver(box, *owner);
    for (const QPointer<QMessageBox> &other : clearOf) {
        if (!other || other == &box || !other->isVisible() || !other->geometry().intersects(box.geometry()))
            continue;
        box.move(std::max(box.x(), other->x() + kStep), std::max(box.y(), other->y() + kStep));
    }
}

// Keeps a box in its place at the size it is shown at: a box fits itself
// to its text only as it is shown, and would otherwise keep the top-left
// corner of the size it was placed at.
class KeptInPlace final : public QObject
{
public:
    KeptInPlace(QWidget &box, const QWidget *owner, QList<QPointer<QMessageBox>> clearOf)
        : QObject(&box), m_owner(owner), m_hasOwner(owner), m_clearOf(std::move(clearOf))
    {
        box.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if ((event->type() == QEvent::Show || event->type() == QEvent::Resize) && (m_owner || !m_hasOwner))
            place(*static_cast<QWidget *>(watched), m_owner, m_clearOf);
        return false;
    }

private:
    QPointer<const QWidget> m_owner;
    bool m_hasOwner;
    QList<QPointer<QMessageBox>> m_clearOf;
};

// A box made as every box of the program is: its icon, its text never taken
// as markup (prompts carry page and user text), no parent (the window active
// now may close and delete itself while the box waits, and would take the
// box with it), placed over its owner instead.
void prepare(QMessageBox &box, const QList<ButtonSpec> &buttons, int style)
{
    box.setTextFormat(Qt::PlainText);
    for (const auto &b : buttons)
        box.addButton(b.button);
    const int defaultIndex = std::min<int>((style & 0x300) >> 8, buttons.size() - 1);
    box.setDefaultButton(buttons[defaultIndex].button);
    if (style & 0x1000) // system modal: keep it in front
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    // The boxes open now; this one is not among them yet.
    const QList<QPointer<QMessageBox>> openBefore = openBoxes();
    const QWidget *owner = ownerWindow();
    place(box, owner, openBefore);
    new KeptInPlace(box, owner, openBefore);
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

    QMessageBox box(iconFor(style), call.title, prompt, QMessageBox::NoButton);
    prepare(box, buttons, style);
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

void Notice(const QString &prompt, int style, const QString &title)
{
    const MsgBoxCall call{prompt, style & ~7, title.isEmpty() ? AppTitle() : title};
    if (cancelled())
        return;
    if (responder()) {
        responder()(call);
        return;
    }
    auto *box = new QMessageBox(iconFor(style), call.title, prompt, QMessageBox::NoButton);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Left open, it does not keep the program running once its windows close.
    box->setAttribute(Qt::WA_QuitOnClose, false);
    box->setModal(false);
    prepare(*box, buttonsFor(BoxOKOnly), call.style);
    openBoxes() << box;
    QObject::connect(box, &QDialog::finished, [box] { openBoxes().removeAll(box); });
    box->show();
}

} // namespace Desktop
