// Files the program writes for the user are the user's alone (mode 0600):
// new ones, and ones that exist with wider permissions at their next write.
#include "platform/privatefile.h"

#include "platform/folders.h"
#include "platform/registry.h"
#include "tests/support/filemode.h"

#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

void writePlain(const QString &path, const QByteArray &bytes, int mode)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();
    ASSERT_TRUE(SetFileMode(path, mode));
}

// The test runs under the usual umask, under which new files are 0644.
struct UsualUmask
{
    mode_t old = ::umask(022);
    ~UsualUmask() { ::umask(old); }
};

} // namespace

TEST(PrivateFile, NewAndWiderFilesAreOwnerOnlyFromTheFirstByte)
{
    UsualUmask umask;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    // A new file, replaced atomically.
    const QString fresh = dir.filePath("new.dat");
    QSaveFile a(fresh);
    ASSERT_TRUE(PrivateFile::open(a));
    a.write("secret");
    ASSERT_TRUE(a.commit());
    EXPECT_EQ(FileMode(fresh), "0600");

    // An existing file of 0644 (QSaveFile alone would keep that), narrowed
    // at its next write.
    const QString wide = dir.filePath("wide.dat");
    writePlain(wide, "old", 0644);
    QSaveFile b(wide);
    ASSERT_TRUE(PrivateFile::open(b));
    // Already before the first byte, the file being written is 0600.
    struct stat st;
    ASSERT_EQ(::fstat(b.handle(), &st), 0);
    EXPECT_EQ(int(st.st_mode & 07777), 0600);
    b.write("new");
    ASSERT_TRUE(b.commit());
    EXPECT_EQ(FileMode(wide), "0600");
    EXPECT_EQ(fileBytes(wide), "new");

    // A file written in place.
    const QString inPlace = dir.filePath("inplace.htm");
    writePlain(inPlace, "old page", 0666);
    QFile c(inPlace);
    ASSERT_TRUE(PrivateFile::open(c, QIODevice::WriteOnly | QIODevice::Truncate));
    c.write("new page");
    c.close();
    EXPECT_EQ(FileMode(inPlace), "0600");
    EXPECT_EQ(fileBytes(inPlace), "new page");

    // A file that cannot be opened is refused, and nothing is made.
    QSaveFile d(dir.filePath("missing-folder/x.dat"));
    EXPECT_FALSE(PrivateFile::open(d));
}

TEST(PrivateFile, TheSettingsStoreIsOwnerOnlyAndNarrowedAtItsNextWrite)
{
    UsualUmask umask;
    Registry::Store &store = Registry::Store::instance();
    const QString file = Registry::Store::filePath();
    QFile::remove(file);
    store.reset();
    ASSERT_TRUE(store.setValue(Registry::Root::CurrentUser, "Software\\T\\Settings", "Password", Registry::Value{Registry::String, QByteArrayLiteral("scrambled")}));
    EXPECT_EQ(FileMode(file), "0600");

    // Made readable by all (an older version, a copy from elsewhere).
    ASSERT_TRUE(SetFileMode(file, 0644));
    store.reset();
    EXPECT_TRUE(store.value(Registry::Root::CurrentUser, "Software\\T\\Settings", "Password").has_value());
    EXPECT_EQ(FileMode(file), "0644"); // a read changes nothing
    ASSERT_TRUE(store.setValue(Registry::Root::CurrentUser, "Software\\T\\Settings", "Username", Registry::Value{Registry::String, QByteArrayLiteral("alice")}));
    EXPECT_EQ(FileMode(file), "0600");
}

TEST(PrivateFile, AnUnreadableSettingsFileSetAsideIsOwnerOnly)
{
    UsualUmask umask;
    Registry::Store &store = Registry::Store::instance();
    const QString file = Registry::Store::filePath();
    writePlain(file, "{ \"HKEY_CURRENT_USER\": { \"Password\": ", 0644);
    store.reset();
    QString copy;
    store.setUnreadableHandler([&](const Registry::Store::SetAside &e) { copy = e.copy; });
    EXPECT_FALSE(store.keyExists(Registry::Root::CurrentUser, "Software\\T\\Settings"));
    store.setUnreadableHandler({});
    ASSERT_FALSE(copy.isEmpty());
    EXPECT_EQ(FileMode(copy), "0600");
    EXPECT_EQ(fileBytes(copy), "{ \"HKEY_CURRENT_USER\": { \"Password\": ");
    QFile::remove(copy);
}

// The data folder holds the one-copy lock and the list page's host: only a
// folder of the user's own that nobody else may enter is taken.
TEST(PrivateFolder, IsMadeOrNarrowedAndNeverTakenFromSomeoneElse)
{
    QTemporaryDir tmp;
    const QString fresh = tmp.filePath("fresh");
    EXPECT_TRUE(Folders::makePrivate(fresh));
    EXPECT_EQ(FileMode(fresh), "0700");

    const QString older = tmp.filePath("older");
    ASSERT_TRUE(QDir().mkdir(older));
    ASSERT_TRUE(SetFileMode(older, 0755));
    EXPECT_TRUE(Folders::makePrivate(older));
    EXPECT_EQ(FileMode(older), "0700");

    const QString link = tmp.filePath("link");
    ASSERT_TRUE(QFile::link(fresh, link));
    EXPECT_FALSE(Folders::makePrivate(link));
    const QString file = tmp.filePath("file");
    writePlain(file, "x", 0600);
    EXPECT_FALSE(Folders::makePrivate(file));
    EXPECT_FALSE(Folders::makePrivate(tmp.filePath("no/such/parent")));

    if (::getuid() == 0) {
        const QString theirs = tmp.filePath("theirs");
        ASSERT_TRUE(QDir().mkdir(theirs));
        ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), 65534, 65534), 0);
        ASSERT_TRUE(SetFileMode(theirs, 0777));
        EXPECT_FALSE(Folders::makePrivate(theirs));
        EXPECT_EQ(FileMode(theirs), "0777") << "someone else's folder is left alone";
    }

    // The data folder itself, below the (test's own) home.
    const QString data = Folders::privateData("Tallowmere");
    ASSERT_FALSE(data.isEmpty());
    EXPECT_TRUE(data.endsWith("/Tallowmere"));
    EXPECT_EQ(FileMode(data), "0700");
}
