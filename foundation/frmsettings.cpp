#include "foundation/frmsettings.h"

#include "foundation/accountlist.h"
#include "foundation/basgeneral.h"
#include "foundation/basregistry.h"
#include "foundation/frmedituser.h"
#include "foundation/frmsplash.h"
#include "foundation/hostroles.h"
#include "foundation/mainformshell.h"
#include "foundation/settingsstore.h"
#include "platform/desktop.h"
#include "platform/folders.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/numberederror.h"
#include "platform/registry.h"
#include "platform/ticktimer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString kLastLoadStep = QStringLiteral("Last Load Step");

// The time-zone list: one entry per whole hour from UTC, GMT-12:00 first.
constexpr int kFirstZoneHours = -12;
constexpr int kLastZoneHours = 13;
constexpr int kDefaultZoneIndex = 4; // GMT-8:00

// The national sites, in the order the list has always had.
const char *const kDomains[] = {
    "ebay.com", "ebay.com.au", "ebay.at", "ebay.be", "ebay.ca", "ebay.cn", "ebay.fr",
    "ebay.de", "ebay.com.hk", "ebay.in", "ebay.ie", "ebay.it", "ebay.com.my", "ebay.nl",
    "ebay.ph", "ebay.com.sg", "ebay.es", "ebay.se", "ebay.ch", "ebay.com.tw", "ebay.co.uk",
};

void step(const QString &name)
{
    SaveSetting(kLastLoadStep, name);
}

// A stored number read as a 16-bit whole number, the range the settings hold:
// not a number raises "Type mismatch", too large "Overflow".
int toInt16(const QString &text)
{
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    if (!ok)
        throw NumberedError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
    const double r = std::nearbyint(d);
    if (r < -32768 || r > 32767)
        throw NumberedError(6, QStringLiteral("Overflow"));
    return int(r);
}

int toInt32(const QString &text)
{
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    if (!ok)
        throw NumberedError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
    const double r = std::nearbyint(d);
    if (r < -2147483648.0 || r > 2147483647.0)
        throw NumberedError(6, QStringLiteral("Overflow"));
    return int(r);
}

void setListIndex(QComboBox *list, int index)
{
    if (index < -1 || index >= list->count())
        throw NumberedError(ErrorNumber::InvalidPropertyValue, QStringLiteral("Invalid property value"));
    list->setCurrentIndex(index);
}

void setCheck(QCheckBox *box, int value)
{
    if (value < 0 || value > 2)
        throw NumberedError(ErrorNumber::InvalidPropertyValue, QStringLiteral("Invalid property value"));
    box->setCheckState(value == 0 ? Qt::Unchecked : value == 1 ? Qt::Checked : Qt::PartiallyChecked);
}

// A slider takes only values within its range; a stored value outside it
// is as bad as a list index outside its list.
void setSlider(QSlider *slider, int value)
{
    if (value < slider->minimum() || value > slider->maximum())
        throw NumberedError(ErrorNumber::InvalidPropertyValue, QStringLiteral("Invalid property value"));
    slider->setValue(value);
}

int checkValue(const QCheckBox *box)
{
    return box->checkState() == Qt::Checked ? 1 : box->checkState() == Qt::PartiallyChecked ? 2 : 0;
}

} // namespace

QString frmSettings::DefaultHomepage()
{
    // The main site's home page (the simulator's when the hosts are pointed there).
    return HostRoles::url(HostRoles::Role::SiteBase, QStringLiteral("/"), false, QStringLiteral("www.ebay.com"));
}

frmSettings::frmSettings()
{
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);
    Inet = new ::Inet(this);

    auto *layout = new QVBoxLayout(this);
    SSTab = new QTabWidget(this);
    layout->addWidget(SSTab);
    const char *captions[] = {"General", "Connection", "Auto Scroll", "Advanced"};
    QWidget *tabs[4];
    for (int i = 0; i < 4; ++i) {
        tabs[i] = new QWidget(SSTab);
        SSTab->addTab(tabs[i], QString::fromLatin1(captions[i]));
    }
    buildGeneralTab(tabs[0]);
    buildConnectionTab(tabs[1]);
    buildAutoScrollTab(tabs[2]);
    buildAdvancedTab(tabs[3]);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, &frmSettings::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSettings::cmdCancel_Click);
    connect(SSTab, &QTabWidget::currentChanged, this, &frmSettings::SSTab_Click);
}

