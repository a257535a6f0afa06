// The list pane of the real program at the longest list it takes: rows show
// within seconds of the start, and the page holds only those around the view.
#include "engine/listfileformat.h"
#include "mainwindow/htmlwindow.h"
#include "tests/integration/programrun.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>

TEST(ListPaneProgram, AtTheLongestListThePaneShowsRowsWithinSeconds)
{
    ProgramRun::PrepareFinishedFirstRun();
    QStringList records;
    records.reserve(ListFile::kMaxRecords);
    for (int i = 0; i < ListFile::kMaxRecords; ++i)
        records << ProgramRun::ListRecord(QString::number(110000000000LL + i));
    ProgramRun::WriteList(records);

    QProcess program;
    QElapsedTimer sinceStart;
    sinceStart.start();
    ASSERT_NO_FATAL_FAILURE(ProgramRun::StartDriven(program, {QStringLiteral("/nomon")}));
    const qint64 pid = program.processId();
    // "<pid> rows <first> <count> <of>", logged when the pane is written.
    ASSERT_TRUE(waitFor([&] { return !ProgramRun::DrivenLogOf(pid, QStringLiteral("rows")).isEmpty(); }, 120000))
        << "no rows in the pane " << sinceStart.elapsed() << " ms after the start";
    std::printf("rows in the pane %lld ms after the start\n", sinceStart.elapsed());
    const QStringList rows = ProgramRun::DrivenLogOf(pid, QStringLiteral("rows")).first().split(QLatin1Char(' '));
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows.at(2).toInt(), 0);
    EXPECT_GT(rows.at(3).toInt(), 0);
    EXPECT_LE(rows.at(3).toInt(), 2 * HtmlList::kMarginRows + 100);
    EXPECT_EQ(rows.at(4).toInt(), ListFile::kMaxRecords);
    EXPECT_EQ(program.state(), QProcess::Running);
    ProgramRun::Stop(program);
}
