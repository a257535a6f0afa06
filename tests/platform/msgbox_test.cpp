// Real message boxes, as on screen: the window that was active when a box
// opened may go while the box waits (the splash closing itself, a wizard or a
// progress window that ends), and the box must still be there to answer.
#include "platform/msgbox.h"

#include "tests/support/msgboxscript.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
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
        EXPECT_TRUE(waitFor([&] { return window.isNull(); }, 30000));
    }
    MsgBoxScript::installDefault();
}

// A box opens over the middle of the main window at the size it is shown
// at, whatever its text, also while no window is active (a splash has just
// gone, the last box has just closed).
TEST(MsgBox, ABoxOpensCentredOverTheMainWindow)
{
    Desktop::setMsgBoxResponder({});
    QMainWindow window;
    window.setGeometry(120, 90, 900, 640);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == &window; }, 10000));
    for (const QString &prompt : {QStringLiteral("Go on?"),
                                  QStringLiteral("You still have snipes waiting to be placed; they will not be placed while "
                                                 "the program is closed.\r\n\r\nExit anyway?")}) {
        SCOPED_TRACE(prompt.toStdString());
        QRect shownAt;
        bool clicked = false;
        auto *poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            shownAt = box->frameGeometry();
            clicked = true;
            box->button(QMessageBox::No)->click();
        });
        poll->start(50);
        Desktop::MsgBox(prompt, Desktop::BoxYesNo | Desktop::BoxQuestion);
        ASSERT_TRUE(clicked);
        EXPECT_LE((shownAt.center() - window.frameGeometry().center()).manhattanLength(), 2)
            << "box at " << shownAt.x() << "," << shownAt.y() << " " << shownAt.width() << "x" << shownAt.height();
    }
    MsgBoxScript::installDefault();
}

// Notices opened together (at start-up, one per file) each show their own
// title and first lines: a later one, whatever its size, moves down and
// right of those still open instead of covering them.
TEST(MsgBox, NoticesOpenedTogetherDoNotCoverEachOther)
{
    Desktop::setMsgBoxResponder({});
    QMainWindow window;
    window.setGeometry(120, 90, 900, 640);
    window.show();
    const QStringList texts = {QStringLiteral("Rows were left out of your list."),
                               QStringLiteral("Your favorites file could not be read.\r\n\r\nIt has been saved under "
                                              "another name, and a new favorites list has been started.\r\n\r\n"
                                              "The saved list can be sent to be restored."),
                               QStringLiteral("A third notice.")};
    QList<QMessageBox *> notices; // in the order they opened
    for (const QString &text : texts) {
        Desktop::Notice(text);
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible() && box->text() == text)
                notices << box;
    }
    ASSERT_EQ(notices.size(), texts.size());
    for (int earlier = 0; earlier < notices.size(); ++earlier)
        for (int later = earlier + 1; later < notices.size(); ++later) {
            const QRect shown = notices[earlier]->geometry();
            EXPECT_FALSE(notices[later]->geometry().contains(shown.topLeft() + QPoint(8, 8)))
                << "notice " << later << " covers the start of notice " << earlier;
        }
    for (QMessageBox *box : notices)
        box->close();
    MsgBoxScript::installDefault();
}
