#include "updater/folderswap.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace FolderSwap {

namespace {

// One rename, as the system does it: atomic, replacing a file at `to`.
bool move(const QString &from, const QString &to, QString *error)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    *error = QStringLiteral("%1 could not be moved to %2: %3").arg(from, to, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

// Makes the folder of `path` with its parents; `made` receives each folder
// made, outermost first, so an undo can take them away again.
bool makeParent(const QString &path, QStringList *made, QString *error)
{
    QStringList missing;
    QString dir = QFileInfo(path).absolutePath();
    while (!QFileInfo(dir).exists()) {
        missing.prepend(dir);
        dir = QFileInfo(dir).absolutePath();
    }
    for (const QString &m : missing) {
        if (!QDir().mkdir(m)) {
            *error = QStringLiteral("the folder %1 could not be made").arg(m);
            return false;
        }
        made->append(m);
    }
    if (!QFileInfo(QFileInfo(path).absolutePath()).isDir()) {
        *error = QStringLiteral("%1 is not a folder").arg(QFileInfo(path).absolutePath());
        return false;
    }
    return true;
}

struct Move
{
    QString from;
    QString to;
};

} // namespace

QStringList FilesBelow(const QString &root)
{
    QStringList files;
    const QDir base(root);
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << base.relativeFilePath(it.next());
    files.sort();
    return files;
}

bool Swap(const QString &folder, const QString &staged, const QString &backup, QString *error)
{
    QList<Move> done;
    QStringList madeFolders;
    const auto undo = [&] {
        // Best effort: each step reverses a rename that worked a moment ago.
        QString ignored;
        for (auto m = done.crbegin(); m != done.crend(); ++m)
            move(m->to, m->from, &ignored);
        for (auto d = madeFolders.crbegin(); d != madeFolders.crend(); ++d)
            QDir().rmdir(*d);
    };

    for (const QString &relative : FilesBelow(staged)) {
        const QString target = QDir(folder).filePath(relative);
        const QString saved = QDir(backup).filePath(relative);
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
            if (!makeParent(saved, &madeFolders, error) || !move(target, saved, error)) {
                undo();
                return false;
            }
            done.append({target, saved});
        }
        if (!makeParent(target, &madeFolders, error) || !move(QDir(staged).filePath(relative), target, error)) {
            undo();
            return false;
        }
        done.append({QDir(staged).filePath(relative), target});
    }
    return true;
}

bool RestoreBackup(const QString &folder, const QString &backup, QString *error)
{
    bool whole = true;
    for (const QString &relative : FilesBelow(backup)) {
        const QString target = QDir(folder).filePath(relative);
        QStringList made;
        if (!makeParent(target, &made, error) || !move(QDir(backup).filePath(relative), target, error))
            whole = false;
    }
    return whole;
}

} // namespace FolderSwap
