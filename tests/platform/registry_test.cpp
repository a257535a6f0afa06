#include "platform/registry.h"

#include "platform/folders.h"

#include "tests/support/filemode.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <unistd.h>

using Registry::Root;
using Registry::Store;

namespace {

Registry::Value text(const QByteArray &bytes)
{
    Registry::Value v;
    v.type = Registry::String;
    v.data = bytes;
    return v;
}

} // namespace

TEST(Registry, NamesIgnoreCaseAndKeepTheirFirstSpelling)
{
    Store &store = Store::instance();
    ASSERT_TRUE(store.setValue(Root::CurrentUser, "Software\\App\\Settings", "Last Load Step", text("Reading users")));
    auto v = store.value(Root::CurrentUser, "software\\app\\SETTINGS", "last load step");
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->data, QByteArray("Reading users"));
    store.setValue(Root::CurrentUser, "SOFTWARE\\APP\\Settings", "LAST LOAD STEP", text("x"));
    EXPECT_EQ(store.valueNames(Root::CurrentUser, "Software\\App\\Settings"), QStringList{"Last Load Step"});
    // The two roots are separate trees.
    EXPECT_FALSE(store.value(Root::LocalMachine, "Software\\App\\Settings", "Last Load Step").has_value());
}

TEST(Registry, KeysExistThroughTheirChildrenAndDeleteWithThem)
{
    Store &store = Store::instance();
    store.setValue(Root::CurrentUser, "A\\B\\C", "v", text("1"));
    EXPECT_TRUE(store.keyExists(Root::CurrentUser, "A"));
    EXPECT_TRUE(store.keyExists(Root::CurrentUser, "a\\b"));
    EXPECT_FALSE(store.keyExists(Root::CurrentUser, "A\\BX"));
    EXPECT_TRUE(store.deleteKey(Root::CurrentUser, "A\\B"));
    EXPECT_FALSE(store.keyExists(Root::CurrentUser, "A\\B\\C"));
    EXPECT_FALSE(store.deleteKey(Root::CurrentUser, "A\\B"));
}

TEST(Registry, SurvivesAReloadAndSeesAnotherProcessWrite)
{
    Store &store = Store::instance();
    Registry::Value dword;
    dword.type = Registry::DWord;
    dword.dword = -7;
    store.setValue(Root::CurrentUser, "K", "n", dword);
    // Bytes without a terminating NUL and code-page letters round-trip.
    store.setValue(Root::CurrentUser, "K", "s", text(QByteArray("\x80 ab\0cd", 7)));
    store.reset();
    EXPECT_EQ(store.value(Root::CurrentUser, "K", "n")->dword, -7);
    EXPECT_EQ(store.value(Root::CurrentUser, "K", "s")->data, QByteArray("\x80 ab\0cd", 7));

    // Another process (the monitor) rewrites the file: the next read sees it.
    QThread::msleep(20);
    QFile f(Store::filePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QJsonObject doc = QJsonDocument::fromJson(f.readAll()).object();
    f.close();
    QJsonObject hkcu = doc["HKEY_CURRENT_USER"].toObject();
    QJsonObject key = hkcu["K"].toObject();
    key["Exit OK"] = QJsonObject{{"type", 1}, {"data", "1"}};
    hkcu["K"] = key;
    doc["HKEY_CURRENT_USER"] = hkcu;
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QJsonDocument(doc).toJson());
    f.close();
    auto v = store.value(Root::CurrentUser, "K", "exit ok");
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->data, QByteArray("1"));
}

TEST(Registry, RunValueBecomesAnAutostartEntry)
{
    Store &store = Store::instance();
    const QString run = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    const QString entry = Folders::autostart() + "/tallowmere.desktop";
    store.setValue(Root::LocalMachine, run, "Tallowmere", text(QByteArray("/opt/tallow mere/tallowmere\0", 28)));
    QFile f(entry);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("Exec=\"/opt/tallow mere/tallowmere\""));
    f.close();
    // The user's own file, as every file the program writes.
    EXPECT_EQ(FileMode(entry), "0600");
    // An empty value keeps the value but removes the entry.
    store.setValue(Root::LocalMachine, run, "Tallowmere", text(QByteArray("\0", 1)));
    EXPECT_FALSE(QFileInfo::exists(entry));
    EXPECT_TRUE(store.value(Root::LocalMachine, run, "Tallowmere").has_value());
}

