// The About window: its texts, the folder link, closing, and the support
// console typed into it.
#include "sellertools/frmabout.h"

#include "foundation/basgeneral.h"
#include "foundation/globals.h"
#include "foundation/mainformshell.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QUrl>

namespace {

frmAbout &freshAbout()
{
    if (frmAbout::isLoaded())
        frmAbout::unloadInstance();
    MsgBoxScript::instance().clear();
    frmAbout &w = frmAbout::instance();
    w.show();
    return w;
}

// Types `keys` into the window; true when a command closed it.
bool type(frmAbout &w, const char *keys)
{
    QPointer<frmAbout> guard(&w);
    for (const char *k = keys; *k && guard && frmAbout::isLoaded(); ++k)
        QTest::keyClick(guard.data(), *k);
    return !frmAbout::isLoaded();
}

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

void click(QWidget *w)
{
    QTest::mouseClick(w, Qt::LeftButton);
}

} // namespace

TEST(AboutWindow, ShowsTitleVersionAndDataFolderAndOpensTheFolderOrClosesOnAClick)
{
    frmAbout &w = freshAbout();
    EXPECT_EQ(w.windowTitle(), "About Tallowmere");
    EXPECT_EQ(w.lblAppVer->text(), QStringLiteral("Version %1.%2 (build %3)")
                                       .arg(TALLOWMERE_VERSION_MAJOR)
                                       .arg(TALLOWMERE_VERSION_MINOR)
                                       .arg(TALLOWMERE_VERSION_PATCH));
    EXPECT_EQ(w.lblDataPath->text(), basGeneral::DataFolder());

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    click(w.lblDataPath);
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0], QUrl::fromLocalFile(basGeneral::DataFolder()));
    EXPECT_TRUE(frmAbout::isLoaded());

    click(w.lblStatus);
    EXPECT_FALSE(frmAbout::isLoaded());
    frmAbout &again = freshAbout();
    QTest::keyClick(&again, Qt::Key_Escape);
    EXPECT_FALSE(frmAbout::isLoaded());
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());
}

TEST(AboutConsole, CollectsOnlySlashCommandsLowerCasedWithBackspaceAndALengthLimit)
{
    frmAbout &w = freshAbout();
    EXPECT_FALSE(type(w, "hello"));
    EXPECT_EQ(w.Text, "") << "typing that does not begin with / is dropped";
    EXPECT_EQ(w.windowTitle(), "About Tallowmere");

    EXPECT_FALSE(type(w, "/ST"));
    EXPECT_EQ(w.Text, "/st");
    EXPECT_EQ(w.windowTitle(), "Command: /st");
    QTest::keyClick(&w, Qt::Key_Backspace);
    EXPECT_EQ(w.windowTitle(), "Command: /s");
    QTest::keyClick(&w, Qt::Key_Backspace);
    QTest::keyClick(&w, Qt::Key_Backspace);
    EXPECT_EQ(w.Text, "");
    EXPECT_EQ(w.windowTitle(), "About Tallowmere") << "backspacing over the / restores the caption";

    // Sixteen characters are no command: the text is emptied.
    EXPECT_FALSE(type(w, "/abcdefghijklmno"));
    EXPECT_EQ(w.Text, "");
    EXPECT_EQ(w.windowTitle(), "About Tallowmere");
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());
}

TEST(AboutConsole, StatusAndStallReportTheFlagsAndStopTheMainTick)
{
    frmMainShell &main = MainForm();
    main.blnRefreshing = true;
    main.blnItemsEndingSoon = false;
    main.blnBidding = true;
    // A stray letter first: it is dropped and the / starts the command.
    EXPECT_TRUE(type(freshAbout(), "x/STATUS"));
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    EXPECT_EQ(MsgBoxScript::instance().calls()[0].prompt, "Refreshing: True\r\nItems ending soon: False\r\nBidding: True");
    EXPECT_EQ(MsgBoxScript::instance().calls()[0].style, Desktop::BoxInformation);
    main.blnRefreshing = main.blnBidding = false;

    main.tmrTimer->setEnabled(true);
    EXPECT_TRUE(type(freshAbout(), "/stall"));
    EXPECT_FALSE(main.tmrTimer->Enabled());
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "Program has been forced into a stall, bids will no longer be placed");
}

TEST(AboutConsole, SwitchCommandsSetTheirFlagsAndWindowState)
{
    frmMainShell &main = MainForm();
    struct Case
    {
        const char *command;
        QString message;
        std::function<bool()> applied;
    };
    const QList<Case> cases = {
        {"/debug", "Debug mode activated, to return to normal mode, go back to Help>About and type \"/undebug\".", [] { return DebugMode; }},
        {"/undebug", "Exiting debug mode", [] { return !DebugMode; }},
        {"/forceupdate", "Force update mode activated", [&main] { return main.blnForceUpdate; }},
        {"/vga", "Resizing Window to 640x480", [&main] { return main.width() == 640 && main.height() == 480; }},
        {"/oldlist", "Switching to old list view", [&main] { return main.HTMLList->isHidden() && !main.lvwAuctions->isHidden(); }},
    };
    main.show();
    main.HTMLList->show();
    for (const Case &c : cases) {
        EXPECT_TRUE(type(freshAbout(), c.command)) << c.command;
        EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), c.message) << c.command;
        EXPECT_TRUE(c.applied()) << c.command;
    }
    main.hide();
}

TEST(AboutConsole, CopyInnerHtmlPutsTheBrowsersDocumentOnTheClipboard)
{
    frmMainShell &main = MainForm();
    main.WebBrowser->Navigate("about:blank");
    ASSERT_TRUE(waitFor([&main] { return main.WebBrowser->ReadyState() == 4; }));
    Desktop::SetClipboardText("earlier text");
    EXPECT_TRUE(type(freshAbout(), "/copyinnerhtml"));
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "Browser's inner HTML copied to clipboard.");
    EXPECT_EQ(Desktop::ClipboardText(), main.WebBrowser->DocumentHTML());
    EXPECT_TRUE(Desktop::ClipboardText().contains("<BODY>")) << Desktop::ClipboardText().toStdString();
}

#include "frmabout_test.moc"
