#include "platform/privatefile.h"

#include <QFile>

namespace PrivateFile {

bool open(QFileDevice &file, QIODevice::OpenMode mode)
{
    if (!file.open(mode))
        return false;
    // On the open file (the temporary one of a QSaveFile), so the mode holds
    // from the first byte and the rename keeps it.
    file.setPermissions(kOwnerOnly);
    return true;
}

bool narrow(const QString &path)
{
    return QFile::setPermissions(path, kOwnerOnly);
}

} // namespace PrivateFile
