// The program as its own process with the longest list it takes, every row a
// real item at the simulator, and two snipes 6 s apart at the list's end:
// both go out, the list pane shows rows, and both outcomes are in the list
// file within seconds of the ends. The timing itself is the benchmark's (tests/bench/longlist.cpp).
// Takes a few minutes.
#include "engine/listfileformat.h"
#include "foundation/basgeneral.h"

#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/testfiles.h"
#include "tests/support/underasan.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QDateTime>
#include <QFile>
#include <QProcess>

#include <cstdio>

namespace {

using ProgramRun::Server;

// Time for the program to start and load the list before the first snipe.
constexpr qint64 kFirstEndS = kUnderAddressSanitizer ? 240 : 90;
constexpr qint64 kSpacingS = 6;
// "Within seconds", bounded loosely for a busy machine.
constexpr qint64 kOutcomeLateS = 30;

// The picture a row shows in the list pane.
QString pictureOf(const QString &number)
{
    return Server().url(QStringLiteral("/pane/") + number + QStringLiteral(".gif"));
}

// A list record of the item as a refresh leaves it: its end date as the file
// keeps it (the default zone is eBay's own, Pacific time).
QString record(const Sim::SimItem &item, const QString &timeLeft, const QString &maxBid, const QString &tag)
{
    const QDateTime pacific = item.endsAt.toUTC().addSecs(-8 * 3600);
    const QStringList values = {
        item.number,
        QStringLiteral("Vintage brass table lamp, opal glass shade, no. ") + item.number,
        timeLeft,
        pacific.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
        QStringLiteral("0"),
        QStringLiteral("1"),
        QStringLiteral("US $10.00"),
        maxBid,
        QStringLiteral("alice"),
        QString(),
        QString(),
        QStringLiteral("US $4.00"),
        QStringLiteral("lampseller"),
        item.picture,
        QString(),
        QString(),
    };
    QString line;
    ListFile::AppendRecord(line, ListFile::RecordFromRow(values, tag));
    return line;
}

QString addItem(const QDateTime &endsAt)
{
    Sim::SimItem item;
    item.title = QStringLiteral("Vintage brass table lamp");
    item.price = 10.0;
    item.endsAt = endsAt;
    const QString number = Server().items().add(item);
    Server().items().find(number)->picture = pictureOf(number);
    return number;
}

// The outcome (won "True" or "False") of the item's record in the list file, or "".
QString outcomeInFile(const QString &text, const QString &number)
{
    const qsizetype at = text.indexOf(QLatin1Char('"') + number + QStringLiteral("\","));
    if (at < 0)
        return {};
    const QStringList fields = text.mid(at, text.indexOf(QStringLiteral("\r\n"), at) - at).split(QStringLiteral("\",\""));
    const QString won = fields.value(14);
    // "won" reads "False" while the auction runs.
    return fields.value(2) == QLatin1String("Ended") && (won == QLatin1String("True") || won == QLatin1String("False")) ? won : QString();
}

} // namespace

TEST(LongListProgram, TwoSnipesSixSecondsApartGoOutAndBothOutcomesReachTheFileWithinSeconds)
{
    Server().addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    ProgramRun::PrepareFinishedFirstRunToSnipe(3, 2);
    const QDateTime now = QDateTime::currentDateTimeUtc();

    QString text;
    QString middleRow; // the first refresh pass reads it halfway through the list
    for (int i = 0; i < ListFile::kMaxRecords - 2; ++i) {
        const QString number = addItem(now.addSecs(86400 + qint64(i) * 3));
        if (i == ListFile::kMaxRecords / 2)
            middleRow = number;
        text += record(*Server().items().find(number), QStringLiteral("1 d 2 h "),
                       i % 3 ? QStringLiteral("1 @ 125.00") : QStringLiteral("(watching)"), i % 3 ? QStringLiteral("Local") : QString());
    }
    QStringList snipes;
    QList<QDateTime> ends;
    for (int i = 0; i < 2; ++i) {
        ends << now.addSecs(kFirstEndS + i * kSpacingS);
        snipes << addItem(ends.last());
        text += record(*Server().items().find(snipes.last()), QStringLiteral("10 m"), QStringLiteral("1 @ 25.00"),
                       QStringLiteral("Local"));
    }
    const QString listPath = basGeneral::DataFolder() + QStringLiteral("data6.dat");
    writeBytes(listPath, ListFile::EncodeFile(text));
    const qint64 mark = RefreshSim::Mark();

    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ASSERT_NO_FATAL_FAILURE(ProgramRun::StartDriven(program, {QStringLiteral("/nomon")}));
    const qint64 pid = program.processId();
    QList<QDateTime> seen = {QDateTime(), QDateTime()};
    QDateTime firstRows;
    const bool bothInFile = waitFor(
        [&] {
            if (!firstRows.isValid() && !ProgramRun::DrivenLogOf(pid, QStringLiteral("rows")).isEmpty())
                firstRows = QDateTime::currentDateTimeUtc();
            if (QDateTime::currentDateTimeUtc() < ends.first())
                return false;
            const QString saved = RefreshSim::DataFileText(QStringLiteral("data6.dat"));
            for (int i = 0; i < 2; ++i)
                if (!seen[i].isValid() && !outcomeInFile(saved, snipes[i]).isEmpty())
                    seen[i] = QDateTime::currentDateTimeUtc();
            return seen[0].isValid() && seen[1].isValid();
        },
        int((kFirstEndS + kSpacingS + 120) * 1000));
    // "<pid> rows <first> <count> <of>", logged each time the pane is written.
    const QStringList paneWrites = ProgramRun::DrivenLogOf(pid, QStringLiteral("rows"));
    ProgramRun::Stop(program);

    if (!bothInFile) {
        // What the file and the bid log said, to tell a late save from a lost one.
        const QString saved = RefreshSim::DataFileText(QStringLiteral("data6.dat"));
        for (const QString &number : snipes) {
            const qsizetype at = saved.indexOf(QLatin1Char('"') + number + QStringLiteral("\","));
            std::printf("record %s\n", qPrintable(at < 0 ? QStringLiteral("missing") : saved.mid(at, 300).section(QStringLiteral("\r\n"), 0, 0)));
        }
        std::printf("bid log:\n%s\n", qPrintable(RefreshSim::DataFileText(QStringLiteral("logbids.txt")).left(3000)));
    }
    ASSERT_FALSE(paneWrites.isEmpty()) << "the list pane never showed rows";
    EXPECT_GT(paneWrites.last().split(QLatin1Char(' ')).value(3).toInt(), 0);
    // The pane does not wait for the refresh: its rows show before the first
    // pass has read half the list.
    const QList<Sim::LogEntry> requests = RefreshSim::RequestsSince(mark);
    const auto middleRead = std::find_if(requests.cbegin(), requests.cend(), [&](const Sim::LogEntry &e) {
        return e.target.contains(QStringLiteral("item=") + middleRow);
    });
    if (firstRows.isValid() && middleRead != requests.cend())
        EXPECT_LT(firstRows, middleRead->arrival) << "the pane showed rows only once the refresh had read half the list";
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i == 0 ? "first snipe" : "second snipe");
        EXPECT_EQ(RefreshSim::BidConfirmationsSince(mark, snipes[i]).size(), 1) << "the snipe did not go out";
        ASSERT_TRUE(seen[i].isValid()) << "its outcome never reached the file";
        EXPECT_LE(ends[i].secsTo(seen[i]), kOutcomeLateS) << "its outcome reached the file late";
    }
    EXPECT_TRUE(bothInFile);
}
