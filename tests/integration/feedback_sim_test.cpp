// The feedback run against the simulator: whom it rates, how it signs in,
// cancelling, and a run that meets an account that is gone.
#include "engine/refreshseams.h"
#include "foundation/frmsettings.h"
#include "foundation/passwords.h"
#include "platform/listview.h"
#include "platform/statusbar.h"
#include "sellertools/feedbackfile.h"
#include "sellertools/frmfeedback.h"
#include "sellertools/frmfeedbackprogress.h"
#include "tests/integration/refreshsimutil.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProgressBar>
#include <QPushButton>

using namespace RefreshSim;

namespace {

void received(const QString &seller, const QString &buyer, const QString &item, int daysAgo,
              const QString &rating = QStringLiteral("positive"))
{
    Sim::ReceivedFeedback f;
    f.seller = seller;
    f.buyer = buyer;
    f.item = item;
    f.rating = rating;
    f.when = Server().now().addDays(-daysAgo);
    Server().seller().received << f;
}

void ratedEarlier(const QString &from, const QString &to, const QString &item)
{
    Sim::LeftFeedback f;
    f.from = from;
    f.to = to;
    f.item = item;
    f.comment = QStringLiteral("earlier");
    f.when = Server().now().addDays(-1);
    Server().seller().left << f;
}

// "from>to #item: comment" for every feedback left since `count` entries.
QStringList leftSince(qsizetype count)
{
    QStringList out;
    const auto &left = Server().seller().left;
    for (qsizetype i = count; i < left.size(); ++i)
        out << left[i].from + ">" + left[i].to + " #" + left[i].item + " " + left[i].transactionId + ": " + left[i].comment;
    return out;
}

// alice (checked, with a comment holding quotes) and zed (unchecked), both
// at the simulator; the feedback window not loaded yet.
void twoSellers()
{
    FreshForm();
    Server().addAccount(QStringLiteral("zed"), QStringLiteral("zpw"));
    frmSettings::instance().lvwUsers->Add(QStringLiteral("zed"))->setTag(basGeneral::ScramblePassword(QStringLiteral("zpw")));
    for (auto unload : {&frmFeedback::unloadInstance, &frmFeedbackProgress::unloadInstance})
        unload();
    QCoreApplication::processEvents();
    ASSERT_TRUE(FeedbackFile::Write({{QStringLiteral("alice"), QStringLiteral("Great \"buyer\" A+")}}));
    frmFeedbackProgress::Register();
}

QString status()
{
    return MainForm().PanelText(QStringLiteral("Status"));
}

} // namespace

TEST(FeedbackRunWithSimulator, RatesOnlyNewPositiveBuyersOfTheLastTenDays)
{
    twoSellers();
    received("alice", "carol", "1001", 1);
    received("alice", "dave", "1002", 2);
    received("alice", "dave", "1003", 3);     // a second item: a second post
    received("alice", "erin", "1004", 2, "neutral");
    received("alice", "frank", "1005", 2, "negative");
    received("alice", "gina", "1006", 4);     // rated already
    received("alice", "bob", "1007", 4);      // "bobby" rated: counts as rated
    received("alice", "hank", "1008", 12);    // too old: the scan ends here
    received("alice", "ivan", "1009", 1);
    Server().seller().received.last().when = Server().now().addDays(-30);
    received("zed", "olga", "2001", 1);       // zed is not checked
    ratedEarlier("alice", "gina", "1006");
    ratedEarlier("alice", "bobby", "900");
    const qsizetype before = Server().seller().left.size();
    const qint64 mark = Mark();

    ASSERT_TRUE(RefreshSeams::LeaveFeedback);
    RefreshSeams::LeaveFeedback();

    EXPECT_EQ(leftSince(before), QStringList({"alice>carol #1001 T1001: Great \"buyer\" A+",
                                              "alice>dave #1002 T1002: Great \"buyer\" A+",
                                              "alice>dave #1003 T1002: Great \"buyer\" A+"}));
    for (const Sim::LeftFeedback &f : Server().seller().left.mid(before))
        EXPECT_EQ(f.rating, "positive");

    QStringList signIns, pages;
    for (const Sim::LogEntry &e : RequestsSince(mark)) {
        if (e.target.contains("SignInWelcome"))
            signIns << e.scheme + (e.target.contains("userid=alice&pass=pw") ? " alice" : " ?");
        pages << e.target.section('?', 1).section('&', 0, 0);
    }
    // The password only ever travels over https.
    EXPECT_EQ(signIns, QStringList({"https alice"}));
    EXPECT_EQ(pages, QStringList({"ViewFeedback2", "ViewFeedback2", "SignIn", "co_partnerid=2", "LeaveFeedback2",
                                  "MfcISAPICommand=LeaveFeedback2", "LeaveFeedback2", "MfcISAPICommand=LeaveFeedback2",
                                  "LeaveFeedback2", "MfcISAPICommand=LeaveFeedback2", "SignIn"}));
    EXPECT_FALSE(RequestsSince(mark).first().target.contains("zed"));
    EXPECT_FALSE(MainForm().blnFreezeStatus);
    EXPECT_EQ(status(), "Leaving feedback 3 of 3 from alice...");

    // A second run finds them all rated: no sign-in, no post, only the sign-out.
    const qint64 second = Mark();
    RefreshSeams::LeaveFeedback();
    EXPECT_EQ(leftSince(before).size(), 3);
    QStringList targets = TargetsSince(second);
    ASSERT_EQ(targets.size(), 3);
    EXPECT_TRUE(targets.last().contains("sout"));
}

