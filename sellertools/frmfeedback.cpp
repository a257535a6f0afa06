#include "sellertools/frmfeedback.h"

#include "engine/damagedfile.h"
#include "foundation/ebayuser.h"
#include "foundation/frmsettings.h"
#include "platform/listview.h"
#include "sellertools/feedbackfile.h"
#include "sellertools/frmfeedbackmessage.h"
#include "sellertools/frmfeedbackprogress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmFeedback::frmFeedback()
{
    setObjectName(QStringLiteral("frmFeedback"));
    setWindowTitle(QStringLiteral("Feedback"));
    setModal(true);
    Label1 = new QLabel(
        QStringLiteral("Check the User IDs for which you want positive feedback received from buyers to be automatically returned:"),
        this);
    Label1->setWordWrap(true);
    lvwSellers = new ListView(this);
    lvwSellers->setCheckBoxes(true);
    cmdLeaveFB = new QPushButton(QStringLiteral("Leave Feedback Now"), this);
    cmdEditMsg = new QPushButton(QStringLiteral("Change Feedback Message For Selected User ID"), this);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdLeaveFB);
    buttons->addWidget(cmdEditMsg);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(lvwSellers);
    layout->addLayout(buttons);
    resize(560, 320);

    connect(lvwSellers, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem *item, int) { rowChanged(static_cast<ListItem *>(item)); });
    connect(cmdLeaveFB, &QPushButton::clicked, this, &frmFeedback::cmdLeaveFB_Click);
    connect(cmdEditMsg, &QPushButton::clicked, this, &frmFeedback::cmdEditMsg_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmFeedback::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFeedback::cmdCancel_Click);
}

void frmFeedback::Form_Load()
{
    lvwSellers->ClearColumns();
    lvwSellers->AddColumn(QStringLiteral("userid"), QStringLiteral("User ID"), 1400);
    lvwSellers->AddColumn(QStringLiteral("feedback"), QStringLiteral("Feedback To Leave"), 2700);

    const ListView *users = frmSettings::instance().lvwUsers;
    for (int i = 1; i <= users->Count(); ++i)
        lvwSellers->Add(users->Item(i)->Text());

    bool refused = false;
    const QList<FeedbackFile::Entry> entries = FeedbackFile::Read(&refused);
    if (refused)
        m_keepRefusedFile = !DamagedFile::SetAsideTooLarge(QStringLiteral("feedback.dat"), QStringLiteral("feedback list"),
                                                            QStringLiteral("list"));
    for (const FeedbackFile::Entry &e : entries) {
        if (ListItem *row = FindEbayUser(*lvwSellers, e.user)) {
            row->setChecked(true);
            row->setSubItem(1, e.comment);
        }
    }
    for (int i = 1; i <= lvwSellers->Count(); ++i) {
        ListItem *row = lvwSellers->Item(i);
        if (row->Checked() && row->SubItem(1).isEmpty())
            row->setSubItem(1, kDefaultComment);
        else if (!row->Checked())
            row->setSubItem(1, kNoFeedback);
        m_checked.insert(row, row->Checked());
    }
}

void frmFeedback::ShowModal()
{
    instance().exec();
}

void frmFeedback::Save()
{
    if (m_keepRefusedFile)
        return;
    QList<FeedbackFile::Entry> entries;
    for (int i = 1; i <= lvwSellers->Count(); ++i) {
        const ListItem *row = lvwSellers->Item(i);
        if (row->Checked())
            entries.append({row->Text(), row->SubItem(1)});
    }
    FeedbackFile::Write(entries);
}

void frmFeedback::rowChanged(ListItem *item)
{
    const auto known = m_checked.find(item);
    if (known == m_checked.end() || *known == item->Checked())
        return;
    *known = item->Checked();
    lvwSellers_ItemCheck(item);
}

void frmFeedback::lvwSellers_ItemCheck(ListItem *item)
{
    lvwSellers->setSelectedItem(item);
    if (item->Checked()) {
        if (item->SubItem(1) == kNoFeedback) {
            item->setSubItem(1, kDefaultComment);
            frmFeedbackMessage::ShowModal();
        }
    } else {
        item->setSubItem(1, kNoFeedback);
    }
}

void frmFeedback::cmdLeaveFB_Click()
{
    frmFeedbackProgress::ShowModal();
}

void frmFeedback::cmdEditMsg_Click()
{
    if (lvwSellers->SelectedItem())
        frmFeedbackMessage::ShowModal();
}

void frmFeedback::cmdOK_Click()
{
    Save();
    unloadInstance();
}

void frmFeedback::cmdCancel_Click()
{
    unloadInstance();
}

void frmFeedback::reject()
{
    // Esc and the close box: as Cancel.
    unloadInstance();
    QDialog::reject();
}
