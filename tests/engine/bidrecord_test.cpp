// The record of this program's bids in the data folder: what a program
// started again reads from it, what a damaged one still gives, and which
// rows it keeps from bidding a second time.
#include "tests/engine/enginetestutil.h"

#include "engine/bidrecord.h"
#include "platform/listview.h"
#include "tests/support/filemode.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cstdio>

using namespace EngineTest;
using BidRecord::Outcome;

namespace {

const QString kFile = QStringLiteral("bidresults.dat");

} // namespace

TEST(BidRecord, KeepsTheLatestOutcomeOfEachListedItemInAPrivateFile)
{
    FreshForm();
    for (const char *number : {"1", "2", "3"})
        AddRow(QString::fromLatin1(number), {{"maxbid", "1 @ 5.00"}}, QStringLiteral("Local"));

    EXPECT_EQ(BidRecord::Of("1"), Outcome::None);
    BidRecord::MarkSent("1");
    EXPECT_EQ(BidRecord::Of("1"), Outcome::Sent);
    BidRecord::MarkFailed("1");
    BidRecord::MarkConfirmed("1"); // a later bid went in
    BidRecord::MarkSent("2");
    BidRecord::MarkFailed("2");
    EXPECT_EQ(BidRecord::Of("1"), Outcome::Confirmed);
    EXPECT_EQ(BidRecord::Of("2"), Outcome::Failed);
    EXPECT_EQ(FileMode(DataPath(kFile)), "0600");

    // A removed row's outcome goes with the next outcome written, not with a
    // confirmation about to go out.
    EngineForm().lvwAuctions->Remove(1);
    BidRecord::MarkSent("3");
    EXPECT_EQ(BidRecord::Of("1"), Outcome::Confirmed);
    BidRecord::MarkConfirmed("3");
    EXPECT_EQ(BidRecord::Of("1"), Outcome::None);
    EXPECT_EQ(BidRecord::Of("2"), Outcome::Failed);

    BidRecord::Forget("2");
    EXPECT_EQ(BidRecord::Of("2"), Outcome::None);
    EXPECT_EQ(BidRecord::Of("3"), Outcome::Confirmed);
}

TEST(BidRecord, ADamagedFileGivesWhatIsWholeAndIsWrittenAnew)
{
    FreshForm();
    AddRow("7", {}, QStringLiteral("Local"));
    AddRow("8", {}, QStringLiteral("Local"));
    WriteDataFile(kFile, "\"7\",\"failed\"\r\n\"8\",\"conf");
    EXPECT_EQ(BidRecord::Of("7"), Outcome::Failed);
    EXPECT_EQ(BidRecord::Of("8"), Outcome::None);
    BidRecord::MarkConfirmed("8");
    EXPECT_EQ(ReadDataFile(kFile), QByteArray("\"7\",\"failed\"\r\n\"8\",\"confirmed\"\r\n"));
}

TEST(BidRecord, OnlyALocalSnipeWhoseBidWentOutIsShownAsBidAfterARestart)
{
    FreshForm();
    AddRow("5", {}, QStringLiteral("Local"));
    BidRecord::MarkSent("5");
    for (const char *tag : {"Local", "Both", "Ready to bid"})
        EXPECT_EQ(BidRecord::TagAfterRestart("5", QString::fromLatin1(tag)), "Bid complete") << tag;
    for (const char *tag : {"", "Online", "Other in group won", "Bid complete"})
        EXPECT_EQ(BidRecord::TagAfterRestart("5", QString::fromLatin1(tag)), QString::fromLatin1(tag)) << tag;
    EXPECT_EQ(BidRecord::TagAfterRestart("6", "Local"), "Local") << "no bid went out for it";
}

// Another copy of the program (one started again, or the monitor's restart)
// shares the file: what it writes, renamed over the old file as every writer
// does, counts at once, even when it is the same size and comes within the
// same instant.
TEST(BidRecord, AnotherWritersRecordCountsAtOnce)
{
    FreshForm();
    AddRow("41", {}, QStringLiteral("Local"));
    AddRow("42", {}, QStringLiteral("Local"));
    BidRecord::MarkSent("41");
    ASSERT_EQ(BidRecord::Of("41"), Outcome::Sent);

    const auto replaceFile = [](const QByteArray &bytes) {
        WriteDataFile(kFile + ".new", bytes);
        ::rename(QFile::encodeName(DataPath(kFile + ".new")).constData(), QFile::encodeName(DataPath(kFile)).constData());
    };
    replaceFile("\"42\",\"sent\"\r\n");
    EXPECT_EQ(BidRecord::Of("41"), Outcome::None);
    EXPECT_EQ(BidRecord::Of("42"), Outcome::Sent);

    RemoveDataFile(kFile);
    EXPECT_EQ(BidRecord::Of("42"), Outcome::None);

    // Our own next write starts from the other writer's record, not from
    // what was kept in memory.
    replaceFile("\"42\",\"failed\"\r\n");
    BidRecord::MarkConfirmed("41");
    EXPECT_EQ(BidRecord::Of("42"), Outcome::Failed);
    EXPECT_EQ(BidRecord::Of("41"), Outcome::Confirmed);
}
