#include "engine/damagedfile.h"

#include "foundation/basgeneral.h"
#include "platform/msgbox.h"

#include <QFileInfo>

namespace DamagedFile {

QString BackupName(const QString &folder, const QString &fileName, const QDateTime &when)
{
    const QFileInfo info(fileName);
    const QString stem = info.completeBaseName() + QStringLiteral("-backup-") + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString extension = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString name = stem + extension;
    for (int n = 2; QFileInfo::exists(folder + name) || QFileInfo(folder + name).isSymLink(); ++n)
        name = stem + QLatin1Char('-') + QString::number(n) + extension;
    return name;
}

QString SetAside(const QString &folder, const QString &fileName)
{
    const QString name = BackupName(folder, fileName, QDateTime::currentDateTime());
    basGeneral::MoveFileIfMissing(folder + fileName, folder + name);
    if (QFileInfo::exists(folder + fileName) || !QFileInfo::exists(folder + name))
        return {};
    return name;
}

QString NotSetAsideMessage(const QString &listName, const QString &fileName)
{
    return QStringLiteral("Your ") + listName + QStringLiteral(" file could not be renamed. Please move ") + fileName
        + QStringLiteral(" out of the following folder yourself before you start ") + Desktop::AppTitle()
        + QStringLiteral(" again:\r\n\r\n") + basGeneral::DataFolder();
}

bool SetAsideTooLarge(const QString &fileName, const QString &listName, const QString &newListName)
{
    // Notices: read while the start goes on, as the list's snipes must.
    const QString backup = SetAside(basGeneral::DataFolder(), fileName);
    if (backup.isEmpty()) {
        Desktop::Notice(NotSetAsideMessage(listName, fileName), Desktop::BoxExclamation);
        return false;
    }
    Desktop::Notice(QStringLiteral("Your ") + listName + QStringLiteral(" file is too large to be read. It has been saved as ")
                        + backup + QStringLiteral(" and a new ") + newListName + QStringLiteral(" has been started."),
                    Desktop::BoxExclamation);
    return true;
}

} // namespace DamagedFile