void frmSettings::buildGeneralTab(QWidget *tab)
{
    auto *grid = new QGridLayout(tab);
    int row = 0;
    grid->addWidget(new QLabel(QStringLiteral("Homepage address:"), tab), row, 0);
    txtHomepage = new QLineEdit(tab);
    grid->addWidget(txtHomepage, row++, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Preferred eBay site:"), tab), row, 0);
    txteBayDomain = new QComboBox(tab);
    for (const char *d : kDomains)
        txteBayDomain->addItem(QString::fromLatin1(d), 0);
    grid->addWidget(txteBayDomain, row++, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Time zone:"), tab), row, 0);
    cboTimeZone = new QComboBox(tab);
    grid->addWidget(cboTimeZone, row++, 1, 1, 2);
    chkMinToTray = new QCheckBox(QStringLiteral("Always minimize to system tray"), tab);
    grid->addWidget(chkMinToTray, row++, 0, 1, 3);
    chkStartup = new QCheckBox(QStringLiteral("Start when I log in"), tab);
    grid->addWidget(chkStartup, row++, 0, 1, 3);
    chkScanClipboard = new QCheckBox(QStringLiteral("Automatically detect when I copy an item # or address"), tab);
    grid->addWidget(chkScanClipboard, row++, 0, 1, 3);
    optCopyAsk = new QRadioButton(QStringLiteral("Ask me whether to watch or bid on the item"), tab);
    optCopyBid = new QRadioButton(QStringLiteral("Open bid dialog"), tab);
    optCopyWatch = new QRadioButton(QStringLiteral("Add item for watching"), tab);
    optCopyAsk->setChecked(true);
    auto *copyBox = new QWidget(tab);
    auto *copyLayout = new QVBoxLayout(copyBox);
    copyLayout->setContentsMargins(20, 0, 0, 0);
    copyLayout->addWidget(optCopyAsk);
    copyLayout->addWidget(optCopyBid);
    copyLayout->addWidget(optCopyWatch);
    grid->addWidget(copyBox, row++, 0, 1, 3);

    auto *users = new QGroupBox(QStringLiteral("Users"), tab);
    auto *usersLayout = new QHBoxLayout(users);
    lvwUsers = new ListView(users);
    lvwUsers->AddColumn(QStringLiteral("userid"), QStringLiteral("User ID"), 1600);
    usersLayout->addWidget(lvwUsers);
    auto *userButtons = new QVBoxLayout;
    cmdAddUser = new QPushButton(QStringLiteral("Add New"), users);
    cmdRemUser = new QPushButton(QStringLiteral("Remove"), users);
    cmdEditUser = new QPushButton(QStringLiteral("Edit"), users);
    userButtons->addWidget(cmdAddUser);
    userButtons->addWidget(cmdRemUser);
    userButtons->addWidget(cmdEditUser);
    userButtons->addStretch();
    usersLayout->addLayout(userButtons);
    grid->addWidget(users, row++, 0, 1, 3);
    chkAlwaysPswd = new QCheckBox(QStringLiteral("Always require a password when the program starts"), tab);
    chkAlwaysPswd->setChecked(true);
    grid->addWidget(chkAlwaysPswd, row++, 0, 1, 3);

    connect(cboTimeZone, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_loading)
            cboTimeZone_Change();
    });
    connect(chkAlwaysPswd, &QCheckBox::clicked, this, &frmSettings::chkAlwaysPswd_Click);
    connect(cmdAddUser, &QPushButton::clicked, this, &frmSettings::cmdAddUser_Click);
    connect(cmdEditUser, &QPushButton::clicked, this, &frmSettings::cmdEditUser_Click);
    connect(cmdRemUser, &QPushButton::clicked, this, &frmSettings::cmdRemUser_Click);
}

void frmSettings::buildConnectionTab(QWidget *tab)
{
    auto *layout = new QVBoxLayout(tab);
    auto *info = new QLabel(QStringLiteral("When your computer is always connected, the auction list is brought up to date "
                                           "on a regular interval. Otherwise it is refreshed only when an auction is about to end."),
                            tab);
    info->setWordWrap(true);
    layout->addWidget(info);
    optAlwaysOn = new QRadioButton(QStringLiteral("My computer is always connected to the Internet"), tab);
    optNotAlwaysOn = new QRadioButton(QStringLiteral("My computer is not always connected"), tab);
    optAlwaysOn->setChecked(true);
    layout->addWidget(optAlwaysOn);
    layout->addWidget(optNotAlwaysOn);
    layout->addStretch();
}

