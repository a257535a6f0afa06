// What SIGTERM and SIGINT do once caught, without the signal: the request sets
// blnForceExit and asks the main window to unload, again every half second
// while the shut-down refuses or a handler waits below; an open question
// closes with its cancel answer.
#include "app/endrequest.h"
#include "foundation/mainformshell.h"
#include "platform/msgbox.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QTimer>

namespace {

// What the shut-down saw; kept outside the window, which deletes itself.
struct Seen
{
    QElapsedTimer clock;
    QList<bool> forceExitAtQuery;
    QList<qint64> queryMs;
    int refusals = 0;
    bool unloaded = false;
};

class RefusingWindow final : public frmMainShell
{
public:
    explicit RefusingWindow(Seen &seen) : m_seen(seen) {}

protected:
    bool Form_QueryUnload() override
    {
        m_seen.forceExitAtQuery << blnForceExit;
        m_seen.queryMs << m_seen.clock.elapsed();
        return m_seen.refusals-- > 0;
    }
    void Form_Unload() override { m_seen.unloaded = true; }

private:
    Seen &m_seen;
};

} // namespace

TEST(EndRequest, SetsForceExitAndAsksTheMainWindowToUnloadEveryHalfSecondUntilItDoes)
{
    Seen seen;
    seen.refusals = 2;
    frmMainShell::setFactory([&seen] { return new RefusingWindow(seen); });
    frmMainShell::instance();
    seen.clock.start();

    EndRequest::Request();
    EXPECT_EQ(seen.queryMs.size(), 1) << "the first attempt at once";
    EXPECT_TRUE(EndRequest::Pending());
    EndRequest::Request(); // a second request while the first waits adds nothing
    ASSERT_TRUE(waitFor([&seen] { return seen.unloaded; }, 10000));
    frmMainShell::setFactory({});

    EXPECT_EQ(seen.forceExitAtQuery, QList<bool>({true, true, true})) << "no question can be answered";
    ASSERT_EQ(seen.queryMs.size(), 3);
    // Half a second apart (a timer may fire a little early, never much).
    for (int i = 1; i < 3; ++i)
        EXPECT_GE(seen.queryMs[i] - seen.queryMs[i - 1], 400);
    EXPECT_FALSE(frmMainShell::isLoaded());
    EXPECT_FALSE(EndRequest::Pending());
    EndRequest::Reset();
}

// A handler of the main window waits for a page, letting events run; the
// signal comes meanwhile. Unloading then would delete the window under the
// handler, which goes on with it when the wait is over.
TEST(EndRequest, TheMainWindowIsNotUnloadedUnderAHandlerThatWaits)
{
    Seen seen;
    frmMainShell::setFactory([&seen] { return new RefusingWindow(seen); });
    frmMainShell::instance();
    seen.clock.start();
    bool waiting = false;
    qsizetype asksWhileWaiting = -1;
    QTimer::singleShot(0, [&] {
        waiting = true;
        QTimer::singleShot(100, [] { EndRequest::Request(); });
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < 1200)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        asksWhileWaiting = seen.queryMs.size();
        waiting = false;
    });
    ASSERT_TRUE(waitFor([&seen] { return seen.unloaded; }, 10000));
    frmMainShell::setFactory({});
    EXPECT_EQ(asksWhileWaiting, 0) << "the shut-down ran under the waiting handler";
    EXPECT_FALSE(waiting);
    EXPECT_EQ(seen.forceExitAtQuery, QList<bool>({true}));
    EndRequest::Reset();
}

TEST(EndRequest, WhileTheProgramStartsItsQuestionsCloseWithTheirCancelAnswer)
{
    // Real boxes, as on screen: nobody answers them.
    Desktop::setMsgBoxResponder({});
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(300, [] { EndRequest::Request(); });
    const int reset = Desktop::MsgBox(QStringLiteral("Reset program settings?"),
                                      Desktop::BoxYesNo | Desktop::BoxCritical | Desktop::BoxDefaultButton2);
    EXPECT_EQ(reset, Desktop::AnswerNo);
    EXPECT_LT(clock.elapsed(), 15000);
    EXPECT_TRUE(EndRequest::Requested());

    // Later questions of the start are not asked: their cancel answer at once.
    clock.restart();
    EXPECT_EQ(Desktop::MsgBox(QStringLiteral("Keep it?"), Desktop::BoxYesNoCancel), Desktop::AnswerCancel);
    EXPECT_EQ(Desktop::MsgBox(QStringLiteral("Rename the list?"), Desktop::BoxYesNo | Desktop::BoxExclamation), Desktop::AnswerNo);
    EXPECT_EQ(Desktop::MsgBox(QStringLiteral("Error while reading")), Desktop::AnswerOK);
    EXPECT_LT(clock.elapsed(), 10000);

    EndRequest::Reset();
    MsgBoxScript::installDefault();
}
