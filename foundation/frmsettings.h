#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>

#include <optional>

class Inet;
class ListView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;

// The settings dialog, and at the same time the program's live settings:
// other windows read its controls. Loading it reads the store; OK writes the
// store back through SaveSettings; unloading without saving discards edits.
class frmSettings final : public QDialog, public DefaultInstance<frmSettings>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSettings)

public:
    frmSettings();
    void Form_Load();
    void Form_Unload();

    bool SaveSettings();

    // The default home page.
    static QString DefaultHomepage();
    // The chosen eBay site's domain, lower-cased.
    QString SiteDomain() const;
    // Item data of the selected entries (seconds; hours for the time zone).
    int SyncIntervalSeconds() const;
    int FastSyncIntervalSeconds() const;
    int BidDelaySeconds() const;
    int TimeZoneHours() const;
    // The hours from UTC of the zone saved as "Time Zone": the zone the end
    // times are shown in and the list file keeps them in. A choice not yet
    // saved with OK changes nothing. Nothing when the saved value is not an
    // entry of the list.
    static std::optional<int> SavedTimeZoneHours();

    QTabWidget *SSTab = nullptr;
    QLineEdit *txtHomepage = nullptr;
    QComboBox *txteBayDomain = nullptr;
    QComboBox *cboTimeZone = nullptr;
    QCheckBox *chkMinToTray = nullptr;
    QCheckBox *chkStartup = nullptr;
    QCheckBox *chkScanClipboard = nullptr;
    QRadioButton *optCopyAsk = nullptr;
    QRadioButton *optCopyBid = nullptr;
    QRadioButton *optCopyWatch = nullptr;
    ListView *lvwUsers = nullptr;
    QPushButton *cmdAddUser = nullptr;
    QPushButton *cmdRemUser = nullptr;
    QPushButton *cmdEditUser = nullptr;
    QCheckBox *chkAlwaysPswd = nullptr;
    QRadioButton *optAlwaysOn = nullptr;
    QRadioButton *optNotAlwaysOn = nullptr;
    QSlider *sliScrollSpeed = nullptr;
    QSlider *sliScrollFPS = nullptr;
    QLabel *lblScrollSpeed = nullptr;
    QLabel *lblScrollFPS = nullptr;
    QCheckBox *chkOnlineDefault = nullptr;
    QComboBox *ddnBidDelay = nullptr;
    QComboBox *ddnSyncInterval = nullptr;
    QComboBox *ddnFastSyncInterval = nullptr;
    QLabel *lblWarn = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    ::Inet *Inet = nullptr;

    void cmdOK_Click();
    void cmdCancel_Click();
    void cboTimeZone_Change();
    void ddnBidDelay_Click();
    void chkAlwaysPswd_Click();
    void cmdAddUser_Click();
    void cmdEditUser_Click();
    void cmdRemUser_Click();
    void sliScrollSpeed_Change();
    void sliScrollFPS_Change();
    void SSTab_Click();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void reject() override;

private:
    void buildGeneralTab(QWidget *tab);
    void buildConnectionTab(QWidget *tab);
    void buildAutoScrollTab(QWidget *tab);
    void buildAdvancedTab(QWidget *tab);
    void loadFromStore();
    void resetCorruptSettings();

    bool m_activated = false;
    bool m_loading = false;
};