void frmSettings::buildAutoScrollTab(QWidget *tab)
{
    auto *grid = new QGridLayout(tab);
    auto *info = new QLabel(QStringLiteral("How fast and how smoothly pages scroll when Auto Scroll is on."), tab);
    info->setWordWrap(true);
    grid->addWidget(info, 0, 0, 1, 2);
    sliScrollSpeed = new QSlider(Qt::Horizontal, tab);
    sliScrollSpeed->setRange(10, 300);
    sliScrollSpeed->setValue(150);
    lblScrollSpeed = new QLabel(tab);
    sliScrollFPS = new QSlider(Qt::Horizontal, tab);
    sliScrollFPS->setRange(5, 60);
    sliScrollFPS->setValue(40);
    lblScrollFPS = new QLabel(tab);
    grid->addWidget(sliScrollSpeed, 1, 0);
    grid->addWidget(lblScrollSpeed, 1, 1);
    grid->addWidget(sliScrollFPS, 2, 0);
    grid->addWidget(lblScrollFPS, 2, 1);
    grid->setRowStretch(3, 1);
    connect(sliScrollSpeed, &QSlider::valueChanged, this, &frmSettings::sliScrollSpeed_Change);
    connect(sliScrollFPS, &QSlider::valueChanged, this, &frmSettings::sliScrollFPS_Change);
    sliScrollSpeed_Change();
    sliScrollFPS_Change();
}

void frmSettings::buildAdvancedTab(QWidget *tab)
{
    auto *layout = new QVBoxLayout(tab);
    auto *sniping = new QGroupBox(QStringLiteral("Sniping"), tab);
    auto *snipingLayout = new QGridLayout(sniping);
    chkOnlineDefault = new QCheckBox(QStringLiteral("Place my bids using the TMR Online server by default"), sniping);
    snipingLayout->addWidget(chkOnlineDefault, 0, 0, 1, 3);
    snipingLayout->addWidget(new QLabel(QStringLiteral("Bid"), sniping), 1, 0);
    ddnBidDelay = new QComboBox(sniping);
    for (int s = 1; s <= 9; ++s)
        ddnBidDelay->addItem(s == 1 ? QStringLiteral("1 second") : QStringLiteral("%1 seconds").arg(s), s);
    for (int s : {10, 15, 20, 25, 30, 45})
        ddnBidDelay->addItem(QStringLiteral("%1 seconds").arg(s), s);
    ddnBidDelay->addItem(QStringLiteral("1 minute"), 60);
    ddnBidDelay->addItem(QStringLiteral("2 minutes"), 120);
    ddnBidDelay->addItem(QStringLiteral("5 minutes"), 300);
    snipingLayout->addWidget(ddnBidDelay, 1, 1);
    snipingLayout->addWidget(new QLabel(QStringLiteral("before end of auction"), sniping), 1, 2);
    layout->addWidget(sniping);

    auto *normal = new QGroupBox(QStringLiteral("When there are no auctions ending in less than 5 minutes"), tab);
    auto *normalLayout = new QHBoxLayout(normal);
    normalLayout->addWidget(new QLabel(QStringLiteral("Resynchronize with eBay every:"), normal));
    ddnSyncInterval = new QComboBox(normal);
    const std::pair<const char *, int> intervals[] = {{"minute", 60}, {"2 minutes", 120}, {"5 minutes", 300},
                                                      {"15 minutes", 900}, {"30 minutes", 1800}, {"hour", 3600}};
    for (const auto &[text, seconds] : intervals)
        ddnSyncInterval->addItem(QString::fromLatin1(text), seconds);
    normalLayout->addWidget(ddnSyncInterval);
    layout->addWidget(normal);

    auto *fast = new QGroupBox(QStringLiteral("When an auction is ending in less than 5 minutes"), tab);
    auto *fastLayout = new QHBoxLayout(fast);
    fastLayout->addWidget(new QLabel(QStringLiteral("Resynchronize with eBay every:"), fast));
    ddnFastSyncInterval = new QComboBox(fast);
    for (int s : {5, 10, 15, 20, 25, 30})
        ddnFastSyncInterval->addItem(QStringLiteral("%1 seconds").arg(s), s);
    fastLayout->addWidget(ddnFastSyncInterval);
    layout->addWidget(fast);

    lblWarn = new QLabel(QStringLiteral("IMPORTANT: Do not change any of the above settings unless you are an advanced user. "
                                        "Incorrect changes to these settings are often the cause of unreliable sniping"),
                         tab);
    lblWarn->setWordWrap(true);
    lblWarn->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    layout->addWidget(lblWarn);
    layout->addStretch();

    // The user's own choice of a delay (not the load's) gets the question.
    connect(ddnBidDelay, &QComboBox::activated, this, [this] { ddnBidDelay_Click(); });
}