TEST(FeedbackRunWithSimulator, CancelStopsBeforeTheNextPostWithoutSigningOut)
{
    twoSellers();
    for (int i = 0; i < 4; ++i)
        received("alice", QStringLiteral("buyer%1").arg(i), QString::number(3000 + i), 1);
    const qsizetype before = Server().seller().left.size();
    const qint64 mark = Mark();

    bool enabledBeforeClick = false;
    bool clicked = false;
    QObject::connect(&Server(), &Sim::SimServer::requestLogged, qApp, [&](qint64 index) {
        const Sim::LogEntry *e = Server().requestLog().at(index);
        if (clicked || !e || !e->target.contains("LeaveFeedback2&lookup_id") || !frmFeedbackProgress::isLoaded())
            return;
        clicked = true;
        frmFeedbackProgress &w = frmFeedbackProgress::instance();
        enabledBeforeClick = w.cmdCancel->isEnabled();
        w.cmdCancel->click();
    });
    frmFeedbackProgress::ShowModal(); // runs as it opens, closes when done
    QObject::disconnect(&Server(), &Sim::SimServer::requestLogged, qApp, nullptr);

    EXPECT_TRUE(clicked);
    EXPECT_TRUE(enabledBeforeClick);
    EXPECT_EQ(leftSince(before).size(), 1); // the post of the form already asked for
    EXPECT_FALSE(TargetsSince(mark).last().contains("sout"));
    EXPECT_FALSE(MainForm().blnFreezeStatus);
    QCoreApplication::processEvents();
    EXPECT_FALSE(frmFeedbackProgress::isLoaded());
}

TEST(FeedbackRunWithSimulator, AnAccountGoneFromTheSettingsEndsTheRunWithAnError)
{
    twoSellers();
    received("alice", "carol", "1001", 1);
    frmFeedback::instance(); // alice checked
    frmSettings::instance().lvwUsers->Clear();
    const qint64 mark = Mark();
    RefreshSeams::LeaveFeedback();
    EXPECT_EQ(TargetsSince(mark), QStringList());
    EXPECT_EQ(status(), "Error #91 while leaving feedback");
    EXPECT_TRUE(MainForm().blnFreezeStatus); // the message is held for three seconds
    frmFeedback::unloadInstance();
}

TEST(FeedbackRunWithSimulator, NoCheckedAccountOnlySignsOut)
{
    twoSellers();
    ASSERT_TRUE(FeedbackFile::Write({}));
    received("alice", "carol", "1001", 1);
    const qint64 mark = Mark();
    RefreshSeams::LeaveFeedback();
    const QStringList targets = TargetsSince(mark);
    ASSERT_EQ(targets.size(), 1);
    EXPECT_TRUE(targets.first().contains("/ws2/eBayISAPI.dll?SignIn&ssPageName=h:h:sout:US"));
    frmFeedback::unloadInstance();
}
