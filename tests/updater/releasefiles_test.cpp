// The updater's pieces that decide what is installed: the release named in
// "update.inf", the archive's contents, and the swap that must leave the
// program folder whole whatever fails.
#include "updater/folderswap.h"
#include "updater/releasearchive.h"
#include "updater/releaseinfo.h"

#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

const QString kSum = QString(64, QLatin1Char('a'));

// Parses the lines and checks the release's size against a largest size of
// 1000 bytes, leaving the signature alone.
bool parse(QStringList lines, ReleaseInfo *info, QString *error)
{
    // Revision, size and signature unless the test gives its own.
    for (const char *tag : {"<version>", "<size>", "<signature>"})
        if (!lines.contains(tag))
            lines << tag << (QString(tag) == "<signature>" ? "c2lnbmVk" : "12");
    const ReleaseInfoFile::Reading reading = ReleaseInfoFile::Parse(lines);
    *info = reading.info;
    *error = reading.error;
    if (!reading.ok())
        return false;
    if (ReleaseInfoFile::Check(reading.info, 1000, {}, error) || *error == "the release is not signed by the vendor")
        return true;
    return false;
}

// A tar archive of `names` below `dir`, made with the system's tar.
QString makeArchive(const QString &dir, const QStringList &names, const QStringList &extra = {})
{
    const QString archive = dir + "/../release.tar";
    QProcess tar;
    tar.start("tar", QStringList{"-cf", archive, "-C", dir} + extra + names);
    EXPECT_TRUE(tar.waitForFinished(30000));
    EXPECT_EQ(tar.exitCode(), 0) << tar.readAllStandardError().toStdString();
    return archive;
}

} // namespace

TEST(ReleaseInfo, TakesAPathOnTheVendorsHostAndItsChecksumAndNothingElse)
{
    ReleaseInfo info;
    QString error;
    ASSERT_TRUE(parse({"<version>", "12", "<download>", "/releases/t-12.tar", "<size>", "1000", "<sha256>", kSum.toUpper(),
                       "<signature>", "c2lnbmVk", ""},
                      &info, &error));
    EXPECT_EQ(info.version, 12);
    EXPECT_EQ(info.path, "/releases/t-12.tar");
    EXPECT_EQ(info.size, 1000);
    EXPECT_EQ(info.sha256, kSum.toLatin1());
    EXPECT_EQ(info.signature, "signed");

    // Without a signature, a size, or with a size beyond the largest release.
    EXPECT_FALSE(parse({"<download>", "/r.tar", "<sha256>", kSum, "<signature>", "not base64!"}, &info, &error));
    EXPECT_EQ(error, "the release is not signed by the vendor");
    EXPECT_FALSE(parse({"<download>", "/r.tar", "<sha256>", kSum, "<size>", "none"}, &info, &error));
    EXPECT_EQ(error, "the update information gives no revision or size for the release");
    EXPECT_FALSE(parse({"<download>", "/r.tar", "<sha256>", kSum, "<size>", "1001"}, &info, &error));
    EXPECT_EQ(error, "the release is larger than an update may be (1001 bytes, at most 1000)");

    // A reply from before downloads were offered, or half of one.
    EXPECT_FALSE(parse({"<version>", "12", "<notes>", "</notes>"}, &info, &error));
    EXPECT_EQ(error, "the update information names no release to download");
    EXPECT_FALSE(parse({"<download>", "/r.tar", "<sha256>"}, &info, &error));
    EXPECT_FALSE(parse({"<sha256>", kSum, " <download>", "/r.tar"}, &info, &error));

    // Nothing that would fetch from another host or climb out of the site.
    for (const QString &address : {"http://elsewhere.example/r.tar", "//elsewhere.example/r.tar", "r.tar",
                                   "/releases/../../r.tar", "/r.tar evil"}) {
        SCOPED_TRACE(address.toStdString());
        EXPECT_FALSE(parse({"<download>", address, "<sha256>", kSum}, &info, &error));
        EXPECT_TRUE(error.startsWith("the update information names a download address that is not on the vendor's server"));
    }
    for (const QString &sum : {kSum.left(63), kSum + "a", kSum.left(63) + "g"}) {
        EXPECT_FALSE(parse({"<download>", "/r.tar", "<sha256>", sum}, &info, &error));
        EXPECT_EQ(error, "the update information holds no valid checksum for the release");
    }
}

