// Moving items to and from the simulated online service: one export request
// per row of the active user with up to five tries each, the server's refusal,
// the import's watched rows saved one by one, and cancel in both.
#include "foundation/globals.h"
#include "items/frmexporttmro.h"
#include "items/frmimporttmro.h"
#include "platform/listview.h"
#include "tests/integration/importsimutil.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

using namespace RefreshSim;

namespace {

const QString kNotResponded = QStringLiteral(
    "The TMR Online server has not responded after 5 retries, please check your internet connection and try again in a "
    "few minutes");
const QString kNotResponding = QStringLiteral(
    "The TMR Online server is not responding, please check your internet connection and try again in a few minutes");

// Replies the service gives in place of the normal ones, `count` times.
void Canned(const QString &path, const QString &body, int count = 1)
{
    Sim::FaultRule rule;
    rule.pattern = path;
    rule.remaining = count;
    Server().online().addReply(Sim::CannedReply{rule, body});
}

QStringList TargetsOf(qint64 mark, const QString &path)
{
    return TargetsSince(mark).filter(path);
}

QStringList Prompts()
{
    QStringList prompts;
    for (const Desktop::MsgBoxCall &c : MsgBoxScript::instance().calls())
        prompts << c.prompt;
    return prompts;
}

// Clicks the window's Cancel when the request that holds `path` arrives.
template <class Window> QMetaObject::Connection CancelOn(Window &w, const QString &path)
{
    return QObject::connect(&Server(), &Sim::SimServer::requestLogged, &w, [&w, path](qint64 index) {
        if (Server().requestLog().since(index).value(0).target.contains(path))
            w.cmdCancel->click();
    });
}

} // namespace

TEST(OnlineExport, SendsOneRequestPerRowOfTheActiveUserAndCloses)
{
    ImportSim::FreshForm();
    AddRow("1100000000001", {{"user", "alice"}});
    AddRow("1100000000002", {{"user", "bob"}});
    // The user's ID as typed in another letter case is the same user.
    AddRow("1100000000003", {{"user", "Alice"}, {"maxbid", "1 @ 5.00"}}, "Local");
    const qint64 mark = Mark();
    frmExportTMRO &w = frmExportTMRO::instance();
    EXPECT_EQ(w.windowTitle(), "Exporting items to Tallowmere Online");
    w.Form_Activate();

    EXPECT_EQ(TargetsSince(mark), QStringList({"https /online/export.asp?username=alice&pswd=pw&item=1100000000001",
                                               "https /online/export.asp?username=alice&pswd=pw&item=1100000000003"}));
    EXPECT_EQ(w.Label1->text(), "Exporting item 3 of 3 to your TMR Online account...");
    EXPECT_EQ(w.ProgressBar->value(), 100);
    EXPECT_FALSE(frmExportTMRO::isLoaded());
    EXPECT_TRUE(Prompts().isEmpty());
    const Sim::OnlineAccount *account = Server().online().account("alice");
    ASSERT_TRUE(account);
    EXPECT_EQ(account->items.size(), 2);
}

TEST(OnlineExport, RetriesAnItemUpToFiveTimesAndStopsOnTheFifthFailureOrARefusal)
{
    ImportSim::FreshForm();
    AddRow("1100000000001", {{"user", "alice"}});
    AddRow("1100000000002", {{"user", "alice"}});
    // Two empty replies, then "OK" with more text: the first item is done on
    // its third try. Then five answers that are neither "OK" nor "Error: ".
    Canned("export.asp", "", 2);
    Canned("export.asp", "OK, stored", 1);
    Canned("export.asp", "<html>busy</html>", 5);
    qint64 mark = Mark();
    frmExportTMRO::instance().Form_Activate();
    EXPECT_EQ(TargetsOf(mark, "item=1100000000001").size(), 3);
    EXPECT_EQ(TargetsOf(mark, "item=1100000000002").size(), 5);
    EXPECT_EQ(Prompts(), QStringList{kNotResponded});
    EXPECT_EQ(MsgBoxScript::instance().calls().last().style, Desktop::BoxExclamation);

    // A refusal ends the export at once, without a retry.
    MsgBoxScript::instance().clear();
    Canned("export.asp", "Error: Your account is suspended.");
    mark = Mark();
    frmExportTMRO::instance().Form_Activate();
    EXPECT_EQ(TargetsSince(mark).size(), 1);
    EXPECT_EQ(Prompts(), QStringList{"The TMR Online server returned the following error:\r\n\r\nYour account is suspended."});
    EXPECT_FALSE(frmExportTMRO::isLoaded());
}

