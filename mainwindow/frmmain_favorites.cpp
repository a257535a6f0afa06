// The Favorites menu: its commands, the favorites as the menu's elements and
// their file.
#include "mainwindow/frmmain.h"

#include "mainwindow/favoritesfile.h"
#include "mainwindow/frmaddfavorite.h"
#include "mainwindow/frmorganizefavorites.h"
#include "platform/webbrowser.h"

#include <QAction>
#include <QMenu>

namespace {

const QString kNoFavorites = QStringLiteral("<no favorites>");

} // namespace

QMenu *frmMain::BuildFavoritesMenu()
{
    if (mnuFavoritesAdd)
        return mnuFavorites;
    mnuFavorites->setTitle(QStringLiteral("&Favorites"));
    QAction *firstFavorite = mnuFavoritesItems.value(0);
    mnuFavoritesAdd = new QAction(QStringLiteral("Add To Favorites"), mnuFavorites);
    mnuFavoritesOrganize = new QAction(QStringLiteral("Organize Favorites"), mnuFavorites);
    mnuFavorites->insertAction(firstFavorite, mnuFavoritesAdd);
    mnuFavorites->insertAction(firstFavorite, mnuFavoritesOrganize);
    mnuFavorites->insertSeparator(firstFavorite);
    connect(mnuFavoritesAdd, &QAction::triggered, this, &frmMain::mnuFavoritesAdd_Click);
    connect(mnuFavoritesOrganize, &QAction::triggered, this, &frmMain::mnuFavoritesOrganize_Click);
    // The favorites come and go; one connection serves them all.
    connect(mnuFavorites, &QMenu::triggered, this, [this](QAction *action) {
        const qsizetype index = mnuFavoritesItems.indexOf(action);
        if (index >= 0)
            mnuFavoritesItems_Click(int(index));
    });
    return mnuFavorites;
}

void frmMain::mnuFavoritesAdd_Click()
{
    frmAddFavorite::ShowModal();
}

void frmMain::mnuFavoritesOrganize_Click()
{
    frmOrgFavorites::ShowModal();
}

void frmMain::mnuFavoritesItems_Click(int Index)
{
    const QAction *item = mnuFavoritesItems.value(Index);
    if (item && item->isEnabled() && !item->data().toString().isEmpty())
        WebBrowser->Navigate(item->data().toString());
}

bool frmMain::HasNoFavorites() const
{
    return mnuFavoritesItems.size() == 1 && !mnuFavoritesItems.first()->isEnabled();
}

void frmMain::SaveFavorites()
{
    QList<FavoritesFile::Favorite> favorites;
    if (!HasNoFavorites())
        for (const QAction *item : mnuFavoritesItems)
            favorites.append({item->text(), item->data().toString()});
    FavoritesFile::Write(favorites);
}

void frmMain::AddFavorite(const QString &caption, const QString &url)
{
    if (HasNoFavorites()) {
        QAction *first = mnuFavoritesItems.first();
        first->setText(caption);
        first->setData(url);
        first->setEnabled(true);
        return;
    }
    QAction *item = mnuFavorites->addAction(caption);
    item->setData(url);
    mnuFavoritesItems << item;
}

void frmMain::SetFavorites(const QList<QPair<QString, QString>> &favorites)
{
    while (mnuFavoritesItems.size() > 1) {
        QAction *item = mnuFavoritesItems.takeLast();
        mnuFavorites->removeAction(item);
        delete item;
    }
    QAction *first = mnuFavoritesItems.first();
    if (favorites.isEmpty()) {
        first->setText(kNoFavorites);
        first->setData(QString());
        first->setEnabled(false);
        return;
    }
    first->setEnabled(false); // the placeholder again, so the first favorite goes into it
    for (const auto &[caption, url] : favorites)
        AddFavorite(caption, url);
}