namespace {

// The copies set aside beside the store's file, by name.
QStringList copiesBeside()
{
    const QFileInfo file(Store::filePath());
    return QDir(file.absolutePath()).entryList({file.fileName() + ".unreadable-*"}, QDir::Files, QDir::Name);
}

void removeCopies()
{
    const QString dir = QFileInfo(Store::filePath()).absolutePath();
    for (const QString &name : copiesBeside())
        QFile::remove(dir + "/" + name);
}

// Records what the store reports while installed.
struct Recorder
{
    QList<Store::SetAside> events;
    Recorder()
    {
        Store::instance().setUnreadableHandler([this](const Store::SetAside &e) { events << e; });
    }
    ~Recorder() { Store::instance().setUnreadableHandler({}); }
};

} // namespace

TEST(RegistryUnreadable, AFileThatCannotBeReadIsSetAsideUnchangedAndTheStoreStartsEmpty)
{
    Store &store = Store::instance();
    const QString file = Store::filePath();
    const QList<QByteArray> unreadable = {
        "",                                                              // empty
        "{\n    \"HKEY_CURRENT_USER\": {\n        \"Software\\\\T\": {\n", // cut short
        QByteArray("\x00\x13\xff garbage", 11),                         // garbage
        "[1, 2]",                                                        // JSON, not the store's
        "{\"HKEY_CURRENT_USER\": {\"K\": {\"v\": {\"data\": \"x\"}}}}",   // a value without a type
        "{\"HKEY_CLASSES_ROOT\": {}}",                                   // a root the store does not have
        // well formed, but far beyond any real settings file
        "{\"HKEY_CURRENT_USER\": {\"K\": {\"v\": {\"type\": 1, \"data\": \"" + QByteArray(5 << 20, 'x') + "\"}}}}",
    };
    for (const QByteArray &bytes : unreadable) {
        SCOPED_TRACE(bytes.left(80).toStdString());
        removeCopies();
        writeBytes(file, bytes);
        store.reset(); // as at the start of a process
        Recorder recorder;
        // The read finds nothing, as for a missing file ...
        EXPECT_FALSE(store.keyExists(Root::CurrentUser, "Software\\T"));
        EXPECT_FALSE(store.value(Root::CurrentUser, "K", "v").has_value());
        // ... after the file was renamed beside itself, its bytes unchanged.
        const QStringList copies = copiesBeside();
        ASSERT_EQ(copies.size(), 1);
        const QString copy = QFileInfo(file).absolutePath() + "/" + copies.first();
        EXPECT_EQ(fileBytes(copy), bytes);
        EXPECT_FALSE(QFileInfo::exists(file));
        ASSERT_EQ(recorder.events.size(), 1);
        EXPECT_EQ(recorder.events.first().file, file);
        EXPECT_EQ(recorder.events.first().copy, copy);
        EXPECT_FALSE(recorder.events.first().keptValues);

        // Writes make a new file and leave the copy alone; no further report.
        ASSERT_TRUE(store.setValue(Root::CurrentUser, "K", "v", text("new")));
        EXPECT_EQ(fileBytes(copy), bytes);
        EXPECT_EQ(copiesBeside().size(), 1);
        EXPECT_EQ(recorder.events.size(), 1);
        store.reset();
        EXPECT_EQ(store.value(Root::CurrentUser, "K", "v")->data, QByteArray("new"));
    }
    removeCopies();
}

TEST(RegistryUnreadable, LaterUnreadableReadsKeepTheValuesHeldAndEveryCopyItsOwnName)
{
    Store &store = Store::instance();
    const QString file = Store::filePath();
    removeCopies();
    QFile::remove(file);
    store.reset();
    Recorder recorder;
    ASSERT_TRUE(store.setValue(Root::CurrentUser, "S", "Username", text("alice")));
    ASSERT_TRUE(store.setValue(Root::CurrentUser, "S", "Password", text("scrambled")));

    // Something else spoils the file twice in a row (as a rule within one
    // second, so the second copy's name is the first's with "-2").
    writeBytes(file, "first garbage");
    EXPECT_EQ(store.value(Root::CurrentUser, "S", "username")->data, QByteArray("alice"));
    writeBytes(file, "second garbage, longer");
    EXPECT_EQ(store.value(Root::CurrentUser, "S", "password")->data, QByteArray("scrambled"));

    const QStringList copies = copiesBeside();
    ASSERT_EQ(copies.size(), 2);
    ASSERT_EQ(recorder.events.size(), 2);
    EXPECT_NE(recorder.events[0].copy, recorder.events[1].copy);
    EXPECT_EQ(fileBytes(recorder.events[0].copy), "first garbage");
    EXPECT_EQ(fileBytes(recorder.events[1].copy), "second garbage, longer");
    EXPECT_TRUE(recorder.events[0].keptValues);
    EXPECT_TRUE(recorder.events[1].keptValues);

    // The values held were written again at once: another process (and the
    // next start) reads them from the file.
    store.reset();
    EXPECT_EQ(store.value(Root::CurrentUser, "S", "Username")->data, QByteArray("alice"));
    EXPECT_EQ(store.value(Root::CurrentUser, "S", "Password")->data, QByteArray("scrambled"));
    removeCopies();
}

