// Reading the release information: the tag lines, what a broken reply raises,
// and the file kept in the data folder.
#include "sellertools/updateinfo.h"

#include "foundation/basgeneral.h"
#include "platform/numberederror.h"
#include "tests/support/testtext.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

UpdateInfo parse(const QStringList &lines) { return UpdateInfoFile::Parse(lines); }
int errorOf(const QStringList &lines) { return ErrorNumberOf([&] { parse(lines); }); }

} // namespace

TEST(UpdateInfo, ExactTagLinesGiveVersionNotesAndCriticalMark)
{
    const UpdateInfo info = parse({"junk", "<version>", "12", "<notes>", "Faster refresh", "", "Fixes", "</notes>",
                                   "<critical>", "True", "trailing"});
    EXPECT_EQ(info.version, 12);
    EXPECT_EQ(info.notes, "Faster refresh\r\n\r\nFixes\r\n");
    EXPECT_TRUE(info.critical);

    // A second notes block is appended; the tag lines inside a block are notes.
    EXPECT_EQ(parse({"<notes>", "a", "</notes>", "x", "<notes>", "<version>", "</notes>"}).notes,
              "a\r\n<version>\r\n");

    // Tags match whole and exactly.
    const UpdateInfo none = parse({"Welcome", "<VERSION>", "99", " <version>", "98", "<critical> ", "True"});
    EXPECT_EQ(none.version, 0);
    EXPECT_EQ(none.notes, "");
    EXPECT_FALSE(none.critical);

    EXPECT_FALSE(parse({"<critical>", "true"}).critical);
    EXPECT_FALSE(parse({"<critical>", "True "}).critical);
    // The later of two version lines counts.
    EXPECT_EQ(parse({"<version>", "3", "<version>", " 7 "}).version, 7);
}

TEST(UpdateInfo, MalformedRepliesRaiseInsteadOfOfferingAnything)
{
    EXPECT_EQ(errorOf({"<version>", "twelve"}), ErrorNumber::TypeMismatch);
    EXPECT_EQ(errorOf({"<version>", ""}), ErrorNumber::TypeMismatch);
    EXPECT_EQ(errorOf({"<version>", "12.5"}), ErrorNumber::TypeMismatch);
    EXPECT_EQ(errorOf({"<version>", "32768"}), 6);
    EXPECT_EQ(errorOf({"<version>", "32767"}), 0);
    // A tag whose value never comes, and notes without their end line.
    EXPECT_EQ(errorOf({"<version>"}), 62);
    EXPECT_EQ(errorOf({"<critical>"}), 62);
    EXPECT_EQ(errorOf({"<notes>", "one", "two"}), 62);
}

TEST(UpdateInfo, TheReplyIsKeptWithALineEndAndReadBack)
{
    const QString folder = basGeneral::DataFolder();
    QDir().mkpath(folder);
    UpdateInfoFile::Save(folder, "<version>\n5\n<notes>\nCaf\u00e9\n</notes>");
    QFile file(folder + "update.inf");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("<version>\n5\n<notes>\nCaf\xe9\n</notes>\r\n"));
    file.close();

    int lines = 0;
    const UpdateInfo info = UpdateInfoFile::Read(folder, [&] { ++lines; });
    EXPECT_EQ(info.version, 5);
    EXPECT_EQ(info.notes, QString("Caf\u00e9\r\n"));
    EXPECT_EQ(lines, 5);

    EXPECT_EQ(UpdateInfoFile::SplitLines("a\r\n\r\nb\rc\r\n"), QStringList({"a", "", "b", "c"}));
    // A new reply replaces the old one whole.
    UpdateInfoFile::Save(folder, "nothing");
    EXPECT_EQ(UpdateInfoFile::Read(folder).version, 0);
}