void frmSettings::Form_Load()
{
    m_loading = true;
    try {
        loadFromStore();
    } catch (const NumberedError &) {
        m_loading = false;
        resetCorruptSettings();
    }
    m_loading = false;
}

void frmSettings::loadFromStore()
{
    step(QStringLiteral("Reading homepage"));
    txtHomepage->setText(GetSetting(QStringLiteral("Homepage"), DefaultHomepage()));
    step(QStringLiteral("Reading start page"));
    setListIndex(txteBayDomain, toInt16(GetSetting(QStringLiteral("eBay Domain"), 0)));
    step(QStringLiteral("Reading sync interval"));
    setListIndex(ddnSyncInterval, toInt16(GetSetting(QStringLiteral("Sync Interval 2"), 3)));
    step(QStringLiteral("Reading Fast sync interval"));
    setListIndex(ddnFastSyncInterval, toInt16(GetSetting(QStringLiteral("Fast Sync Interval"), 2)));
    step(QStringLiteral("Reading bid delay"));
    setListIndex(ddnBidDelay, toInt16(GetSetting(QStringLiteral("Bid Delay 3"), 9)));
    step(QStringLiteral("Reading minimize to tray setting"));
    setCheck(chkMinToTray, toInt16(GetSetting(QStringLiteral("Minimize To Tray"), 0)));
    step(QStringLiteral("Reading startup setting"));
    setCheck(chkStartup, toInt16(GetSetting(QStringLiteral("Startup"), 0)));
    step(QStringLiteral("Reading online default setting"));
    setCheck(chkOnlineDefault, toInt16(GetSetting(QStringLiteral("Online Default"), 0)));
    step(QStringLiteral("Reading scan clipboard settings"));
    setCheck(chkScanClipboard, toInt16(GetSetting(QStringLiteral("Scan Clipboard"), 1)));
    const QString copy = GetSetting(QStringLiteral("Copy Option"), QStringLiteral("Ask"));
    if (copy == QLatin1String("Ask"))
        optCopyAsk->setChecked(true);
    else if (copy == QLatin1String("Bid"))
        optCopyBid->setChecked(true);
    else if (copy == QLatin1String("Watch"))
        optCopyWatch->setChecked(true);
    step(QStringLiteral("Reading Auto Scroll settings"));
    setSlider(sliScrollSpeed, toInt32(GetSetting(QStringLiteral("Scroll Speed"), sliScrollSpeed->value())));
    sliScrollSpeed_Change();
    setSlider(sliScrollFPS, toInt32(GetSetting(QStringLiteral("Scroll FPS"), sliScrollFPS->value())));
    sliScrollFPS_Change();

    step(QStringLiteral("Reading users"));
    const QString storedPasswords = GetSetting(QStringLiteral("Password"));
    const QStringList users = AccountList::Split(GetSetting(QStringLiteral("Username")));
    QStringList passwords = AccountList::Split(storedPasswords);
    // One account with an empty password is stored as an empty list: it is
    // still that one account's password, not a missing one.
    if (users.size() == 1 && passwords.isEmpty() && storedPasswords.isEmpty())
        passwords << QString();
    lvwUsers->Clear();
    for (int i = 0; i < users.size(); ++i) {
        if (i >= passwords.size())
            throw NumberedError(9, QStringLiteral("Subscript out of range"));
        ListItem *row = lvwUsers->Add(users[i]);
        row->setTag(passwords[i]);
    }
    if (GetSetting(QStringLiteral("Login")) == QLatin1String("QXR"))
        chkAlwaysPswd->setChecked(false);

    cboTimeZone->clear();
    for (int n = kFirstZoneHours; n <= kLastZoneHours; ++n) {
        cboTimeZone->addItem(QStringLiteral("GMT%1%2:00").arg(n >= 0 ? QStringLiteral("+") : QString()).arg(n), n);
        Desktop::DoEvents();
    }
    step(QStringLiteral("Reading time zone setting"));
    setListIndex(cboTimeZone, toInt16(GetSetting(QStringLiteral("Time Zone"), kDefaultZoneIndex)));
    step(QStringLiteral("Reading connection"));
    if (GetSetting(QStringLiteral("Connection"), QStringLiteral("Always On")) == QLatin1String("Always On"))
        optAlwaysOn->setChecked(true);
    else
        optNotAlwaysOn->setChecked(true);
}

