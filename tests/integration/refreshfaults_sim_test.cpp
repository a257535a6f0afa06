// The network faults (a reset connection, a hang, a page cut off in transit,
// an empty reply, a page that never ends) at the refresh before a snipe: eBay's time page
// and the item page. The page goes out once, the row keeps what it knew,
// the status says what went wrong, and the next refresh and the snipe after
// it still go through.
#include "tests/integration/refreshsimutil.h"

#include "engine/frminet.h"
#include "foundation/basgeneral.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"

#include <gtest/gtest.h>

using namespace RefreshSim;

namespace {

struct Fault
{
    Sim::FaultMode mode;
    const char *name;
    const char *status; // the start of the status line the refresh leaves
};
const Fault kFaults[] = {
    {Sim::FaultMode::Reset, "reset", "Refresh error #"},
    {Sim::FaultMode::Hang, "hang", "Request timed out, retrying..."},
    {Sim::FaultMode::Truncate, "truncate", "Refresh error #"},
    {Sim::FaultMode::Empty, "empty", "Done"},
    // Pages that never end fail at their size limit, long before the time-out.
    {Sim::FaultMode::Endless, "endless", "Refresh error #35750"},
    {Sim::FaultMode::EndlessChunked, "endless-chunked", "Refresh error #35750"},
};

QString status()
{
    return EngineForm().PanelText(QStringLiteral("Status"));
}

int count(const QStringList &targets, const QString &part)
{
    return int(targets.filter(part).size());
}

} // namespace

TEST(RefreshFaults, AtTheItemPage)
{
    Form &f = FreshForm();
    frmInet::instance().Inet->RequestTimeout = 1;
    for (const Fault &fault : kFaults) {
        SCOPED_TRACE(fault.name);
        const QString number = AddItem(1800, 3.0);
        ListItem *row = AddRow(number, {{"timeleft", "30 m"}, {"currentbid", "US $2.00"}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}},
                               QStringLiteral("Local"));
        AddFault(QStringLiteral("ViewItem&item=") + number, fault.mode);
        qint64 mark = Mark();
        f.blnFreezeStatus = false;
        f.RefreshAuctions(number, false, false);
        Server().faults().clear();

        EXPECT_EQ(count(TargetsSince(mark), QStringLiteral("ViewItem&item=") + number), 1) << "sent once, never again underneath";
        EXPECT_TRUE(status().startsWith(QLatin1String(fault.status))) << status().toStdString();
        // Nothing read from a broken page: the row keeps what it knew.
        EXPECT_EQ(Field(row, "timeleft"), "30 m");
        EXPECT_EQ(Field(row, "currentbid"), "US $2.00");
        EXPECT_EQ(Field(row, "won"), "");
        EXPECT_EQ(row->Tag(), "Local");

        // The next refresh reads the page again.
        mark = Mark();
        f.blnFreezeStatus = false;
        f.RefreshAuctions(number, false, false);
        EXPECT_EQ(count(TargetsSince(mark), QStringLiteral("ViewItem&item=") + number), 1);
        EXPECT_GT(SecondsShown(row), 1700);
        EXPECT_NE(Field(row, "currentbid"), "US $2.00");
    }
}

// eBay's clock unread: the offset in force stands and the pass reads its
// rows all the same; the status says so at each failure, the log once per
// spell of them.
TEST(RefreshFaults, AtTheTimePage)
{
    Form &f = FreshForm();
    frmInet::instance().Inet->RequestTimeout = 1;
    f.Inet->RequestTimeout = 1;
    const QString told = QStringLiteral("eBay's clock could not be read");
    for (const Fault &fault : kFaults) {
        SCOPED_TRACE(fault.name);
        const QString number = AddItem(1800, 3.0);
        ListItem *row = AddRow(number, {{"timeleft", "30 m"}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
        AddFault(QStringLiteral("EbayTime"), fault.mode, 2);
        const qsizetype loggedBefore = DataFileText(QStringLiteral("log.txt")).count(told);
        const qsizetype errorsBefore = DataFileText(QStringLiteral("log.txt")).count(QLatin1String("Error in RefreshAuctions"));
        for (int pass = 0; pass < 2; ++pass) {
            const qint64 mark = Mark();
            f.blnFreezeStatus = false;
            f.RefreshAuctions(QString(), false, false);
            const QStringList targets = TargetsSince(mark);
            EXPECT_EQ(count(targets, QStringLiteral("EbayTime")), 1) << "sent once, never again underneath";
            EXPECT_EQ(count(targets, QStringLiteral("ViewItem&item=") + number), 1) << "the row is read all the same";
            EXPECT_TRUE(status().startsWith(told)) << status().toStdString();
            // Held from its last showing as long as a missed snipe's message.
            EXPECT_TRUE(f.tmrFreezeStatus->Enabled());
            EXPECT_GE(f.tmrFreezeStatus->Interval(), 15'000);
            EXPECT_GT(SecondsShown(row), 1700);
            EXPECT_FALSE(f.blnRefreshing);
            EXPECT_FALSE(f.blnPreventExit);
            EXPECT_EQ(row->Tag(), "Local");
        }
        EXPECT_EQ(DataFileText(QStringLiteral("log.txt")).count(told), loggedBefore + 1);
        EXPECT_EQ(DataFileText(QStringLiteral("log.txt")).count(QLatin1String("Error in RefreshAuctions")), errorsBefore);
        Server().faults().clear();

        f.blnFreezeStatus = false;
        f.RefreshAuctions(QString(), false, false);
        EXPECT_GT(SecondsShown(row), 1700);
        EXPECT_FALSE(status().startsWith(told)) << status().toStdString();
    }
}

// A connection reset before the answer is an error of that one request: the
// page is not sent again under the transfer control.
TEST(RefreshFaults, AResetPageIsNotSentAgainUnderneath)
{
    Form &f = FreshForm();
    const QString number = AddItem(1800, 3.0);
    AddRow(number, {{"timeleft", "30 m"}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    AddFault(QStringLiteral("ViewItem&item=") + number, Sim::FaultMode::Reset);
    const qint64 mark = Mark();
    f.RefreshAuctions(number, false, false);
    EXPECT_EQ(count(TargetsSince(mark), QStringLiteral("ViewItem&item=") + number), 1);
    EXPECT_TRUE(status().startsWith(QLatin1String("Refresh error #"))) << status().toStdString();
}
