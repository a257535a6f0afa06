// Real message boxes, as on screen: the window that was active when a box
// opened may go while the box waits (the splash closing itself, a wizard or a
// progress window that ends), and the box must still be there to answer.
#include "platform/msgbox.h"

#include "tests/support/msgboxscript.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace {

struct WindowEnd
{
    const char *how;
    std::function<void(QWidget *)> end;
};

// Clicks `button` of the box that waits, once it is shown; records whether
// it was there to click.
void answerWhenShown(QMessageBox::StandardButton button, bool &clicked)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, button, &clicked] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        if (QAbstractButton *b = box->button(button)) {
            clicked = true;
            b->click();
        }
    });
    poll->start(50);
}

} // namespace

TEST(MsgBox, ABoxOutlivesTheWindowThatWasActiveWhenItOpened)
{
    Desktop::setMsgBoxResponder({});
    const QList<WindowEnd> ends = {
        {"deleted at once", [](QWidget *w) { delete w; }},
        {"deleted later", [](QWidget *w) { w->deleteLater(); }},
        {"closed, deleting itself", [](QWidget *w) {
             w->setAttribute(Qt::WA_DeleteOnClose);
             w->close();
         }},
    };
    for (const WindowEnd &end : ends) {
        SCOPED_TRACE(end.how);
        QPointer<QWidget> window = new QWidget;
        window->resize(300, 200);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == window; }, 10000));

        // The window goes while the box waits; the box is answered after.
        bool clicked = false;
        QTimer::singleShot(200, window, [&end, &window, &clicked] {
            end.end(window);
            answerWhenShown(QMessageBox::No, clicked);
        });
        const int answer = Desktop::MsgBox(QStringLiteral("Go on?"), Desktop::BoxYesNo | Desktop::BoxQuestion);
        EXPECT_TRUE(clicked) << "the box went with the window";
        EXPECT_EQ(answer, Desktop::AnswerNo);
        EXPECT_TRUE(waitFor([&] { return window.isNull(); }, 5000));
    }
    MsgBoxScript::installDefault();
}
