#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// "favorites.dat" in the data folder: one line per favorite in menu order,
// its caption and its address, each quoted, with a double quote stored as
// "&quot;". The start-up loader reads it into the Favorites menu.
namespace FavoritesFile {

struct Favorite
{
    QString caption;
    QString url;
    bool operator==(const Favorite &) const = default;
};

QString Path();
QByteArray Format(const QList<Favorite> &favorites);
// Replaces the file whole and atomically; false when it could not be written
// (the old file is then left as it was).
bool Write(const QList<Favorite> &favorites);

} // namespace FavoritesFile
