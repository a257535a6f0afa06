// A copy that starts this very moment has made its lock file and holds it,
// but has not yet written itself into it: the empty file is that copy's, not
// one left behind, and must not be taken over.
#include "platform/singleinstance.h"

#include "foundation/basgeneral.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// The lock file as a starting copy has it: made and held, still empty.
class StartingCopy
{
public:
    explicit StartingCopy(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600))
    {
        if (m_fd >= 0)
            ::flock(m_fd, LOCK_EX | LOCK_NB);
    }
    ~StartingCopy()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    StartingCopy(const StartingCopy &) = delete;
    StartingCopy &operator=(const StartingCopy &) = delete;

    bool holds() const { return m_fd >= 0; }

    // What the copy writes next: this process, as a running copy.
    void writeItself() const
    {
        const QByteArray text = QByteArray::number(QCoreApplication::applicationPid()) + '\n'
            + QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8() + '\n'
            + QSysInfo::machineHostName().toUtf8() + '\n' + QSysInfo::machineUniqueId() + '\n' + QSysInfo::bootUniqueId()
            + '\n';
        [[maybe_unused]] const auto written = ::write(m_fd, text.constData(), size_t(text.size()));
    }

private:
    int m_fd;
};

} // namespace

TEST(SingleInstance, AnEmptyLockAStartingCopyHoldsIsNotTakenOver)
{
    const QString folder = basGeneral::DataFolder();
    const QString lock = folder + QStringLiteral("instance.lock");
    {
        // It writes itself a moment later: that copy runs, this one gives way.
        StartingCopy starting(lock);
        ASSERT_TRUE(starting.holds());
        std::thread writer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            starting.writeItself();
        });
        const SingleInstance second(folder.chopped(1));
        writer.join();
        EXPECT_EQ(second.outcome(), SingleInstance::Outcome::AnotherIsRunning);
        EXPECT_TRUE(QFileInfo(lock).size() > 0);
    }
    ASSERT_TRUE(QFile::remove(lock));
    {
        // It never does: held all the same, so not removed; the user is told.
        StartingCopy stuck(lock);
        ASSERT_TRUE(stuck.holds());
        const SingleInstance second(folder.chopped(1));
        EXPECT_EQ(second.outcome(), SingleInstance::Outcome::Unjudged);
        EXPECT_EQ(second.lockFile(), lock);
        EXPECT_TRUE(second.problem().contains(QStringLiteral("Delete it"))) << second.problem().toStdString();
        EXPECT_TRUE(QFile::exists(lock));
    }
    {
        // Once let go without a word in it, it is taken over.
        const SingleInstance next(folder.chopped(1));
        EXPECT_EQ(next.outcome(), SingleInstance::Outcome::Owned);
    }
}

// A lock of this computer whose first line names no process a copy could
// run as (zero, negative, not a number) belongs to no running copy: taken
// over, whatever else it says.
TEST(SingleInstance, ALockNamingNoPossibleProcessIsTakenOver)
{
    const QString folder = basGeneral::DataFolder();
    const QString lock = folder + QStringLiteral("instance.lock");
    const QByteArray rest = "\ntallowmere\n" + QSysInfo::machineHostName().toUtf8() + '\n' + QSysInfo::machineUniqueId() + '\n'
        + QSysInfo::bootUniqueId() + '\n';
    for (const QByteArray &pid : {QByteArray("0"), QByteArray("-1"), QByteArray("-4242"), QByteArray("00"),
                                  QByteArray("abc"), QByteArray("12ab"), QByteArray("0x1f"), QByteArray(" ")}) {
        SCOPED_TRACE(pid.toStdString());
        QFile left(lock);
        ASSERT_TRUE(left.open(QIODevice::WriteOnly | QIODevice::Truncate));
        left.write(pid + rest);
        left.close();
        {
            const SingleInstance start(folder.chopped(1));
            ASSERT_EQ(start.outcome(), SingleInstance::Outcome::Owned);
            QFile held(lock);
            ASSERT_TRUE(held.open(QIODevice::ReadOnly));
            EXPECT_EQ(held.readLine().trimmed().toLongLong(), QCoreApplication::applicationPid());
        }
        EXPECT_FALSE(QFile::exists(lock)) << "let go at the end";
    }
}
