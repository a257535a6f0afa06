// The watching-list import against the simulator: its own browser signs
// alice out and in (the password only over https), reads the one list page
// and adds every item not yet tracked as a watched row; cancel and a page
// that never completes end it with the list as it was.
#include "engine/startupwindows.h"
#include "items/frmimportauctions.h"
#include "items/itemimports.h"
#include "platform/listview.h"
#include "tests/integration/importsimutil.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QPushButton>

using namespace RefreshSim;

namespace {

frmImportAuctions &startImport(int pageWaitSeconds = 30)
{
    if (frmImportAuctions::isLoaded())
        frmImportAuctions::unloadInstance();
    frmImportAuctions &w = frmImportAuctions::instance();
    w.PageWaitSeconds = pageWaitSeconds;
    w.show();
    return w;
}

bool finished()
{
    return waitFor([] { return !frmImportAuctions::isLoaded(); }, 60000);
}

} // namespace

TEST(WatchingListImport, AddsEveryWatchedItemNotYetTrackedAsAWatchedRow)
{
    Form &f = ImportSim::FreshForm();
    const QString a = AddItem(3600), b = AddItem(7200), tracked = AddItem(3600);
    ListItem *bobs = AddRow(tracked, {{"user", "bob"}, {"maxbid", "1 @ 5.00"}}, "Local");
    Server().setWatching("alice", {a, tracked, b});
    const qint64 mark = Mark();
    startImport();
    ASSERT_TRUE(finished());

    EXPECT_EQ(ImportSim::RowNumbers().size(), 3);
    for (const QString &n : {a, b}) {
        const ListItem *row = f.lvwAuctions->FindItem(n);
        ASSERT_TRUE(row) << n.toStdString();
        EXPECT_EQ(Field(row, "maxbid"), "(watching)");
        EXPECT_EQ(Field(row, "user"), "alice");
        EXPECT_EQ(Field(row, "itemtitle"), Server().items().find(n)->title);
        EXPECT_TRUE(ImportSim::Saved(n));
    }
    EXPECT_EQ(Field(bobs, "user"), "bob");
    EXPECT_EQ(bobs->Tag(), "Local");
    EXPECT_FALSE(f.lvwAuctions->FindItem("1100000000001")); // the link with a title path

    const QList<Sim::LogEntry> sent = RequestsSince(mark);
    QStringList pages;
    for (const Sim::LogEntry &e : sent)
        if (e.role == "signin" || e.role == "myebay")
            pages << e.scheme + ' ' + e.target.section('?', 1).section('&', 0, 0) + ' ' + e.user;
    EXPECT_EQ(pages, QStringList({"http SignIn ", "https co_partnerid=2 ", "http MyEbayBeta alice"}));
    for (const Sim::LogEntry &e : sent)
        if (e.target.contains("pass="))
            EXPECT_EQ(e.scheme, "https") << e.target.toStdString();
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());
}

TEST(WatchingListImport, APageThatNeverCompletesEndsTheImportWithItsMessage)
{
    ImportSim::FreshForm();
    Server().setWatching("alice", {AddItem(3600)});
    AddFault(QStringLiteral("sout"), Sim::FaultMode::Hang); // never answers
    // The limit is 30 seconds; none here, so the first wait ends at once.
    startImport(0);
    ASSERT_TRUE(finished());
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "The eBay page did not load, please try again later");
    EXPECT_EQ(ImportSim::RowNumbers().size(), 0);
}

TEST(WatchingListImport, CancelWhileSigningOutLeavesTheListUntouched)
{
    ImportSim::FreshForm();
    Server().setWatching("alice", {AddItem(3600)});
    AddFault(QStringLiteral("sout"), Sim::FaultMode::Hang, 1, 1500);
    const qint64 mark = Mark();
    // The click comes while the window waits for the sign-out page; it
    // stays with this test, the simulator serves the later ones.
    QObject thisTest;
    QObject::connect(&Server(), &Sim::SimServer::requestLogged, &thisTest, [](qint64 index) {
        if (frmImportAuctions::isLoaded() && Server().requestLog().since(index).value(0).target.contains("sout"))
            frmImportAuctions::instance().cmdCancel->click();
    });
    startImport();
    ASSERT_TRUE(finished());
    EXPECT_EQ(ImportSim::RowNumbers().size(), 0);
    EXPECT_EQ(TargetsSince(mark).filter("SignInWelcome").size(), 0) << TargetsSince(mark).join('\n').toStdString();
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());
}

TEST(WatchingListImport, TheLoaderSeamOpensTheImport)
{
    ImportSim::FreshForm();
    RegisterItemImportWindows();
    const QString number = AddItem(3600);
    Server().setWatching("alice", {number});
    // The modal window runs its import and closes itself.
    StartupWindows::ShowWatchingListImport();
    EXPECT_FALSE(frmImportAuctions::isLoaded());
    EXPECT_EQ(ImportSim::RowNumbers(), QStringList{number});
}