void frmSettings::resetCorruptSettings()
{
    if (frmSplash::isLoaded())
        frmSplash::unloadInstance();
    QString prompt = QStringLiteral("Program settings are corrupt and cannot be loaded.\r\n\r\n"
                                    "Click OK to reset the program settings and re-open the program.\r\n\r\n"
                                    "The last successful step during the loading process was \"")
        + GetSetting(QStringLiteral("Last load step")) + QLatin1Char('"');
    // The reset takes the accounts and their passwords with it: keep the
    // settings as they were first, and never reset without that copy.
    const std::optional<QString> copy = KeepSettingsBeforeReset();
    if (!copy) {
        Desktop::MsgBox(prompt.replace(QStringLiteral("Click OK to reset the program settings and re-open the program."),
                                       QStringLiteral("A copy of them could not be made, so they are left as they are in:\r\n")
                                           + Registry::Store::filePath()),
                        Desktop::BoxCritical);
        Desktop::EndProgram();
    }
    if (!copy->isEmpty())
        prompt += QStringLiteral("\r\n\r\n") + SettingsKeptMessage(*copy);
    Desktop::MsgBox(prompt, Desktop::BoxCritical);
    basRegistry::DeleteKey(basRegistry::HKEY_CURRENT_USER, kSettingsParentKey, QStringLiteral("Settings"));
    Desktop::EndProgram();
}

void frmSettings::Form_Unload()
{
    m_activated = false;
}

bool frmSettings::SaveSettings()
{
    frmMainShell &main = MainForm();
    main.blnForceRefreshAll = true;
    SaveSetting(QStringLiteral("Homepage"), txtHomepage->text());
    SaveSetting(QStringLiteral("eBay Domain"), QString::number(txteBayDomain->currentIndex()));
    SaveSetting(QStringLiteral("Sync Interval 2"), QString::number(ddnSyncInterval->currentIndex()));
    SaveSetting(QStringLiteral("Fast Sync Interval"), QString::number(ddnFastSyncInterval->currentIndex()));
    SaveSetting(QStringLiteral("Bid Delay 3"), QString::number(ddnBidDelay->currentIndex()));
    const QString zoneBefore = GetSetting(QStringLiteral("Time Zone"), kDefaultZoneIndex);
    SaveSetting(QStringLiteral("Time Zone"), QString::number(cboTimeZone->currentIndex()));
    SaveSetting(QStringLiteral("Scroll Speed"), QString::number(sliScrollSpeed->value()));
    SaveSetting(QStringLiteral("Scroll FPS"), QString::number(sliScrollFPS->value()));
    SaveSetting(QStringLiteral("Connection"), optAlwaysOn->isChecked() ? QStringLiteral("Always On") : QStringLiteral("Not Always On"));
    if (lvwUsers->Count() > 0) {
        QStringList users, passwords;
        for (int i = 1; i <= lvwUsers->Count(); ++i) {
            users << lvwUsers->Item(i)->Text();
            passwords << lvwUsers->Item(i)->Tag();
        }
        SaveSetting(QStringLiteral("Username"), AccountList::Join(users));
        SaveSetting(QStringLiteral("Password"), AccountList::Join(passwords));
    }
    SaveSetting(QStringLiteral("Login"), chkAlwaysPswd->isChecked() ? QString() : QStringLiteral("QXR"));
    SaveSetting(QStringLiteral("Minimize To Tray"), QString::number(checkValue(chkMinToTray)));
    SaveSetting(QStringLiteral("Startup"), QString::number(checkValue(chkStartup)));
    SaveSetting(QStringLiteral("Online Default"), QString::number(checkValue(chkOnlineDefault)));
    SaveSetting(QStringLiteral("Scan Clipboard"), QString::number(checkValue(chkScanClipboard)));
    if (optCopyAsk->isChecked())
        SaveSetting(QStringLiteral("Copy Option"), QStringLiteral("Ask"));
    else if (optCopyBid->isChecked())
        SaveSetting(QStringLiteral("Copy Option"), QStringLiteral("Bid"));
    else if (optCopyWatch->isChecked())
        SaveSetting(QStringLiteral("Copy Option"), QStringLiteral("Watch"));
    main.tmrClipboardScan->setEnabled(chkScanClipboard->isChecked());
    const QString program = basGeneral::AppPath() + QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    basRegistry::SetValue(basRegistry::HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"),
                          Desktop::AppTitle(), chkStartup->isChecked() ? program : QString());
    // The end times are shown, and kept in the list file, in the saved zone.
    if (GetSetting(QStringLiteral("Time Zone"), kDefaultZoneIndex) != zoneBefore)
        main.TimeZoneSaved();
    return true;
}

