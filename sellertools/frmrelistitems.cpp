#include "sellertools/frmrelistitems.h"

#include "engine/damagedfile.h"
#include "engine/relistscheduler.h"
#include "engine/startupwindows.h"
#include "foundation/basgeneral.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/mainformshell.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"
#include "sellertools/frmrelist.h"
#include "sellertools/frmrelistedit.h"
#include "sellertools/relistfile.h"

#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimeZone>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kColItem = 0, kColSeller = 1, kColTitle = 2, kColSchedule = 3, kColNext = 4;
const QString kRelistFile = QStringLiteral("relist.dat");

QString relistFilePath()
{
    return QDir(basGeneral::DataFolder()).filePath(kRelistFile);
}

// Minutes from `from` to `to`, counted as changes of the clock's minute.
qint64 minuteChanges(const QDateTime &from, const QDateTime &to)
{
    const auto minuteOf = [](const QDateTime &t) {
        return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute()), Qt::UTC).toSecsSinceEpoch() / 60;
    };
    return minuteOf(to) - minuteOf(from);
}

bool mainExiting()
{
    return frmMainShell::isLoaded() && MainForm().blnExiting;
}

} // namespace

frmRelistItems::frmRelistItems()
{
    setWindowTitle(QStringLiteral("Scheduled Relistings"));
    setModal(true);
    lvwRelist = new ListView(this);
    tmrTimer = new TickTimer(60000, true, this);
    cmdAdd = new QPushButton(QStringLiteral("&Add Item"), this);
    cmdEdit = new QPushButton(QStringLiteral("&Edit"), this);
    cmdRem = new QPushButton(QStringLiteral("&Remove"), this);
    cmdRelistNow = new QPushButton(QStringLiteral("Relist &Now"), this);
    cmdView = new QPushButton(QStringLiteral("&View In Browser"), this);
    cmdDone = new QPushButton(QStringLiteral("&Done"), this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lvwRelist);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {cmdAdd, cmdEdit, cmdRem, cmdRelistNow, cmdView})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(cmdDone);
    layout->addLayout(buttons);
    resize(640, 320);

    connect(cmdAdd, &QPushButton::clicked, this, &frmRelistItems::cmdAdd_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &frmRelistItems::cmdEdit_Click);
    connect(cmdRem, &QPushButton::clicked, this, &frmRelistItems::cmdRem_Click);
    connect(cmdRelistNow, &QPushButton::clicked, this, &frmRelistItems::cmdRelistNow_Click);
    connect(cmdView, &QPushButton::clicked, this, &frmRelistItems::cmdView_Click);
    connect(cmdDone, &QPushButton::clicked, this, &QDialog::close);
    connect(tmrTimer, &TickTimer::Timer, this, &frmRelistItems::tmrTimer_Timer);
}

void frmRelistItems::Form_Load()
{
    if (mainExiting())
        return;
    lvwRelist->AddColumn(QString(), QStringLiteral("Item #"), 1200);
    lvwRelist->AddColumn(QString(), QStringLiteral("Seller"), 1400);
    lvwRelist->AddColumn(QString(), QStringLiteral("Title"), 2000);
    lvwRelist->AddColumn(QString(), QStringLiteral("Schedule"), 2200);
    lvwRelist->AddColumn(QString(), QStringLiteral("Next Relisting"), 2000);
    lvwRelist->HoldItemNumbers(0);
    bool refused = false;
    const QList<RelistFile::Entry> entries = RelistFile::Load(relistFilePath(), &refused);
    if (refused)
        m_keepRefusedFile = !DamagedFile::SetAsideTooLarge(kRelistFile, QStringLiteral("relist schedule"),
                                                            QStringLiteral("schedule"));
    for (const RelistFile::Entry &e : entries) {
        ListItem *row = lvwRelist->Add(e.itemNumber);
        row->setSubItem(kColSeller, e.seller);
        row->setSubItem(kColTitle, e.title);
        row->setSubItem(kColSchedule, e.schedule);
        row->setSubItem(kColNext, e.nextRelisting);
        row->setTag(e.periodDays);
    }
    fitColumns();
}

void frmRelistItems::fitColumns()
{
    lvwRelist->FitColumnsToContents();
    const QMargins margins = layout()->contentsMargins();
    const int listWidth = lvwRelist->header()->length() + lvwRelist->verticalScrollBar()->sizeHint().width()
                          + 2 * lvwRelist->frameWidth() + margins.left() + margins.right();
    const QScreen *shownOn = screen();
    const int room = shownOn ? shownOn->availableGeometry().width() : listWidth;
    if (listWidth > width())
        resize(std::min(listWidth, room), height());
}

void frmRelistItems::ShowRelistItems()
{
    frmRelistItems &w = instance();
    w.exec();
}

