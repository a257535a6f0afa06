#include "foundation/frmsettings.h"

#include "foundation/basregistry.h"
#include "foundation/mainformshell.h"
#include "foundation/settingsstore.h"
#include "platform/folders.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "tests/support/keptsettings.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/programended.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

namespace {

frmSettings &reloaded()
{
    if (frmSettings::isLoaded())
        frmSettings::unloadInstance();
    return frmSettings::instance();
}

} // namespace

TEST(frmSettings, SavedSettingsReadBackIntoEveryControl)
{
    frmSettings &s = reloaded();
    s.txtHomepage->setText("http://example.test/start");
    s.txteBayDomain->setCurrentIndex(20);
    s.ddnSyncInterval->setCurrentIndex(5);
    s.ddnFastSyncInterval->setCurrentIndex(0);
    s.ddnBidDelay->setCurrentIndex(17);
    s.cboTimeZone->setCurrentIndex(13);
    s.sliScrollSpeed->setValue(210);
    s.sliScrollFPS->setValue(7);
    s.optNotAlwaysOn->setChecked(true);
    s.chkMinToTray->setChecked(true);
    s.chkStartup->setChecked(true);
    s.chkOnlineDefault->setChecked(true);
    s.chkScanClipboard->setChecked(false);
    s.optCopyWatch->setChecked(true);
    s.chkAlwaysPswd->setChecked(false);
    // Passwords of any printable character, ";" included, and an empty one.
    const QList<std::pair<QString, QString>> accounts = {
        {"alice", "pa;ss;"}, {"bob", ""}, {"carol", "x&y*z %"}, {"dave", ";"}};
    for (const auto &[user, tag] : accounts)
        s.lvwUsers->Add(user)->setTag(tag);
    ASSERT_TRUE(s.SaveSettings());
    EXPECT_FALSE(MainForm().tmrClipboardScan->Enabled());
    EXPECT_TRUE(MainForm().blnForceRefreshAll);
    EXPECT_EQ(GetSetting("Login"), "QXR");
    EXPECT_EQ(GetSetting("Connection"), "Not Always On");

    frmSettings &r = reloaded();
    EXPECT_EQ(r.txtHomepage->text(), "http://example.test/start");
    EXPECT_EQ(r.SiteDomain(), "ebay.co.uk");
    EXPECT_EQ(r.SyncIntervalSeconds(), 3600);
    EXPECT_EQ(r.FastSyncIntervalSeconds(), 5);
    EXPECT_EQ(r.BidDelaySeconds(), 300);
    EXPECT_EQ(r.TimeZoneHours(), 1);
    EXPECT_EQ(r.sliScrollSpeed->value(), 210);
    EXPECT_EQ(r.sliScrollFPS->value(), 7);
    EXPECT_TRUE(r.optNotAlwaysOn->isChecked());
    EXPECT_TRUE(r.chkMinToTray->isChecked());
    EXPECT_TRUE(r.chkStartup->isChecked());
    EXPECT_TRUE(r.chkOnlineDefault->isChecked());
    EXPECT_FALSE(r.chkScanClipboard->isChecked());
    EXPECT_TRUE(r.optCopyWatch->isChecked());
    EXPECT_FALSE(r.chkAlwaysPswd->isChecked());
    ASSERT_EQ(r.lvwUsers->Count(), accounts.size());
    for (int i = 0; i < accounts.size(); ++i) {
        EXPECT_EQ(r.lvwUsers->Item(i + 1)->Text(), accounts[i].first);
        EXPECT_EQ(r.lvwUsers->Item(i + 1)->Tag(), accounts[i].second);
    }
    // Start at log-in: the value stays, empty, when switched off.
    EXPECT_TRUE(basRegistry::GetValue(basRegistry::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                                      "Tallowmere").toString().endsWith("/test_foundation"));
    r.chkStartup->setChecked(false);
    r.SaveSettings();
    EXPECT_EQ(basRegistry::GetValue(basRegistry::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                                    "Tallowmere").toString(), "");
}

TEST(frmSettings, StartingAtLogInSaysSoAndWritesTheUsersAutostartEntry)
{
    frmSettings &s = reloaded();
    EXPECT_EQ(s.chkStartup->text().toStdString(), "Start when I log in");
    const QString entry = Folders::autostart() + "/tallowmere.desktop";
    EXPECT_TRUE(entry.startsWith(Folders::home() + "/")) << qPrintable(entry);

    s.chkStartup->setChecked(true);
    ASSERT_TRUE(s.SaveSettings());
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n")) << qPrintable(text);
    EXPECT_TRUE(text.contains("\nType=Application\n"));
    EXPECT_TRUE(text.contains("\nExec=" + QCoreApplication::applicationFilePath() + "\n")) << qPrintable(text);

    reloaded().chkStartup->setChecked(false);
    ASSERT_TRUE(frmSettings::instance().SaveSettings());
    EXPECT_FALSE(QFileInfo::exists(entry));
}