TEST(ReleaseArchive, UnpacksPlainFilesAndRefusesLinksAndNamesOutsideTheFolderBeforeWritingAnything)
{
    QTemporaryDir tmp;
    const QString src = tmp.filePath("src");
    writeBytes(src + "/tallowmere", "program");
    writeBytes(src + "/pics/nopic.gif", "gif");
    const QString into = tmp.filePath("into");
    QDir().mkpath(into);
    QString error;
    ASSERT_TRUE(ReleaseArchive::Unpack(makeArchive(src, {"tallowmere", "pics"}), into, &error)) << error.toStdString();
    EXPECT_EQ(FolderSwap::FilesBelow(into), QStringList({"pics/nopic.gif", "tallowmere"}));
    EXPECT_EQ(fileBytes(into + "/pics/nopic.gif"), "gif");

    // A link could point at any file once it stands in the program folder.
    QDir(into).removeRecursively();
    QDir().mkpath(into);
    ASSERT_TRUE(QFile::link("/etc/passwd", src + "/passwd"));
    EXPECT_FALSE(ReleaseArchive::Unpack(makeArchive(src, {"tallowmere", "passwd"}), into, &error));
    EXPECT_EQ(error, "the release archive holds something that is not a plain file or folder: passwd");
    EXPECT_TRUE(FolderSwap::FilesBelow(into).isEmpty());

    // A member that would land above the folder is refused before unpacking.
    QDir(into).removeRecursively();
    QDir().mkpath(into + "/sub");
    writeBytes(into + "/outside", "mine");
    EXPECT_FALSE(ReleaseArchive::Unpack(makeArchive(src, {"../src/tallowmere"}, {"-P"}), into + "/sub", &error));
    EXPECT_EQ(error, "the release archive holds a file outside the program folder: ../src/tallowmere");
    EXPECT_EQ(FolderSwap::FilesBelow(into), QStringList({"outside"}));

    // Something that is no archive at all.
    writeBytes(tmp.filePath("junk.tar"), "not an archive");
    EXPECT_FALSE(ReleaseArchive::Unpack(tmp.filePath("junk.tar"), into + "/sub", &error));
    EXPECT_TRUE(error.startsWith("the release archive could not be unpacked"));
}

TEST(FolderSwap, ReplacesFilesKeepingTheOldOnesAndUndoesEverythingWhenOneMoveFails)
{
    QTemporaryDir tmp;
    const QString folder = tmp.filePath("program");
    const QString staged = tmp.filePath("program/.work/new");
    const QString backup = tmp.filePath("program/.work/old");
    writeBytes(folder + "/a", "old a");
    writeBytes(folder + "/keep", "kept");
    writeBytes(staged + "/a", "new a");
    writeBytes(staged + "/pics/p.gif", "new picture");
    QString error;
    ASSERT_TRUE(FolderSwap::Swap(folder, staged, backup, &error)) << error.toStdString();
    EXPECT_EQ(fileBytes(folder + "/a"), "new a");
    EXPECT_EQ(fileBytes(folder + "/pics/p.gif"), "new picture");
    EXPECT_EQ(fileBytes(folder + "/keep"), "kept");
    EXPECT_EQ(fileBytes(backup + "/a"), "old a");
    EXPECT_TRUE(FolderSwap::FilesBelow(staged).isEmpty());

    // "a" is swapped first; "b/c" cannot go where the file "b" stands, so
    // "a" goes back and the folder made for nothing is taken away.
    QDir(tmp.filePath("program/.work")).removeRecursively();
    writeBytes(staged + "/a", "newer a");
    writeBytes(staged + "/b/c", "c");
    writeBytes(staged + "/d/e", "e");
    writeBytes(folder + "/b", "a file");
    EXPECT_FALSE(FolderSwap::Swap(folder, staged, backup, &error));
    EXPECT_EQ(fileBytes(folder + "/a"), "new a");
    EXPECT_EQ(fileBytes(folder + "/b"), "a file");
    EXPECT_EQ(FolderSwap::FilesBelow(folder).filter(QRegularExpression("^[^.]")),
              QStringList({"a", "b", "keep", "pics/p.gif"}));
    EXPECT_EQ(FolderSwap::FilesBelow(staged), QStringList({"a", "b/c", "d/e"}));
    EXPECT_TRUE(FolderSwap::FilesBelow(backup).isEmpty());
}

TEST(FolderSwap, TheOldFilesOfACutOffSwapComeBack)
{
    QTemporaryDir tmp;
    const QString folder = tmp.filePath("program");
    // Cut off after "a" and "lib/b" were replaced: their old forms are saved.
    writeBytes(folder + "/a", "new a");
    writeBytes(folder + "/lib/b", "new b");
    writeBytes(folder + "/c", "old c");
    writeBytes(folder + "/.work/old/a", "old a");
    writeBytes(folder + "/.work/old/lib/b", "old b");
    QString error;
    ASSERT_TRUE(FolderSwap::RestoreBackup(folder, folder + "/.work/old", &error));
    EXPECT_EQ(fileBytes(folder + "/a"), "old a");
    EXPECT_EQ(fileBytes(folder + "/lib/b"), "old b");
    EXPECT_EQ(fileBytes(folder + "/c"), "old c");
    EXPECT_TRUE(FolderSwap::FilesBelow(folder + "/.work/old").isEmpty());
}