QString frmSettings::SiteDomain() const { return txteBayDomain->currentText().toLower(); }
int frmSettings::SyncIntervalSeconds() const { return ddnSyncInterval->currentData().toInt(); }
int frmSettings::FastSyncIntervalSeconds() const { return ddnFastSyncInterval->currentData().toInt(); }
int frmSettings::BidDelaySeconds() const { return ddnBidDelay->currentData().toInt(); }
int frmSettings::TimeZoneHours() const { return cboTimeZone->currentData().toInt(); }

std::optional<int> frmSettings::SavedTimeZoneHours()
{
    bool ok = false;
    const double stored = GetSetting(QStringLiteral("Time Zone"), kDefaultZoneIndex).trimmed().toDouble(&ok);
    const double index = std::nearbyint(stored);
    if (!ok || index < 0 || index > kLastZoneHours - kFirstZoneHours)
        return std::nullopt;
    return kFirstZoneHours + int(index);
}

void frmSettings::cmdOK_Click()
{
    if (SaveSettings()) {
        MainForm().blnForceRefresh = true;
        unloadInstance();
    }
}

void frmSettings::cmdCancel_Click()
{
    unloadInstance();
}

void frmSettings::reject()
{
    // Esc and the close box: discard the edits.
    cmdCancel_Click();
    QDialog::reject();
}

void frmSettings::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        cmdCancel_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmSettings::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_activated = true;
}

void frmSettings::cboTimeZone_Change()
{
    MainForm().blnForceRefreshAll = true;
    MainForm().blnForceRefresh = true;
}

void frmSettings::ddnBidDelay_Click()
{
    if (!m_activated || m_loading || ddnBidDelay->currentData().toInt() >= 5)
        return;
    const int answer = Desktop::MsgBox(
        QStringLiteral("Any setting below 5 seconds will not offer any advantage and might decrease your chances of winning "
                       "if your connection isn't fast enough or if the eBay servers are very busy at the time of the bid.\r\n\r\n"
                       "eBay also prioritizes bids placed first, this means if someone else snipes an item for the same price "
                       "but closer to the end then you, you would win, by bidding less than 5 seconds from the end, you also "
                       "increase your chances of losing if anyone else snipes longer before the end than you.\r\n\r\n"
                       "Are you sure you want to use this setting? (choosing No will select 5 seconds)"),
        Desktop::BoxYesNo | Desktop::BoxExclamation);
    if (answer == Desktop::AnswerNo)
        ddnBidDelay->setCurrentIndex(4);
}

void frmSettings::chkAlwaysPswd_Click()
{
    if (!m_activated || !isVisible() || chkAlwaysPswd->isChecked())
        return;
    if (!basGeneral::ConfirmPasswordPromptOff())
        chkAlwaysPswd->setChecked(true);
}

void frmSettings::cmdAddUser_Click()
{
    frmEditUser::ShowModal(false);
}

void frmSettings::cmdEditUser_Click()
{
    // Nothing to edit without a chosen account.
    if (!lvwUsers->SelectedItem())
        return;
    frmEditUser::ShowModal(true);
}

void frmSettings::cmdRemUser_Click()
{
    ListItem *selected = lvwUsers->SelectedItem();
    if (!selected)
        return;
    if (lvwUsers->Count() == 1) {
        Desktop::MsgBox(QStringLiteral("You must keep at least one user"), Desktop::BoxExclamation);
        return;
    }
    if (Desktop::MsgBox(QStringLiteral("Remove \"") + selected->Text() + QStringLiteral("\"?"), Desktop::BoxYesNo | Desktop::BoxExclamation) == Desktop::AnswerYes)
        lvwUsers->Remove(selected->Index());
}

void frmSettings::sliScrollSpeed_Change()
{
    lblScrollSpeed->setText(QString::number(sliScrollSpeed->value()) + QStringLiteral(" dots/second"));
}

void frmSettings::sliScrollFPS_Change()
{
    lblScrollFPS->setText(QString::number(sliScrollFPS->value()) + QStringLiteral(" steps/second"));
}

void frmSettings::SSTab_Click()
{
    if (SSTab->tabText(SSTab->currentIndex()) == QLatin1String("Advanced"))
        basGeneral::FlashControl(lblWarn);
}
