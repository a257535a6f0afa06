// The program as its own process, sniping items whose sellers set the
// shipping text to exactly one of eBay's labels or notices: "Winning bidder:"
// on a won item of a group printed above eBay's own winner entry, "Bidding
// has ended for this item" and the moved-listing notice on running items.
// The won item reads won and holds back its group's next snipe; the running
// items read their ends, are sniped at their moments, and their pages are
// read at the fast refresh's pace.
#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/waitfor.h"

#include "foundation/basgeneral.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <csignal>
#include <cstdio>

namespace {

// The saved list's record of `number`, its fields unquoted; empty when absent.
QStringList savedRecord(const QString &number)
{
    QFile file(basGeneral::DataFolder() + QStringLiteral("data6.dat"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : file.readAll().split('\n')) {
        QString text = QString::fromLatin1(line).trimmed();
        if (!text.startsWith(QLatin1Char('"') + number + QLatin1Char('"')))
            continue;
        text.chop(1);
        return text.mid(1).split(QStringLiteral("\",\""));
    }
    return {};
}

int itemPageReads(const QString &number)
{
    int reads = 0;
    for (const Sim::LogEntry &e : RefreshSim::RequestsSince(0))
        if (e.target.contains(QStringLiteral("ViewItem&item=") + number))
            ++reads;
    return reads;
}

} // namespace

TEST(SellerValuesProgram, ShippingTextsThatReadLikeEbaysLabelsAndNoticesLeaveWinsGroupsAndSnipesAsEbaySays)
{
    Sim::SimServer &sim = ProgramRun::Server();
    sim.addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto add = [&](qint64 endsIn, const QString &shipping, const QString &layout = QStringLiteral("default")) {
        Sim::SimItem item;
        item.title = QStringLiteral("Brass lamp");
        item.price = 10.0;
        item.shipping = shipping;
        item.layout = layout;
        item.endsAt = QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() + endsIn, Qt::UTC);
        return sim.items().add(item);
    };
    // Once ended, the "ended_div" page prints the postage row above the winner entry.
    const QString won = add(40, QStringLiteral("Winning bidder:"), QStringLiteral("ended_div"));
    const QString biddingEnded = add(52, QStringLiteral("Bidding has ended for this item"));
    const QString moved = add(60, QStringLiteral("This item is not available for purchase on eBay United States."));
    const QString groupsNext = add(80, QStringLiteral("US $4.50"));
    ProgramRun::PrepareFinishedFirstRunToSnipe(5, 2); // bid delay entry 2: 3 s; fast refresh every 5 s
    const auto snipe = [](const QString &number, const QString &group = {}) {
        QString record = ProgramRun::ListRecord(number, QStringLiteral("1 @ 25.00"), QStringLiteral("Local"));
        return record.replace(QStringLiteral("\"alice\",\"\""), QStringLiteral("\"alice\",\"") + group + QLatin1Char('"'));
    };
    ProgramRun::WriteList({snipe(won, QStringLiteral("lamps")), snipe(biddingEnded), snipe(moved),
                           snipe(groupsNext, QStringLiteral("lamps"))});

    QProcess program;
    QElapsedTimer running;
    running.start();
    ASSERT_NO_FATAL_FAILURE(ProgramRun::StartProgram(program));
    const QDateTime lastEnd = sim.items().find(groupsNext)->endsAt;
    waitFor([&] { return program.state() == QProcess::NotRunning || QDateTime::currentDateTimeUtc() > lastEnd.addSecs(6); },
            120000);
    const double seconds = running.elapsed() / 1000.0;
    const bool ranThrough = program.state() == QProcess::Running;
    ::kill(pid_t(program.processId()), SIGKILL);
    program.waitForFinished(10000);
    ASSERT_TRUE(ranThrough);

    // Each running item sniped once, before its end, and won.
    for (const QString &number : {won, biddingEnded, moved}) {
        SCOPED_TRACE(sim.items().find(number)->shipping.toStdString());
        const QList<Sim::LogEntry> confirmations = RefreshSim::BidConfirmationsSince(0, number);
        EXPECT_EQ(confirmations.size(), 1);
        if (confirmations.isEmpty())
            continue;
        EXPECT_LT(confirmations.first().arrival, sim.items().find(number)->endsAt.toLocalTime());
        EXPECT_EQ(sim.items().find(number)->winner, QStringLiteral("alice"));
    }
    // The group was won: its next snipe held back.
    EXPECT_EQ(savedRecord(won).value(14), "True");
    EXPECT_TRUE(RefreshSim::BidConfirmationsSince(0, groupsNext).isEmpty());
    EXPECT_EQ(savedRecord(groupsNext).value(16), "Other in group won");
    // The moved notice as shipping text: the row read its end, and its page
    // was read about every 5 s, not every second.
    EXPECT_EQ(savedRecord(moved).value(2), "Ended");
    const int reads = itemPageReads(moved);
    std::printf("the moved notice's item: page read %d times in %.0f s\n", reads, seconds);
    EXPECT_LE(reads, int(seconds / 4) + 4) << "in " << seconds << " s";
}