TEST(frmSettings, PasswordsWithoutSemicolonsAreStoredAsBeforeAndOneEmptyPasswordLoads)
{
    frmSettings &s = reloaded();
    s.lvwUsers->Add("alice")->setTag("abc");
    s.lvwUsers->Add("bob")->setTag("d e");
    s.SaveSettings();
    EXPECT_EQ(GetSetting("Username"), "alice;bob");
    EXPECT_EQ(GetSetting("Password"), "abc;d e");

    DeleteSetting("Username");
    DeleteSetting("Password");
    SaveSetting("Username", "solo");
    SaveSetting("Password", "");
    frmSettings &r = reloaded();
    ASSERT_EQ(r.lvwUsers->Count(), 1);
    EXPECT_EQ(r.lvwUsers->Item(1)->Tag(), "");
}

TEST(frmSettings, CorruptSettingsAreResetWithTheLastStepNamed)
{
    SaveSetting("Username", "a;b");
    SaveSetting("Password", "x");
    SaveSetting("Homepage", "kept until the reset");
    MsgBoxScript::instance().clear();
    if (frmSettings::isLoaded())
        frmSettings::unloadInstance();
    EXPECT_THROW(frmSettings::instance(), ProgramEnded);
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().startsWith("Program settings are corrupt and cannot be loaded."));
    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().contains("was \"Reading users\"\r\n"));
    EXPECT_EQ(GetSetting("Homepage", "gone"), "gone");

    SaveSetting("Sync Interval 2", "abc");
    frmSettings::unloadInstance();
    EXPECT_THROW(frmSettings::instance(), ProgramEnded);
    SaveSetting("Sync Interval 2", "6"); // beyond the list
    frmSettings::unloadInstance();
    EXPECT_THROW(frmSettings::instance(), ProgramEnded);
}

// One stored value out of its range resets the settings, accounts included:
// the user is told where the settings as they were are kept.
TEST(frmSettings, AResetKeepsTheSettingsAsTheyWereAndSaysWhere)
{
    const QList<QPair<QString, QString>> outOfRange = {
        {"Fast Sync Interval", "6"}, // beyond its list
        {"Scroll Speed", "301"},     // beyond its slider
        {"Scroll Speed", "9"},
        {"Scroll FPS", "61"},
        {"Scroll FPS", "4"},
    };
    for (const auto &[key, value] : outOfRange) {
        SCOPED_TRACE((key + "=" + value).toStdString());
        SaveSetting("Username", "alice;bob");
        SaveSetting("Password", "pw1;pw2");
        SaveSetting(key, value);
        MsgBoxScript::instance().clear();
        EXPECT_THROW(reloaded(), ProgramEnded);
        EXPECT_EQ(GetSetting("Username", "gone"), "gone");

        ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
        QByteArray kept;
        ASSERT_TRUE(TakeKeptSettings(MsgBoxScript::instance().lastPrompt(), kept));
        EXPECT_TRUE(kept.contains("alice;bob"));
        EXPECT_TRUE(kept.contains("pw1;pw2"));
        DeleteSetting(key);
    }
    // In range, the sliders take the stored values.
    SaveSetting("Scroll Speed", "10");
    SaveSetting("Scroll FPS", "60");
    frmSettings &s = reloaded();
    EXPECT_EQ(s.sliScrollSpeed->value(), 10);
    EXPECT_EQ(s.sliScrollFPS->value(), 60);
}

TEST(frmSettings, QuestionsComeOnlyFromTheUsersOwnChoices)
{
    SaveSetting("Bid Delay 3", "2"); // a stored short delay loads without a question
    MsgBoxScript::instance().clear();
    frmSettings &s = reloaded();
    EXPECT_EQ(s.BidDelaySeconds(), 3);
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());

    s.show();
    s.ddnBidDelay->setCurrentIndex(2);
    MsgBoxScript::instance().answer(Desktop::AnswerNo);
    s.ddnBidDelay_Click();
    EXPECT_EQ(s.BidDelaySeconds(), 5);
    s.ddnBidDelay->setCurrentIndex(1);
    MsgBoxScript::instance().answer(Desktop::AnswerYes);
    s.ddnBidDelay_Click();
    EXPECT_EQ(s.BidDelaySeconds(), 2);

    s.chkAlwaysPswd->setChecked(false);
    MsgBoxScript::instance().answer(Desktop::AnswerNo);
    s.chkAlwaysPswd_Click();
    EXPECT_TRUE(s.chkAlwaysPswd->isChecked());

    // Removing: never the only account; a cancelled dialog forgets the removal.
    s.lvwUsers->Add("only");
    s.lvwUsers->setSelectedItem(s.lvwUsers->Item(1));
    s.cmdRemUser_Click();
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "You must keep at least one user");
    EXPECT_EQ(s.lvwUsers->Count(), 1);
    s.SaveSettings();
    s.lvwUsers->Add("second");
    s.SaveSettings();
    s.lvwUsers->setSelectedItem(s.lvwUsers->Item(2));
    MsgBoxScript::instance().answer(Desktop::AnswerYes);
    s.cmdRemUser_Click();
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "Remove \"second\"?");
    EXPECT_EQ(s.lvwUsers->Count(), 1);
    s.cmdCancel_Click();
    EXPECT_EQ(frmSettings::instance().lvwUsers->Count(), 2);
}
