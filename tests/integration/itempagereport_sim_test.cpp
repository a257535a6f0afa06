// An item page the wizard cannot read, reported to the simulated vendor
// through the report window's own browser.
#include "engine/itemwindows.h"
#include "foundation/basregistry.h"
#include "foundation/frmiowarning.h"
#include "foundation/frmsettings.h"
#include "items/frmaddauction.h"
#include "items/frmitemnumber.h"
#include "items/itemwindows.h"
#include "items/frmitempagereport.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "tests/integration/bidsim.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QJsonObject>
#include <QPushButton>
#include <QTimer>

using namespace RefreshSim;

namespace {

const QString kInternetSettings = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");

// The Internet-options values as a machine that has them set stores them.
void internetOptionsStoredAsZero()
{
    basRegistry::SetValue(basRegistry::HKEY_CURRENT_USER, kInternetSettings, QStringLiteral("EnableHttp1_1"), 0);
    basRegistry::SetValue(basRegistry::HKEY_CURRENT_USER, kInternetSettings, QStringLiteral("ProxyHttp1.1"), 0);
}

// Opens the wizard on an item page without a title and waits until it has
// gone; says whether the Internet-options window was shown (it is declined).
bool wizardShowsInternetOptions(const QString &number)
{
    bool shown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&shown] {
        if (frmIOWarning::isLoaded() && frmIOWarning::instance().isVisible()) {
            shown = true;
            frmIOWarning::instance().cmdExit->click();
        }
    });
    watch.start(20);
    frmAddAuction &w = frmAddAuction::instance();
    w.strItemNumber = number;
    w.show();
    EXPECT_TRUE(RunUntil([] { return !frmAddAuction::isLoaded(); }, 60));
    return shown;
}

int reportPageLoads(qint64 from)
{
    int n = 0;
    for (const QString &t : TargetsSince(from))
        n += t.contains(QLatin1String("/sendreport.asp")) ? 1 : 0;
    return n;
}

} // namespace

TEST(ItemPageReport, AnUnreadableItemPageIsReportedOnceAndNothingIsStored)
{
    FreshForm();
    RegisterItemWindows();
    internetOptionsStoredAsZero();
    Server().bids().reports.clear();
    MsgBoxScript::instance().clear();
    // No title: the wizard cannot use the page.
    const QString number = AddItem(3600, 5.0, [](Sim::SimItem &i) { i.title.clear(); });

    // While the report shows, no strip of its unseen browser shows along its bottom.
    int looks = 0;
    QStringList strips;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!frmItemPageReport::isLoaded() || !frmItemPageReport::instance().isVisible())
            return;
        ++looks;
        for (const QWidget *control : frmItemPageReport::instance().findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (control->isVisible() && control->height() < 8)
                strips << QString::fromLatin1(control->metaObject()->className());
    });
    watch.start(20);

    frmAddAuction &w = frmAddAuction::instance();
    w.strItemNumber = number;
    w.show();
    ASSERT_TRUE(RunUntil([] { return !frmAddAuction::isLoaded() && !frmItemPageReport::isLoaded(); }, 60));
    watch.stop();
    EXPECT_GT(looks, 0);
    EXPECT_TRUE(strips.isEmpty()) << qPrintable(strips.join(", "));

    const QList<Desktop::MsgBoxCall> &calls = MsgBoxScript::instance().calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_TRUE(calls[0].prompt.startsWith(QStringLiteral("There was a problem retrieving the item details")));
    EXPECT_EQ(calls[1].prompt, QStringLiteral("The report has been sent successfully"));
    EXPECT_EQ(calls[1].style, Desktop::BoxInformation);

    ASSERT_EQ(Server().bids().reports.size(), 1);
    const QJsonObject sent = Server().bids().reports.first();
    frmSettings &settings = frmSettings::instance();
    EXPECT_EQ(sent.value("reporttype").toString(), "itempage");
    EXPECT_EQ(sent.value("UserName").toString(), "alice");
    EXPECT_EQ(sent.value("ItemNumber").toString(), number);
    EXPECT_EQ(sent.value("build").toString(), QString::number(TALLOWMERE_VERSION_PATCH));
    EXPECT_EQ(sent.value("Int").toString(), settings.ddnFastSyncInterval->currentText());
    EXPECT_EQ(sent.value("delay").toString(), settings.ddnBidDelay->currentText());
    EXPECT_TRUE(sent.value("itempage").toString().contains(number)) << "the page as the wizard fetched it";
    for (const char *notSet : {"email", "SignOut", "SignIn", "sendbid", "ConfirmBid"})
        EXPECT_EQ(sent.value(QString::fromLatin1(notSet)).toString(), QString()) << notSet;
    EXPECT_EQ(EngineForm().lvwAuctions->Count(), 0);
}

