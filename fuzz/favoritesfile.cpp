// "favorites.dat", read the way the start-up loader reads it (caption and
// address in turn); the favorites read are written and read back unchanged.
#include "fuzz/fuzzinput.h"

#include "engine/listfileformat.h"
#include "mainwindow/favoritesfile.h"
#include "platform/numberederror.h"

#include <cstdlib>

namespace {

QList<FavoritesFile::Favorite> readFavorites(const QByteArray &bytes)
{
    QList<FavoritesFile::Favorite> favorites;
    ListFile::QuotedFieldReader reader(ListFile::DecodeFile(bytes));
    while (!reader.AtEnd()) {
        QString caption = reader.ReadField();
        QString url = reader.ReadField();
        caption.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
        url.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
        favorites.append({caption, url});
    }
    return favorites;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QList<FavoritesFile::Favorite> favorites;
    try {
        favorites = readFavorites(FuzzBytes(data, size));
    } catch (const NumberedError &) {
        // A cut file: the loader reports it and offers to set the file aside.
        return 0;
    }
    if (readFavorites(FavoritesFile::Format(favorites)) != favorites)
        std::abort();
    return 0;
}