void frmRelistItems::Register()
{
    StartupWindows::KeepRelistScheduler = [] {
        frmRelistItems &w = instance();
        if (w.lvwRelist->Count() > 0)
            return true;
        w.tmrTimer->setEnabled(false);
        unloadInstance();
        return false;
    };
    RelistScheduler::IsRunning = [] { return isLoaded() && instance().tmrTimer->Enabled(); };
    RelistScheduler::SetRunning = [](bool on) {
        if (isLoaded())
            instance().tmrTimer->setEnabled(on);
    };
}

bool frmRelistItems::SaveList()
{
    if (m_keepRefusedFile)
        return false;
    QList<RelistFile::Entry> entries;
    for (int i = 1; i <= lvwRelist->Count(); ++i) {
        const ListItem *row = lvwRelist->Item(i);
        entries << RelistFile::Entry{row->Text(),           row->SubItem(kColSeller), row->SubItem(kColTitle),
                                     row->SubItem(kColSchedule), row->SubItem(kColNext), row->Tag()};
    }
    return RelistFile::Save(relistFilePath(), entries);
}

void frmRelistItems::cmdAdd_Click()
{
    frmAddRelist::ShowModal(false);
    fitColumns();
    SaveList();
}

void frmRelistItems::cmdEdit_Click()
{
    ListItem *row = lvwRelist->SelectedItem();
    if (!row)
        return;
    frmAddRelist::ShowModalForEdit(row->Text(), row->Tag(), row->SubItem(kColNext));
    fitColumns();
    SaveList();
}

void frmRelistItems::cmdRem_Click()
{
    ListItem *row = lvwRelist->SelectedItem();
    if (!row)
        return;
    const int answer = Desktop::MsgBox(QStringLiteral("Remove selected item from relisting schedule?"),
                                       Desktop::BoxYesNo | Desktop::BoxQuestion | Desktop::BoxDefaultButton2);
    if (answer == Desktop::AnswerNo)
        return;
    lvwRelist->Remove(row->Index());
    SaveList();
}

void frmRelistItems::cmdRelistNow_Click()
{
    ListItem *row = lvwRelist->SelectedItem();
    if (!row || RelistInProgress)
        return;
    relistRow(row, this);
    // The robot may have given the row its new item number: kept at once, so
    // neither a crash nor the shut-down (which does not save) leaves the
    // schedule on the ended listing. The next-relisting date stays as it is.
    if (isLoaded())
        SaveList();
}

void frmRelistItems::cmdView_Click()
{
    hide();
    ListItem *row = lvwRelist->SelectedItem();
    if (row && frmMainShell::isLoaded() && MainForm().WebBrowser)
        MainForm().WebBrowser->Navigate(
            HostRoles::url(HostRoles::Role::Item, QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + row->Text()));
    close();
}

void frmRelistItems::tmrTimer_Timer()
{
    // One relist at a time: a tick that comes while the robot works (it lets
    // the timers run) leaves the schedule alone.
    if (RelistInProgress)
        return;
    // Rows are taken by position: a relist may rename a row, never reorder.
    for (int i = 1; isLoaded() && i <= lvwRelist->Count(); ++i) {
        // Asked again for every row: an auction may have come near its end
        // while the robot relisted the row before, and a relist now would
        // hold the refresh of that auction until it has ended.
        if (frmMainShell::isLoaded() && MainForm().blnItemsEndingSoon)
            return;
        ListItem *row = lvwRelist->Item(i);
        const QDateTime moment = now();
        const std::optional<QDateTime> moved = RelistFile::DueMovedOn(row->SubItem(kColNext), row->Tag(), moment);
        if (!moved)
            continue;
        row->setSubItem(kColNext, RelistFile::NextRelistingText(*moved));
        // Saved before the robot starts: should the program end during the
        // relist, the entry is not taken up again for the same period.
        SaveList();
        if (minuteChanges(*moved, moment) < 30) {
            // Modal to the main window: the robot works in the background of
            // whatever other window the user has open.
            relistRow(row, frmMainShell::isLoaded() ? &MainForm() : nullptr);
            if (!isLoaded())
                return;
            SaveList();
        }
    }
}

void frmRelistItems::relistRow(ListItem *row, QWidget *owner)
{
    RelistInProgress = true;
    if (RelistHook)
        RelistHook(row);
    else
        frmRelist::RelistModal(row->Text(), row->SubItem(kColTitle), row->SubItem(kColSeller), owner);
    RelistInProgress = false;
}

QDateTime frmRelistItems::now() const
{
    return Clock ? Clock() : QDateTime::currentDateTime();
}

bool frmRelistItems::Form_QueryUnload()
{
    return lvwRelist->Count() > 0 && !mainExiting();
}

void frmRelistItems::closeEvent(QCloseEvent *event)
{
    if (Form_QueryUnload()) {
        event->ignore();
        hide();
        return;
    }
    event->accept();
    unloadInstance();
}
