#include "mainwindow/favoritesfile.h"

#include "engine/listfileformat.h"
#include "foundation/basgeneral.h"
#include "platform/privatefile.h"

#include <QDir>
#include <QSaveFile>

namespace FavoritesFile {

namespace {

QString escape(QString text)
{
    return text.replace(QStringLiteral("\""), QStringLiteral("&quot;"));
}

} // namespace

QString Path()
{
    return basGeneral::DataFolder() + QStringLiteral("favorites.dat");
}

QByteArray Format(const QList<Favorite> &favorites)
{
    QString text;
    for (const Favorite &f : favorites)
        ListFile::AppendRecord(text, {escape(f.caption), escape(f.url)});
    return ListFile::EncodeFile(text);
}

bool Write(const QList<Favorite> &favorites)
{
    QDir().mkpath(basGeneral::DataFolder());
    QSaveFile out(Path());
    if (!PrivateFile::open(out))
        return false;
    const QByteArray bytes = Format(favorites);
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

} // namespace FavoritesFile