TEST(ItemPageReport, AReportWithoutReplyIsSentAgainOnYesAndGivenUpOnNo)
{
    FreshForm();
    Server().bids().reports.clear();
    MsgBoxScript::instance().clear();
    // The first attempt never gets its page.
    AddFault(QStringLiteral("sendreport.asp"), Sim::FaultMode::Hang, 1);
    qint64 from = Mark();
    frmItemPageReport &report = frmItemPageReport::instance();
    report.HTML = QStringLiteral("<html>odd page</html>");
    report.strItemNumber = QStringLiteral("110000000555");
    report.show();
    ASSERT_TRUE(RunUntil([&] { return reportPageLoads(from) == 1; }, 15));
    // A message box handing the focus back does not start another attempt.
    report.Form_Activate();
    RunUntil([] { return false; }, 0.3);
    EXPECT_EQ(reportPageLoads(from), 1);

    // The 20 seconds are up: Yes tries again, and that attempt gets through.
    MsgBoxScript::instance().answer(Desktop::AnswerYes);
    report.Timer_Timer();
    EXPECT_EQ(MsgBoxScript::instance().calls().first().prompt, QStringLiteral("Failed to send the report. Try again?"));
    ASSERT_TRUE(RunUntil([] { return !frmItemPageReport::isLoaded(); }, 60));
    ASSERT_EQ(Server().bids().reports.size(), 1);
    EXPECT_EQ(Server().bids().reports.first().value("itempage").toString(), QStringLiteral("<html>odd page</html>"));
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), QStringLiteral("The report has been sent successfully"));

    // No gives up: the window closes and nothing more is sent.
    MsgBoxScript::instance().clear();
    AddFault(QStringLiteral("sendreport.asp"), Sim::FaultMode::Hang, 1);
    from = Mark();
    frmItemPageReport &again = frmItemPageReport::instance();
    again.show();
    ASSERT_TRUE(RunUntil([&] { return reportPageLoads(from) == 1; }, 15));
    MsgBoxScript::instance().answer(Desktop::AnswerNo);
    again.Timer_Timer();
    EXPECT_FALSE(frmItemPageReport::isLoaded());
    EXPECT_FALSE(again.Timer->Enabled());
    RunUntil([] { return false; }, 0.3);
    EXPECT_EQ(Server().bids().reports.size(), 1);
}

TEST(ItemPageReport, OnlyAStoredHttp11ValueShowsTheInternetOptionsWindow)
{
    FreshForm();
    RegisterItemWindows();
    // A fresh install: no Internet-options values at all.
    basRegistry::DeleteKey(basRegistry::HKEY_CURRENT_USER, QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion"),
                           QStringLiteral("Internet Settings"));
    MsgBoxScript::instance().clear();
    const QString number = AddItem(3600, 5.0, [](Sim::SimItem &i) { i.title.clear(); });

    MsgBoxScript::instance().answer(Desktop::AnswerNo); // no report
    EXPECT_FALSE(wizardShowsInternetOptions(number));
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    EXPECT_TRUE(MsgBoxScript::instance().calls()[0].prompt.startsWith("There was a problem retrieving the item details"));
    EXPECT_FALSE(frmItemPageReport::isLoaded());

    // A value stored as on, for either connection kind, shows the window
    // instead of the question.
    for (const char *on : {"EnableHttp1_1", "ProxyHttp1.1"}) {
        internetOptionsStoredAsZero();
        basRegistry::SetValue(basRegistry::HKEY_CURRENT_USER, kInternetSettings, QString::fromLatin1(on), 1);
        MsgBoxScript::instance().clear();
        EXPECT_TRUE(wizardShowsInternetOptions(number)) << on;
        EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty()) << on;
    }
    EXPECT_EQ(EngineForm().lvwAuctions->Count(), 0);
}
