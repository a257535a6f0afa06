#include "foundation/basregistry.h"

#include "foundation/settingsstore.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace basRegistry;

TEST(BasRegistry, ValueTypesFollowTheNumericTest)
{
    const QString key = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    SetValue(HKEY_CURRENT_USER, key, "EnableHttp1_1", "0");
    SetValue(HKEY_CURRENT_USER, key, "Twelve", QString("12"));
    SetValue(HKEY_CURRENT_USER, key, "Half", 2.5);
    SetValue(HKEY_CURRENT_USER, key, "Empty", QString());
    SetValue(HKEY_CURRENT_USER, key, "Path", QString("  /opt/app  "));
    EXPECT_EQ(LastRegResult, ERROR_SUCCESS);

    const QVariant zero = GetValue(HKEY_CURRENT_USER, key, "enablehttp1_1");
    EXPECT_EQ(zero.typeId(), QMetaType::Int);
    EXPECT_EQ(zero.toInt(), 0);
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, key, "Twelve").toInt(), 12);
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, key, "Half").toInt(), 2); // half to even
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, key, "Path").toString(), "/opt/app");
    // The empty text is a string of one NUL byte, not a deletion.
    auto stored = Registry::Store::instance().value(Registry::Root::CurrentUser, key, "Empty");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, Registry::String);
    EXPECT_EQ(stored->data, QByteArray("\0", 1));
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, key, "Empty").toString(), "");
}

TEST(BasRegistry, StringsStopAtNulAndOtherTypesReadEmpty)
{
    Registry::Value v;
    v.type = Registry::String;
    v.data = QByteArray("abc\0def", 7);
    Registry::Store::instance().setValue(Registry::Root::CurrentUser, "K", "cut", v);
    v.data = "no terminator";
    Registry::Store::instance().setValue(Registry::Root::CurrentUser, "K", "whole", v);
    v.type = Registry::Binary;
    Registry::Store::instance().setValue(Registry::Root::CurrentUser, "K", "bin", v);
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, "K", "cut").toString(), "abc");
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, "K", "whole").toString(), "no terminator");
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, "K", "bin").toString(), "");
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, "K", "missing").toString(), "");
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, "Missing\\Key", "x").toString(), "");
    EXPECT_NE(LastRegResult, ERROR_SUCCESS);
}


// Names written one way and read, replaced or deleted another, within one
// process and by a process that reads the file afresh.
TEST(BasRegistry, EveryOperationIgnoresTheCaseOfNames)
{
    Registry::Store &store = Registry::Store::instance();
    for (const bool afresh : {false, true}) {
        SCOPED_TRACE(afresh ? "read afresh" : "same process");
        const auto maybeReload = [&] {
            if (afresh)
                store.reset();
        };
        SaveSetting("Last Load Step", "Loading items list");
        maybeReload();
        EXPECT_EQ(GetSetting("Last load step"), "Loading items list");
        SaveSetting("LAST LOAD STEP", "Reading users");
        maybeReload();
        EXPECT_EQ(GetSetting("last Load step"), "Reading users");
        const QStringList names = store.valueNames(Registry::Root::CurrentUser, kSettingsKey);
        EXPECT_EQ(std::count_if(names.begin(), names.end(),
                                [](const QString &n) { return n.compare("last load step", Qt::CaseInsensitive) == 0; }),
                  1);
        DeleteSetting("last load step");
        maybeReload();
        EXPECT_EQ(GetSetting("Last Load Step", "gone"), "gone");

        const QString settings = kSettingsParentKey + "\\Settings";
        SetValue(HKEY_CURRENT_USER, settings.toUpper(), "Exit OK", "False");
        maybeReload();
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, settings.toLower()));
        EXPECT_EQ(GetValue(HKEY_CURRENT_USER, settings, "exit ok").toString(), "False");
        EXPECT_EQ(GetSetting("EXIT OK"), "False");
        EXPECT_TRUE(DeleteKey(HKEY_CURRENT_USER, kSettingsParentKey.toLower(), "SETTINGS"));
        maybeReload();
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, settings));
        EXPECT_EQ(GetSetting("Exit OK", "gone"), "gone");
    }
}
