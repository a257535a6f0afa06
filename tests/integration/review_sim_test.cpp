// The review prompt: opened by the start-up loader when it is due, on top,
// and its two links opening their review pages in the main window's browser.
#include "tests/integration/refreshsimutil.h"

#include "app/menuwiring.h"
#include "engine/startupwindows.h"
#include "platform/webbrowser.h"
#include "sellertools/frmreview.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

using namespace RefreshSim;

TEST(ReviewPrompt, TheLoadersSeamOpensItOnTopAndItsLinksOpenTheReviewPages)
{
    Form &form = FreshForm();
    // The loader decides when the prompt is due and calls its seam, which
    // the program's registration fills.
    RegisterMenuWindows();
    ASSERT_TRUE(StartupWindows::ShowReviewPrompt);
    StartupWindows::ShowReviewPrompt();
    ASSERT_TRUE(frmReview::isLoaded());
    frmReview &w = frmReview::instance();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w.windowTitle(), "Please Review Tallowmere");
    EXPECT_EQ(w.Label1->text(), "You have been using Tallowmere for 30 days, please take the time to review this software on the "
                                "following websites:");

    const struct
    {
        QLabel *link;
        QString path, title;
    } links[] = {{w.Label2, "/reviews/harbor/tallowmere.html", "Download Harbor review"},
                 {w.Label3, "/reviews/lantern/tallowmere.html", "Shareware Lantern review"}};
    for (const auto &l : links) {
        const qint64 mark = Mark();
        QTest::mouseClick(l.link, Qt::LeftButton);
        ASSERT_TRUE(waitFor([&form, &l] { return form.WebBrowser->LocationName() == l.title; })) << l.path.toStdString();
        EXPECT_TRUE(TargetsSince(mark).contains("http " + l.path)) << TargetsSince(mark).join(", ").toStdString();
        EXPECT_TRUE(frmReview::isLoaded()) << "the prompt stays open for the other site";
    }
}

TEST(ReviewPrompt, OpensOverTheMainWindowNotInTheScreensCorner)
{
    Form &form = FreshForm();
    RegisterMenuWindows();
    if (frmReview::isLoaded())
        frmReview::unloadInstance();
    form.setGeometry(200, 150, 520, 400);
    form.show();
    StartupWindows::ShowReviewPrompt();
    ASSERT_TRUE(frmReview::isLoaded());
    const frmReview &w = frmReview::instance();
    // A few pixels either way: the frame is only known once shown.
    EXPECT_LE((w.frameGeometry().center() - form.frameGeometry().center()).manhattanLength(), 6)
        << "opened at " << w.frameGeometry().x() << "," << w.frameGeometry().y();
    frmReview::unloadInstance();
    form.hide();
}
