#include "tests/support/frozenfolder.h"

#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool setImmutable(const QString &path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

} // namespace

// Root writes anywhere but where the immutable flag stands; any other user
// is kept out by the folder's mode.
FrozenFolder::FrozenFolder(const QString &path) : m_path(path)
{
    m_held = ::getuid() == 0 ? setImmutable(path, true) : ::chmod(QFile::encodeName(path).constData(), 0500) == 0;
}

FrozenFolder::~FrozenFolder()
{
    if (!m_held)
        return;
    if (::getuid() == 0)
        setImmutable(m_path, false);
    else
        ::chmod(QFile::encodeName(m_path).constData(), 0700);
}
