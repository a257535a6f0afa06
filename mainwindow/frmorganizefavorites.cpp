#include "mainwindow/frmorganizefavorites.h"

#include "mainwindow/frmmain.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/msgbox.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

frmOrgFavorites::frmOrgFavorites()
{
    setObjectName(QStringLiteral("frmOrgFavorites"));
    setWindowTitle(QStringLiteral("Organize Favorites"));
    setModal(true);
    lvwFavorites = new ListView(this);
    cmdDelete = new QPushButton(QStringLiteral("Delete"), this);
    cmdDone = new QPushButton(QStringLiteral("Done"), this);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdDelete);
    buttons->addStretch();
    buttons->addWidget(cmdDone);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lvwFavorites);
    layout->addLayout(buttons);
    resize(420, 320);

    connect(cmdDelete, &QPushButton::clicked, this, &frmOrgFavorites::cmdDelete_Click);
    connect(cmdDone, &QPushButton::clicked, this, &frmOrgFavorites::cmdDone_Click);
    connect(lvwFavorites, &ListView::ColumnClick, this, &frmOrgFavorites::lvwFavorites_ColumnClick);
}

void frmOrgFavorites::Form_Load()
{
    const int widthTwips = Desktop::PixelsToTwipsX(lvwFavorites->width()) - 330;
    lvwFavorites->ClearColumns();
    lvwFavorites->AddColumn(QStringLiteral("title"), QStringLiteral("Title"), widthTwips);
    for (const QAction *item : frmMain::instance().mnuFavoritesItems) {
        if (!item->isEnabled())
            continue; // the "<no favorites>" placeholder
        lvwFavorites->Add(item->text())->setTag(item->data().toString());
    }
}

void frmOrgFavorites::ShowModal()
{
    if (isLoaded())
        unloadInstance();
    instance().exec();
}

void frmOrgFavorites::cmdDelete_Click()
{
    ListItem *row = lvwFavorites->SelectedItem();
    if (!row)
        return;
    if (Desktop::MsgBox(QStringLiteral("Delete selected favorite?"),
                        Desktop::BoxYesNo | Desktop::BoxQuestion | Desktop::BoxDefaultButton2)
        == Desktop::AnswerYes)
        lvwFavorites->Remove(row->Index());
}

void frmOrgFavorites::lvwFavorites_ColumnClick(int column)
{
    lvwFavorites->SortKey = column;
    lvwFavorites->SortOrder = 0;
    lvwFavorites->setSorted(true);
}

void frmOrgFavorites::cmdDone_Click()
{
    QList<QPair<QString, QString>> favorites;
    for (int i = 1; i <= lvwFavorites->Count(); ++i)
        favorites.append({lvwFavorites->Item(i)->Text(), lvwFavorites->Item(i)->Tag()});
    frmMain &main = frmMain::instance();
    main.SetFavorites(favorites);
    main.SaveFavorites();
    unloadInstance();
}

void frmOrgFavorites::reject()
{
    unloadInstance();
    QDialog::reject();
}
