#include "engine/bidrecord.h"

#include "engine/bidstate.h"
#include "engine/listfileformat.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/mainformshell.h"
#include "platform/listview.h"
#include "platform/numberederror.h"
#include "platform/privatefile.h"

#include <QFile>
#include <QMap>
#include <QSaveFile>
#include <QSet>

#include <sys/stat.h>

namespace BidRecord {

namespace {

const QString kFileName = QStringLiteral("bidresults.dat");

QString path()
{
    return basGeneral::DataFolder() + kFileName;
}

// Item number to outcome word, as the file holds them; a damaged file reads
// as far as it is whole.
QMap<QString, QString> readFile(const QString &fileName)
{
    QMap<QString, QString> records;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return records;
    ListFile::QuotedFieldReader reader(ListFile::DecodeFile(file.readAll()));
    try {
        while (!reader.AtEnd()) {
            const QStringList record = reader.ReadRecord(2);
            records.insert(record.at(0), record.at(1));
        }
    } catch (const NumberedError &) {
    }
    return records;
}

// What identifies one version of the file: every write renames a new file
// over the old one, so another process's write changes the inode as well as
// the time stamp.
struct FileVersion {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    static FileVersion of(const QString &fileName)
    {
        FileVersion version;
        struct stat info {};
        if (::stat(QFile::encodeName(fileName).constData(), &info) != 0)
            return version;
        version.exists = true;
        version.device = info.st_dev;
        version.inode = info.st_ino;
        version.size = info.st_size;
        version.modified = info.st_mtim;
        return version;
    }

    bool operator==(const FileVersion &other) const
    {
        return exists == other.exists && device == other.device && inode == other.inode && size == other.size
            && modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
    }
};

// The refresh asks for rows one by one and the list loader for every row, so
// the file is kept in memory and read again only when it has changed on
// disk (a program started again, or the durability helpers, share it).
struct Cache {
    QString fileName;
    FileVersion version;
    QMap<QString, QString> records;
};

Cache &cache()
{
    static Cache instance;
    return instance;
}

const QMap<QString, QString> &readAll()
{
    Cache &kept = cache();
    const QString fileName = path();
    const FileVersion now = FileVersion::of(fileName);
    if (fileName != kept.fileName || !(now == kept.version)) {
        kept.records = now.exists ? readFile(fileName) : QMap<QString, QString>();
        kept.fileName = fileName;
        kept.version = now;
    }
    return kept.records;
}

// Only items still in the list are kept, besides `keep`. One pass over the
// list for all the records: each bid writes its record several times, and a
// pass per record held a long list's event loop for seconds.
void prune(QMap<QString, QString> &records, const QString &keep)
{
    if (!frmMainShell::isLoaded())
        return;
    // As the list finds a row: the whole text, without regard to case.
    QSet<QString> unlisted;
    for (auto it = records.cbegin(); it != records.cend(); ++it)
        if (it.key() != keep)
            unlisted.insert(it.key().toCaseFolded());
    const ListView &list = *MainForm().lvwAuctions;
    for (int i = 1; i <= list.Count() && !unlisted.isEmpty(); ++i)
        unlisted.remove(list.Item(i)->Text().toCaseFolded());
    for (auto it = records.begin(); it != records.end();) {
        if (it.key() != keep && unlisted.contains(it.key().toCaseFolded()))
            it = records.erase(it);
        else
            ++it;
    }
}

// Written beside the old file and renamed over it: a process ended at any
// moment leaves the previous record or the new one, whole.
void writeAll(const QMap<QString, QString> &records)
{
    QString text;
    for (auto it = records.cbegin(); it != records.cend(); ++it)
        ListFile::AppendRecord(text, {it.key(), it.value()});
    const QString fileName = path();
    QSaveFile out(fileName);
    const QByteArray bytes = ListFile::EncodeFile(text);
    if (PrivateFile::open(out) && out.write(bytes) == bytes.size() && out.commit()) {
        cache() = {fileName, FileVersion::of(fileName), records};
    } else {
        try {
            basGeneral::WriteLog(QStringLiteral("logbids.txt"), QStringLiteral("Could not record the bid in ") + path());
        } catch (const NumberedError &) {
        }
    }
}

// A record already on disk is not written again: the one-call bid marks
// each retry as sent, just before its request goes out.
void mark(const QString &itemNumber, const QString &word)
{
    const QMap<QString, QString> &onDisk = readAll();
    QMap<QString, QString> records = onDisk;
    // Not just before a confirmation goes out: the records of rows gone go
    // with the next outcome written.
    if (word != QLatin1String("sent"))
        prune(records, itemNumber);
    if (word.isEmpty())
        records.remove(itemNumber);
    else
        records.insert(itemNumber, word);
    if (records != onDisk)
        writeAll(records);
}

} // namespace

Outcome Of(const QString &itemNumber)
{
    using BidState::State;
    switch (BidState::Of(itemNumber)) {
    case State::Sending:
    case State::SentUnknown:
        return Outcome::Sent;
    case State::Confirmed:
    case State::Won:
        return Outcome::Confirmed;
    case State::Refused:
    case State::Failed:
    case State::Withdrawn:
    case State::Missed:
    case State::Lost:
        return Outcome::Failed;
    case State::None:
    case State::Scheduled:
    case State::Preparing:
    case State::Prepared:
        break;
    }
    return Outcome::None;
}

QString StoredWord(const QString &itemNumber)
{
    return readAll().value(itemNumber);
}

void StoreWord(const QString &itemNumber, const QString &word)
{
    if (word.isEmpty() && !readAll().contains(itemNumber))
        return;
    mark(itemNumber, word);
}

void MarkSent(const QString &itemNumber)
{
    BidState::Store(itemNumber, BidState::State::SentUnknown);
}

void MarkConfirmed(const QString &itemNumber)
{
    BidState::Store(itemNumber, BidState::State::Confirmed);
}

void MarkFailed(const QString &itemNumber)
{
    BidState::Store(itemNumber, BidState::State::Failed);
}

void Forget(const QString &itemNumber)
{
    BidState::Store(itemNumber, BidState::State::None);
}

QString TagAfterRestart(const QString &itemNumber, const QString &tag)
{
    const bool localSnipe = tag == SnipeState::Local || tag == SnipeState::Both || tag == SnipeState::ReadyToBid;
    if (localSnipe && Of(itemNumber) != Outcome::None && !BidState::IsSetUpAgain(itemNumber))
        return QString(SnipeState::BidComplete);
    return tag;
}

} // namespace BidRecord
