// Every file the program writes into the data folder is the user's alone
// (mode 0600): the list file, the logs, the bid window's page dump and the
// files moved in from older versions; new ones and ones left readable by
// others, narrowed at their next write.
#include "tests/engine/enginetestutil.h"

#include "engine/frmbid.h"
#include "foundation/basgeneral.h"
#include "tests/support/filemode.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <sys/stat.h>

using namespace EngineTest;

namespace {

struct UsualUmask
{
    mode_t old = ::umask(022);
    ~UsualUmask() { ::umask(old); }
};

// A file as an older version (or a copy from elsewhere) left it.
void leaveReadableByAll(const QString &name)
{
    WriteDataFile(name, "old\r\n");
    ASSERT_TRUE(SetFileMode(DataPath(name), 0644));
}

} // namespace

TEST(DataFileModes, EveryWriterMakesOwnerOnlyFilesAndNarrowsWiderOnes)
{
    UsualUmask umask;
    QDir().mkpath(basGeneral::DataFolder());
    RemoveListFiles();
    for (const char *name : {"log.txt", "logbids.txt", "4result.htm"})
        RemoveDataFile(QString::fromLatin1(name));

    // New files.
    TestEngineForm &form = FreshForm();
    AddRow("1", {{"itemtitle", "A lamp"}});
    form.SaveList(false);
    basGeneral::WriteLog("log.txt", "Starting");
    frmBid bid;
    bid.SaveData("<html>the bid's reply</html>", "4result.htm");
    for (const char *name : {"data6.dat", "log.txt", "4result.htm"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(FileMode(DataPath(name)), "0600");
    }

    // Files readable by all before: narrowed at their next write.
    for (const char *name : {"data6.dat", "log.txt", "logbids.txt", "4result.htm"})
        leaveReadableByAll(QString::fromLatin1(name));
    form.SaveList(false);
    basGeneral::WriteLog("log.txt", "Starting again");
    basGeneral::WriteLog("logbids.txt", "Bidding");
    bid.SaveData("<html>another reply</html>", "4result.htm");
    for (const char *name : {"data6.dat", "log.txt", "logbids.txt", "4result.htm"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(FileMode(DataPath(name)), "0600");
    }
    EXPECT_TRUE(ReadDataFile("log.txt").contains("Starting again"));
    EXPECT_TRUE(ReadDataFile("log.txt").contains("old"));

    // A data file of an older version moved into the data folder.
    const QString old = basGeneral::RoamingDataFolder() + "relist.dat";
    QDir().mkpath(basGeneral::RoamingDataFolder());
    RemoveDataFile("relist.dat");
    QFile f(old);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("relist\r\n");
    f.close();
    ASSERT_TRUE(SetFileMode(old, 0644));
    basGeneral::MoveFileIfMissing(old, DataPath("relist.dat"));
    EXPECT_EQ(ReadDataFile("relist.dat"), "relist\r\n");
    EXPECT_EQ(FileMode(DataPath("relist.dat")), "0600");
}
