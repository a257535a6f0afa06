// The windows that move items in and out wait for their servers inside
// their own work; the main tick runs meanwhile, so a snipe that falls due
// then is still started on time.
#include "items/frmexporttmro.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "tests/integration/importsimutil.h"

#include <gtest/gtest.h>

using namespace RefreshSim;

TEST(ImportWindowsAndTheMainTick, ASnipeDueWhileTheExportWaitsIsStartedOnTime)
{
    Form &f = ImportSim::FreshForm();
    const QString number = AddItem(14, 1.0);
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    f.RefreshAuctions(QString(), false, false);
    const int shownBefore = SecondsShown(row);
    ASSERT_GT(shownBefore, 8);
    // The service answers the export only after the auction has ended.
    AddFault(QStringLiteral("export.asp"), Sim::FaultMode::Hang, 1, 16000);

    f.tmrTimer->setEnabled(true);
    frmExportTMRO::instance().Form_Activate();
    f.tmrTimer->setEnabled(false);

    ASSERT_EQ(f.bids, QStringList{number});
    const QDateTime end = Server().items().find(number)->endsAt.toLocalTime();
    // Lead time 3 s + bid delay 1 s before the end.
    EXPECT_NEAR(double(f.bidMoments.first().msecsTo(end)) / 1000.0, 4.0, 2.0);
    EXPECT_FALSE(frmExportTMRO::isLoaded());
    EXPECT_TRUE(Server().online().account("alice")->find(number));
}
