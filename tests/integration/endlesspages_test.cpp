// Item pages that never end, served as fast as the program reads them (one
// without a stated length, one in chunks), while another row's snipe comes
// due: the program, as its own process, fails those pages as refresh errors,
// stays small and places the snipe on time.
#include "sim/core/simserver.h"

#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/procstatus.h"
#include "tests/support/underasan.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <csignal>
#include <iostream>

namespace {

using ProgramRun::Server;

// Lead time 5 s and a bid delay of 3 s: the bid starts 8 s before the end
// and confirms 3 s before it.
constexpr int kBidBeforeEndS = 8;
constexpr int kConfirmBeforeEndS = 3;

// The program's memory may stay under 300 MB. Built with AddressSanitizer it
// also holds freed memory back before reuse (its quarantine, 256 MB by default).
constexpr qint64 kMemoryLimitKb = (kUnderAddressSanitizer ? 300 + 256 : 300) * 1024;

QString AddItem(QDateTime endsAt)
{
    Sim::SimItem item;
    item.title = QStringLiteral("Item");
    item.price = 1.0;
    item.endsAt = endsAt;
    return Server().items().add(item);
}

QList<Sim::LogEntry> Requests(const QString &part)
{
    QList<Sim::LogEntry> found;
    for (const Sim::LogEntry &e : Server().requestLog().since(0))
        if (e.target.contains(part))
            found << e;
    return found;
}

} // namespace

TEST(EndlessPages, TheProgramStaysSmallAndTheSnipeGoesOutOnTime)
{
    Server().addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QString plain = AddItem(now.addSecs(3600));
    const QString chunked = AddItem(now.addSecs(3600));
    // Ends on a whole second, as the item page shows it.
    const QDateTime end = QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() + 50, Qt::UTC);
    const QString snipe = AddItem(end);
    RefreshSim::AddFault(QStringLiteral("ViewItem&item=") + plain, Sim::FaultMode::Endless, -1);
    RefreshSim::AddFault(QStringLiteral("ViewItem&item=") + chunked, Sim::FaultMode::EndlessChunked, -1);
    ProgramRun::PrepareFinishedFirstRunToSnipe(5, 2); // bid delay entry 2: 3 s
    using ProgramRun::ListRecord;
    ASSERT_NO_FATAL_FAILURE(
        ProgramRun::WriteList({ListRecord(plain), ListRecord(chunked), ListRecord(snipe, "1 @ 5.00", "Local")}));

    QProcess program;
    ASSERT_NO_FATAL_FAILURE(ProgramRun::StartProgram(program));
    const qint64 pid = program.processId();

    auto confirmed = [&] { return !RefreshSim::BidConfirmationsSince(0, snipe).isEmpty(); };
    qint64 largestRssKb = 0;
    const bool placed = waitFor(
        [&] {
            largestRssKb = std::max(largestRssKb, StatusKb(pid, "VmRSS"));
            // A program that grows past any doubt is stopped before it
            // takes the machine's memory.
            return confirmed() || program.state() == QProcess::NotRunning || largestRssKb > 1024 * 1024;
        },
        70000);
    const qint64 peakKb = std::max(largestRssKb, StatusKb(pid, "VmHWM"));
    std::cout << "[ memory ] program peak " << peakKb / 1024 << " MB with two endless item pages\n";
    RecordProperty("peak_rss_kb", int(peakKb));

    ::kill(pid_t(pid), SIGKILL);
    program.waitForFinished(10000);

    ASSERT_TRUE(placed) << "no confirmation for the due snipe";
    // The endless pages were read again and again, the last of them while the
    // snipe was due.
    const QList<Sim::LogEntry> plainPages = Requests(QStringLiteral("ViewItem&item=") + plain);
    const QList<Sim::LogEntry> chunkedPages = Requests(QStringLiteral("ViewItem&item=") + chunked);
    ASSERT_GE(plainPages.size(), 2);
    ASSERT_GE(chunkedPages.size(), 2);
    EXPECT_EQ(plainPages.last().fault, "endless");
    EXPECT_EQ(chunkedPages.last().fault, "endless-chunked");
    const QDateTime moment = end.addSecs(-kBidBeforeEndS).toLocalTime();
    EXPECT_GT(chunkedPages.last().arrival, moment.addSecs(-15));

    const QList<Sim::LogEntry> confirmations = RefreshSim::BidConfirmationsSince(0, snipe);
    ASSERT_FALSE(confirmations.isEmpty()) << "no confirmation for the due snipe";
    const QDateTime confirmedAt = confirmations.last().arrival;
    const qint64 lateMs = end.addSecs(-kConfirmBeforeEndS).toLocalTime().msecsTo(confirmedAt);
    std::cout << "[ timing ] confirmation " << lateMs << " ms after its moment\n";
    EXPECT_GT(lateMs, -500) << "not before its moment";
    EXPECT_LT(lateMs, 2000) << "on time, before the end";
    EXPECT_EQ(Server().bids().item(snipe).maxima.size(), 1);
    EXPECT_LT(peakKb, kMemoryLimitKb) << "the program grew to " << peakKb / 1024 << " MB";
}
