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

ReleaseInfo parse(const QStringList &lines) { return UpdateInfoFile::Parse(lines); }
int errorOf(const QStringList &lines) { return ErrorNumberOf([&] { parse(lines); }); }

// "number description" of what reading the lines raises.
QString refusalOf(const QStringList &lines)
{
    try {
        parse(lines);
    } catch (const NumberedError &e) {
        return QString::number(e.number()) + ' ' + e.description();
    }
    return "read";
}

} // namespace

TEST(UpdateInfo, ExactTagLinesGiveVersionNotesAndCriticalMark)
{
    const ReleaseInfo info = parse({"junk", "<version>", "12", "<notes>", "Faster refresh", "", "Fixes", "</notes>",
                                   "<critical>", "True", "trailing"});
    EXPECT_EQ(info.version, 12);
    EXPECT_EQ(info.notes, "Faster refresh\r\n\r\nFixes\r\n");
    EXPECT_TRUE(info.critical);

    // The tag lines inside a block are notes.
    const ReleaseInfo noted = parse({"<notes>", "a", "<version>", "9", "</notes>", "<critical>", "</notes>"});
    EXPECT_EQ(noted.notes, "a\r\n<version>\r\n9\r\n");
    EXPECT_EQ(noted.version, 0);
    EXPECT_FALSE(noted.critical);

    // Tags match whole and exactly.
    const ReleaseInfo none = parse({"Welcome", "<VERSION>", "99", " <version>", "98", "<critical> ", "True"});
    EXPECT_EQ(none.version, 0);
    EXPECT_EQ(none.notes, "");
    EXPECT_FALSE(none.critical);

    EXPECT_FALSE(parse({"<critical>", "true"}).critical);
    EXPECT_FALSE(parse({"<critical>", "True "}).critical);
    EXPECT_EQ(parse({"<version>", " 7 "}).version, 7);
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

TEST(UpdateInfo, ATagGivenTwiceOrAHalfReleaseIsRefusedWhole)
{
    // Genuine release lines followed by a second block that claims more: no
    // reader may take one block's revision and the other's release.
    const QStringList signedRelease{"<version>", "1", "<download>", "/releases/t-1.tar", "<size>", "10",
                                    "<sha256>", QString(64, 'a'), "<signature>", "c2lnbmVk"};
    EXPECT_EQ(parse(signedRelease).version, 1);
    const QStringList twoBlocks
        = signedRelease + QStringList{"<version>", "7", "<notes>", "Urgent", "</notes>", "<critical>", "True"};
    EXPECT_EQ(refusalOf(twoBlocks), "321 The update information gives <version> more than once");
    for (const QString &tag : {"<notes>", "<critical>", "<download>", "<size>", "<sha256>", "<signature>"}) {
        SCOPED_TRACE(tag.toStdString());
        const QStringList repeated = tag == "<notes>" ? QStringList{"<notes>", "</notes>"} : QStringList{tag, "False"};
        EXPECT_EQ(refusalOf(repeated + QStringList{"x"} + repeated),
                  "321 The update information gives " + tag + " more than once");
    }

    // Release lines come complete or not at all.
    EXPECT_EQ(refusalOf({"<version>", "7", "<download>", "/releases/t-7.tar"}),
              "321 The update information names no release to download");
    EXPECT_EQ(refusalOf(QStringList(signedRelease).mid(2)),
              "321 The update information gives no revision or size for the release");
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
    const ReleaseInfo info = UpdateInfoFile::Read(folder, [&] { ++lines; });
    EXPECT_EQ(info.version, 5);
    EXPECT_EQ(info.notes, QString("Caf\u00e9\r\n"));
    EXPECT_EQ(lines, 5);

    EXPECT_EQ(ReleaseInfoFile::SplitLines("a\r\n\r\nb\rc\r\n"), QStringList({"a", "", "b", "c"}));
    // A new reply replaces the old one whole.
    UpdateInfoFile::Save(folder, "nothing");
    EXPECT_EQ(UpdateInfoFile::Read(folder).version, 0);
}
