// Data files the start reads, each filled to its size bound with the
// smallest records its reader takes: the program, as its own process, refuses
// each at its record count while reading it, holding no more memory than a
// full list of real records would, and leaves the file as it was.
#include "foundation/basgeneral.h"
#include "foundation/settingsstore.h"
#include "engine/listfileformat.h"

#include "tests/integration/programrun.h"
#include "tests/support/procstatus.h"
#include "tests/support/testfiles.h"
#include "tests/support/underasan.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace {

// Far above what the bounded records take, far below what millions of them
// would. AddressSanitizer holds freed memory back before reuse (its
// quarantine, 256 MB by default) and keeps its own books beside each block.
constexpr qint64 kPeakLimitKb = (kUnderAddressSanitizer ? 500 * 2 + 256 : 500) * 1024;
constexpr int kStartWaitMs = kUnderAddressSanitizer ? 240000 : 120000;

// `record` over and over, as many whole times as the size bound holds.
QByteArray filledToTheBound(const QByteArray &record)
{
    return record.repeated(int(ListFile::kMaxFileBytes / record.size()));
}

// The program started on a finished first run with an empty list, unless the
// test wrote one; "Exit OK" is none of its own values until it writes one.
void startProgram(QProcess &program)
{
    ProgramRun::PrepareFinishedFirstRun();
    SaveSetting(QStringLiteral("Exit OK"), QStringLiteral("not yet"));
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ProgramRun::StartProgram(program);
}

// Waits for `condition`, then gives the program's peak memory (kB) while it
// still runs, and ends it.
qint64 peakOnceThen(QProcess &program, const std::function<bool()> &condition, bool *held)
{
    *held = waitFor(condition, kStartWaitMs);
    const qint64 peakKb = PeakKb(program.processId());
    ProgramRun::Stop(program);
    return peakKb;
}

QString dataFile(const QString &name)
{
    return basGeneral::DataFolder() + name;
}

// The loader's failure handling marks the start as ended cleanly before it
// asks whether to set a list aside: the file has been read and refused.
bool askedToSetAside()
{
    return GetSetting(QStringLiteral("Exit OK")) == QLatin1String("1");
}

} // namespace

TEST(FileLimitsProgram, ListsOfTheSmallestRecordsAreRefusedAtTheirCountWhileRead)
{
    // An empty field is a lone comma: 17 to an auction, 2 to a favorite.
    // The auction list is left where it was for the question about it; the
    // favorites are set aside at once.
    const QDir data(basGeneral::DataFolder());
    const auto favoritesAside = [&data] { return data.entryList({QStringLiteral("favorites-backup-*.dat")}, QDir::Files); };
    const struct {
        QString file;
        QByteArray bytes;
        std::function<bool()> refused;
        std::function<QString()> keptAs;
    } lists[] = {
        {QStringLiteral("data6.dat"), filledToTheBound(QByteArray(17, ',')), askedToSetAside,
         [] { return dataFile(QStringLiteral("data6.dat")); }},
        {QStringLiteral("favorites.dat"), filledToTheBound(",,"), [&] { return favoritesAside().size() == 1; },
         [&] { return data.filePath(favoritesAside().value(0)); }},
    };
    for (const auto &list : lists) {
        SCOPED_TRACE(list.file.toStdString());
        for (const char *name : {"data6.dat", "favorites.dat"})
            QFile::remove(dataFile(QLatin1String(name)));
        writeBytes(dataFile(list.file), list.bytes);

        QProcess program;
        startProgram(program);
        bool refused = false;
        const qint64 peakKb = peakOnceThen(program, list.refused, &refused);

        EXPECT_TRUE(refused) << "the file was not refused";
        EXPECT_GT(peakKb, 0);
        EXPECT_LT(peakKb, kPeakLimitKb) << "its records were kept past the count";
        EXPECT_EQ(fileBytes(list.keptAs()), list.bytes) << "kept as it was";
        QFile::remove(list.keptAs());
    }
}

TEST(FileLimitsProgram, AScheduleOfTheSmallestEntriesIsSetAsideAtItsCountWhileRead)
{
    // An entry is a line with an item number: one character and a line end.
    const QByteArray bytes = filledToTheBound("1\n");
    writeBytes(dataFile(QStringLiteral("relist.dat")), bytes);
    ProgramRun::WriteList({});
    const QDir data(basGeneral::DataFolder());
    const auto setAside = [&data] { return data.entryList({QStringLiteral("relist-backup-*.dat")}, QDir::Files); };

    QProcess program;
    startProgram(program);
    bool aside = false;
    const qint64 peakKb = peakOnceThen(program, [&] { return setAside().size() == 1; }, &aside);

    ASSERT_TRUE(aside) << "the file was not set aside";
    EXPECT_FALSE(QFile::exists(dataFile(QStringLiteral("relist.dat"))));
    EXPECT_EQ(fileBytes(data.filePath(setAside().value(0))), bytes) << "set aside as it was";
    EXPECT_GT(peakKb, 0);
    EXPECT_LT(peakKb, kPeakLimitKb) << "its entries were kept past the count";
    QFile::remove(data.filePath(setAside().value(0)));
}
