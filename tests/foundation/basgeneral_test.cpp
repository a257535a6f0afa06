#include "foundation/basgeneral.h"

#include "platform/numberederror.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>

using namespace basGeneral;

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Removes the date part of every "date: text" entry.
QByteArray withoutDates(QByteArray log)
{
    QByteArray out;
    for (const QByteArray &line : log.split('\n')) {
        const int sep = line.indexOf(": ");
        out += (sep >= 0 ? line.mid(sep + 2) : line) + '\n';
    }
    out.chop(1);
    return out;
}

} // namespace

TEST(WriteLog, NewestFirstWithTheOlderContentCutTo10240)
{
    QDir().mkpath(DataFolder());
    const QString path = DataFolder() + "log.txt";
    WriteLog("log.txt", "first");
    EXPECT_EQ(withoutDates(readFile(path)), QByteArray("first\r\n\r\n"));
    WriteLog("log.txt", "second");
    EXPECT_EQ(withoutDates(readFile(path)), QByteArray("second\r\nfirst\r\n\r\n"));

    // A long log keeps exactly its first 10240 characters after the new entry.
    QByteArray old;
    while (old.size() < 20000)
        old += "0123456789abcdefghijklmnopqrstuvwxyz\r\n";
    writeFile(path, old);
    WriteLog("log.txt", "new");
    const QByteArray log = readFile(path);
    const int entryEnd = log.indexOf("\r\n") + 2;
    EXPECT_TRUE(log.left(entryEnd).endsWith(": new\r\n"));
    QByteArray kept = old.left(10240);
    if (kept.endsWith("\r\n"))
        kept.chop(2);
    EXPECT_EQ(log.mid(entryEnd), kept + "\r\n");
    EXPECT_FALSE(QFileInfo::exists(path + ".tmp"));
}

TEST(WriteLog, AFailureReachesTheCallerAndKeepsTheOldLog)
{
    QDir().mkpath(DataFolder());
    // A folder in the file's place cannot be replaced.
    QDir().mkpath(DataFolder() + "blocked.txt");
    EXPECT_THROW(WriteLog("blocked.txt", "x"), NumberedError);
    EXPECT_TRUE(QFileInfo(DataFolder() + "blocked.txt").isDir());
}

TEST(FlashControl, EndsVisibleAfterFiveChangesWhileTimersRun)
{
    QLabel label("warn");
    label.show();
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(100);
    QElapsedTimer clock;
    clock.start();
    FlashControl(&label);
    EXPECT_GE(clock.elapsed(), 1200);
    EXPECT_TRUE(label.isVisible());
    EXPECT_GE(ticks, 8);
}
