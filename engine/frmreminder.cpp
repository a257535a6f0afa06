#include "engine/frmreminder.h"

#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/msgbox.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

frmReminder::frmReminder()
{
    setWindowFlag(Qt::Window, true);
    // A notice the user must see: it opens in front of the main window, even
    // when the window manager would keep a newly shown window behind it.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("You have notifications for the following items:"), this);
    layout->addWidget(Label1);
    lvwReminders = new ListView(this);
    layout->addWidget(lvwReminders, 2);
    txtDesc = new QPlainTextEdit(this);
    txtDesc->setReadOnly(true);
    layout->addWidget(txtDesc, 1);
    auto *buttons = new QHBoxLayout;
    cmdBack = new QPushButton(QStringLiteral("< &Previous"), this);
    cmdNext = new QPushButton(QStringLiteral("&Next >"), this);
    cmdOK = new QPushButton(QStringLiteral("&Close"), this);
    buttons->addWidget(cmdBack);
    buttons->addWidget(cmdNext);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    layout->addLayout(buttons);

    connect(cmdBack, &QPushButton::clicked, this, &frmReminder::cmdBack_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frmReminder::cmdNext_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmReminder::cmdOK_Click);
    connect(lvwReminders, &ListView::ItemClick, this, &frmReminder::lvwReminders_ItemClick);
}

void frmReminder::Form_Load()
{
    setWindowTitle(QStringLiteral("Notifications - ") + Desktop::AppTitle());
    lvwReminders->ClearColumns();
    lvwReminders->AddColumn(QStringLiteral("itemnum"), QStringLiteral("Item #"), 1250);
    lvwReminders->AddColumn(QStringLiteral("itemtitle"), QStringLiteral("Item Title"), 4560);
    lvwReminders->HoldItemNumbers(0);

    // Opens wide enough to show both columns whole, with room for the list's
    // scroll bar and frame and the window's margins.
    const QMargins margins = layout()->contentsMargins();
    const int listWidth = lvwReminders->header()->length() + lvwReminders->verticalScrollBar()->sizeHint().width()
                          + 2 * lvwReminders->frameWidth();
    const QSize fitted = sizeHint();
    resize(std::max(fitted.width(), listWidth + margins.left() + margins.right()), fitted.height());
}

void frmReminder::ShowOver(const QWidget &owner)
{
    if (!isVisible())
        Desktop::CentreOver(*this, owner);
    show();
    raise();
    activateWindow();
}

void frmReminder::UpdateButtons()
{
    ListItem *selected = lvwReminders->SelectedItem();
    if (!selected)
        return;
    txtDesc->setPlainText(selected->Tag());
    const int index = selected->Index();
    const int count = lvwReminders->Count();
    if (index > 0)
        cmdBack->setEnabled(true);
    if (index < count)
        cmdNext->setEnabled(true);
    if (index == 1)
        cmdBack->setEnabled(false);
    if (index == count)
        cmdNext->setEnabled(false);
}

void frmReminder::selectRow(int index1)
{
    ListItem *row = lvwReminders->Item(index1);
    if (!row)
        return;
    lvwReminders->setSelectedItem(row);
    lvwReminders->scrollToItem(row);
    UpdateButtons();
}

void frmReminder::cmdBack_Click()
{
    if (ListItem *selected = lvwReminders->SelectedItem())
        selectRow(selected->Index() - 1);
}

void frmReminder::cmdNext_Click()
{
    if (ListItem *selected = lvwReminders->SelectedItem())
        selectRow(selected->Index() + 1);
}

void frmReminder::cmdOK_Click()
{
    unloadInstance();
}

void frmReminder::lvwReminders_ItemClick(ListItem *)
{
    UpdateButtons();
}

void frmReminder::closeEvent(QCloseEvent *event)
{
    // The close box unloads the window like Close does.
    event->accept();
    unloadInstance();
}
