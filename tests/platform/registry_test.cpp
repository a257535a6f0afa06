#include "platform/registry.h"

#include "platform/folders.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

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
    // An empty value keeps the value but removes the entry.
    store.setValue(Root::LocalMachine, run, "Tallowmere", text(QByteArray("\0", 1)));
    EXPECT_FALSE(QFileInfo::exists(entry));
    EXPECT_TRUE(store.value(Root::LocalMachine, run, "Tallowmere").has_value());
}

