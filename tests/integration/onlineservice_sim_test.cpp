// The online-service client against the simulated service: what arrives on
// the wire, what the service then holds, and how each reply is read.
#include "engine/onlineservice.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/passwords.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "tests/integration/refreshsimutil.h"

#include <gtest/gtest.h>

using namespace OnlineService;

namespace {

// Characters that change a query unless encoded; "." goes out plainly on the
// wire (the transfer stack writes the unreserved characters - . _ ~ as they
// are, which every server decodes alike).
const QString kPassword = QStringLiteral("se cr&t+#%.1");
const QString kCredentials = QStringLiteral("username=alice&pswd=se%20cr%26t%2B%23%25.1");

// alice active, with an online account that holds nothing yet.
Sim::OnlineDesk &aliceWithAccount()
{
    RefreshSim::FreshForm();
    Sim::SimServer &sim = RefreshSim::Server();
    frmSettings::instance().lvwUsers->FindItem("alice")->setTag(basGeneral::ScramblePassword(kPassword));
    sim.addAccount("alice", kPassword);
    sim.online().addAccount(Sim::OnlineAccount{"alice", kPassword, "Alice", "a@x.org", {}});
    return sim.online();
}

QString held(const QString &item)
{
    Sim::OnlineItem *i = RefreshSim::Server().online().account("alice")->find(item);
    return i ? i->bid + QLatin1Char('|') + i->group : QStringLiteral("(none)");
}

void cannedReply(const QString &path, const QString &reply)
{
    Sim::CannedReply canned;
    canned.rule.pattern = path;
    canned.body = reply;
    RefreshSim::Server().online().addReply(canned);
}

} // namespace

TEST(OnlineServiceWithSimulator, EachRequestArrivesWithItsKeysInOrderAndTheServiceHoldsWhatWasSent)
{
    aliceWithAccount();
    Inet inet; // every caller brings its own control
    const qint64 from = RefreshSim::Mark();

    EXPECT_EQ(SendSnipe(inet, "110", "12.50", "a&b=c #1+2").outcome, Outcome::Accepted);
    EXPECT_EQ(held("110"), "12.50|a&b=c #1+2");
    const Reply exists = SendSnipe(inet, "110", "20", "");
    EXPECT_EQ(exists.outcome, Outcome::Exists);
    EXPECT_EQ(exists.message, "12.50");
    EXPECT_EQ(ReplaceSnipe(inet, "110", "15", "").outcome, Outcome::Accepted);
    EXPECT_EQ(held("110"), "15|");
    EXPECT_EQ(SendSnipe(inet, "220", "3 000", "g").outcome, Outcome::Accepted);
    EXPECT_EQ(held("220"), "3 000|g");
    EXPECT_EQ(ExportItem(inet, "330").outcome, Outcome::Accepted);
    EXPECT_EQ(CancelSnipe(inet, "110").outcome, Outcome::Accepted);
    EXPECT_EQ(held("110"), "|") << "kept as watched";
    EXPECT_EQ(RemoveItem(inet, "220").outcome, Outcome::Accepted);
    EXPECT_EQ(held("220"), "(none)");
    const Reply refused = RemoveItem(inet, "999");
    EXPECT_EQ(refused.outcome, Outcome::Refused);
    EXPECT_EQ(refused.message, "This item is not in your Tallowmere Online account.");
    EXPECT_EQ(ImportItems(inet).lines, QStringList({"110", "330", ""}));
    EXPECT_EQ(AccountQuery(inet).outcome, Outcome::Registered);

    const QString online = QStringLiteral("https /online/");
    EXPECT_EQ(RefreshSim::TargetsSince(from),
              QStringList({
                  online + "senditem.asp?ver=2&" + kCredentials + "&item=110&bid=12.50&group=a%26b%3Dc%20%231%2B2",
                  online + "senditem.asp?ver=2&" + kCredentials + "&item=110&bid=20&group=",
                  online + "senditem.asp?" + kCredentials + "&item=110&bid=15&group=&replace=yes",
                  online + "senditem.asp?ver=2&" + kCredentials + "&item=220&bid=3%20000&group=g",
                  online + "export.asp?" + kCredentials + "&item=330",
                  online + "remitem.asp?" + kCredentials + "&item=110&keepwatch=yes",
                  online + "remitem.asp?" + kCredentials + "&item=220",
                  online + "remitem.asp?" + kCredentials + "&item=999",
                  online + "import.asp?" + kCredentials,
                  "http /online/isreg.asp?version=2&user=alice",
              }));
}

TEST(OnlineServiceWithSimulator, RepliesAreReadAsTheServerGaveThemAndAFailedTransferIsNoReply)
{
    aliceWithAccount();
    Inet inet;

    cannedReply("senditem.asp", "Useout: Your prepaid bids are used up");
    Reply r = SendSnipe(inet, "110", "5", "");
    EXPECT_EQ(r.outcome, Outcome::UseOut);
    EXPECT_EQ(r.message, "Your prepaid bids are used up");
    EXPECT_EQ(held("110"), "(none)") << "a canned reply leaves the service's state alone";

    cannedReply("senditem.asp", "Error: Bids under 1.00 are not taken");
    r = SendSnipe(inet, "110", "0.5", "");
    EXPECT_EQ(r.outcome, Outcome::Refused);
    EXPECT_EQ(r.message, "Bids under 1.00 are not taken");

    cannedReply("senditem.asp", "OK anything");
    EXPECT_EQ(SendSnipe(inet, "110", "5", "").outcome, Outcome::Accepted);
    cannedReply("replace=yes", "OK.");
    EXPECT_EQ(ReplaceSnipe(inet, "110", "5", "").outcome, Outcome::Unexpected);
    cannedReply("isreg.asp", "OK: Registered\r\n");
    EXPECT_EQ(AccountQuery(inet).outcome, Outcome::Unexpected);
    cannedReply("export.asp", "");
    EXPECT_EQ(ExportItem(inet, "110").outcome, Outcome::NoReply);

    // A service that does not answer: the control's time-out gives no reply.
    inet.RequestTimeout = 1;
    RefreshSim::AddFault("import.asp", Sim::FaultMode::Hang);
    r = ImportItems(inet);
    EXPECT_EQ(r.outcome, Outcome::NoReply);
    EXPECT_TRUE(r.lines.isEmpty());

    // Without an account, and with a wrong password, the service refuses.
    CurrentUser = "bob";
    frmSettings::instance().lvwUsers->Add("bob")->setTag(basGeneral::ScramblePassword("pw"));
    EXPECT_EQ(ImportItems(inet).outcome, Outcome::Refused);
    EXPECT_EQ(AccountQuery(inet).text, "OK: Not registered");
    RefreshSim::Server().online().addAccount(Sim::OnlineAccount{"bob", "other", {}, {}, {}});
    EXPECT_EQ(ImportItems(inet).message, "Invalid eBay username or password.");
}

TEST(OnlineServiceWithSimulator, AccountQuerySendsTheUserIdUnencoded)
{
    aliceWithAccount();
    Inet inet;
    CurrentUser = "bo b&x";
    const qint64 from = RefreshSim::Mark();
    EXPECT_EQ(AccountQuery(inet).outcome, Outcome::Unexpected);
    // The blank cannot travel in an address; the "&" starts a new key.
    EXPECT_EQ(RefreshSim::TargetsSince(from), QStringList({"http /online/isreg.asp?version=2&user=bo%20b&x"}));
}