TEST(OnlineExport, CancelStopsBeforeTheNextItem)
{
    ImportSim::FreshForm();
    for (const char *n : {"1100000000001", "1100000000002", "1100000000003"})
        AddRow(n, {{"user", "alice"}});
    frmExportTMRO &w = frmExportTMRO::instance();
    CancelOn(w, "item=1100000000001");
    const qint64 mark = Mark();
    w.Form_Activate();
    EXPECT_EQ(TargetsSince(mark).size(), 1);
    EXPECT_FALSE(frmExportTMRO::isLoaded());
    // A new run starts uncancelled.
    frmExportTMRO::instance().Form_Activate();
    EXPECT_EQ(TargetsSince(mark).size(), 4);
}

TEST(OnlineImport, AddsEachNewNumberOnceAsAWatchedRowSavedAtOnce)
{
    Form &f = ImportSim::FreshForm();
    const QString a = AddItem(3600), b = AddItem(3600), tracked = AddItem(3600);
    ImportSim::HoldOnline({a, tracked, b, a});
    ListItem *bobs = AddRow(tracked, {{"user", "bob"}, {"maxbid", "1 @ 5.00"}}, "Local");
    // Every row added is already in the list file when the next is asked for.
    QStringList savedBefore;
    f.onSync = [&] { savedBefore << QString::number(ImportSim::Saved(a)) + QString::number(ImportSim::Saved(b)); };
    frmImportTMRO &w = frmImportTMRO::instance();
    EXPECT_EQ(w.windowTitle(), "Importing items from Tallowmere Online");
    w.Form_Activate();

    EXPECT_EQ(ImportSim::RowNumbers().size(), 3);
    for (const QString &n : {a, b}) {
        const ListItem *row = f.lvwAuctions->FindItem(n);
        ASSERT_TRUE(row) << n.toStdString();
        EXPECT_EQ(Field(row, "maxbid"), "(watching)");
        EXPECT_EQ(Field(row, "user"), "alice");
        EXPECT_EQ(row->Tag(), "");
        EXPECT_EQ(Field(row, "itemtitle"), Server().items().find(n)->title); // refreshed from its page
        EXPECT_TRUE(ImportSim::Saved(n));
    }
    EXPECT_EQ(Field(bobs, "user"), "bob");
    EXPECT_EQ(bobs->Tag(), "Local");
    EXPECT_EQ(savedBefore, QStringList({"00", "10"})); // a saved before b was refreshed
    EXPECT_EQ(w.Label1->text(), "Importing item 5 of 4 from your TMR Online account...");
    EXPECT_FALSE(frmImportTMRO::isLoaded());
    EXPECT_TRUE(Prompts().isEmpty());
}

TEST(OnlineImport, StopsAtTheFirstLineThatIsNotANumberAndOnARefusal)
{
    ImportSim::FreshForm();
    const QString a = AddItem(3600), b = AddItem(3600);
    Canned("import.asp", a + "\r\nOK\r\n" + b + "\r\n");
    frmImportTMRO::instance().Form_Activate();
    EXPECT_EQ(ImportSim::RowNumbers(), QStringList{a});
    EXPECT_EQ(Prompts(), QStringList{kNotResponding});

    MsgBoxScript::instance().clear();
    Canned("import.asp", "Error: No such account.");
    frmImportTMRO::instance().Form_Activate();
    EXPECT_EQ(Prompts(), QStringList{"The TMR Online server returned this error message:\r\n\r\nNo such account."});
    EXPECT_EQ(ImportSim::RowNumbers(), QStringList{a});

    // No reply at all: the window closes without a word; one number without
    // a line break is still added.
    MsgBoxScript::instance().clear();
    Canned("import.asp", "");
    frmImportTMRO::instance().Form_Activate();
    Canned("import.asp", b);
    frmImportTMRO::instance().Form_Activate();
    EXPECT_TRUE(Prompts().isEmpty());
    EXPECT_EQ(ImportSim::RowNumbers().size(), 2);
    EXPECT_FALSE(frmImportTMRO::isLoaded());
}

TEST(OnlineImport, CancelKeepsAndSavesWhatCameIn)
{
    ImportSim::FreshForm();
    const QString a = AddItem(3600), b = AddItem(3600), c = AddItem(3600);
    ImportSim::HoldOnline({a, b, c});
    frmImportTMRO &w = frmImportTMRO::instance();
    // Cancel while the first imported row is being filled from its page.
    CancelOn(w, "item=" + a);
    w.Form_Activate();
    EXPECT_EQ(ImportSim::RowNumbers(), QStringList{a});
    EXPECT_TRUE(ImportSim::Saved(a));
    EXPECT_FALSE(frmImportTMRO::isLoaded());
}