TEST(RegistryUnreadable, CopyNamesSayWhatTheyAreAndNeverReplaceOne)
{
    removeCopies();
    const QDateTime when(QDate(2025, 3, 9), QTime(14, 5, 7));
    const QString first = Store::setAsideName(Store::filePath(), when);
    EXPECT_EQ(first, Store::filePath() + ".unreadable-20250309-140507");
    writeBytes(first, "a");
    const QString second = Store::setAsideName(Store::filePath(), when);
    EXPECT_EQ(second, first + "-2");
    writeBytes(second, "b");
    EXPECT_EQ(Store::setAsideName(Store::filePath(), when), first + "-3");
    removeCopies();
}

TEST(Registry, AKeptCopyHoldsTheFileAsItWasUnderItsOwnName)
{
    Store &store = Store::instance();
    const QString file = Store::filePath();
    removeCopies();
    QFile::remove(file);
    store.reset();
    EXPECT_EQ(store.keepCopy("before-reset"), QString()); // nothing to keep

    ASSERT_TRUE(store.setValue(Root::CurrentUser, "S", "Password", text("scrambled")));
    const auto first = store.keepCopy("before-reset");
    const auto second = store.keepCopy("before-reset");
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(first->startsWith(file + ".before-reset-"));
    EXPECT_NE(*first, *second);
    EXPECT_EQ(fileBytes(*first), fileBytes(file));
    EXPECT_EQ(QFile::permissions(*first) & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());
    QFile::remove(*first);
    QFile::remove(*second);
}

TEST(RegistryUnreadable, WithoutAHandlerTheFileIsLeftInPlaceAndNeverWrittenOver)
{
    // The monitor: it cannot tell the user, so it leaves the file to the program.
    Store &store = Store::instance();
    const QString file = Store::filePath();
    removeCopies();
    QFile::remove(file);
    store.reset();
    ASSERT_TRUE(store.setValue(Root::CurrentUser, "S", "Exit OK", text("False")));
    writeBytes(file, "garbage");
    EXPECT_EQ(store.value(Root::CurrentUser, "S", "Exit OK")->data, QByteArray("False"));
    EXPECT_FALSE(store.setValue(Root::CurrentUser, "S", "Exit OK", text("1")));
    EXPECT_FALSE(store.deleteValue(Root::CurrentUser, "S", "Exit OK"));
    EXPECT_EQ(fileBytes(file), "garbage");
    EXPECT_TRUE(copiesBeside().isEmpty());

    // A process that tells the user sets it aside at its next read.
    Recorder recorder;
    EXPECT_TRUE(store.keyExists(Root::CurrentUser, "S"));
    ASSERT_EQ(recorder.events.size(), 1);
    EXPECT_EQ(fileBytes(recorder.events.first().copy), "garbage");
    EXPECT_TRUE(recorder.events.first().keptValues);
    removeCopies();
}

TEST(RegistryUnreadable, AFileNoOneMayReadIsSetAsideToo)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    Store &store = Store::instance();
    const QString file = Store::filePath();
    removeCopies();
    writeBytes(file, "{}");
    ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::Permissions()));
    store.reset();
    Recorder recorder;
    EXPECT_FALSE(store.keyExists(Root::CurrentUser, "S"));
    ASSERT_EQ(recorder.events.size(), 1);
    // The copy is the user's (mode 0600) and so readable again.
    EXPECT_EQ(fileBytes(recorder.events.first().copy), "{}");
    removeCopies();
}
