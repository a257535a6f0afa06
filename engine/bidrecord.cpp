#include "engine/bidrecord.h"

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

namespace BidRecord {

namespace {

const QString kFileName = QStringLiteral("bidresults.dat");

const QLatin1String kSent("sent");
const QLatin1String kConfirmed("confirmed");
const QLatin1String kFailed("failed");

QString path()
{
    return basGeneral::DataFolder() + kFileName;
}

// Item number to outcome word, as the file holds them; a damaged file reads
// as far as it is whole.
QMap<QString, QString> readAll()
{
    QMap<QString, QString> records;
    QFile file(path());
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

// Only items still in the list are kept, besides `keep`.
void prune(QMap<QString, QString> &records, const QString &keep)
{
    if (!frmMainShell::isLoaded())
        return;
    const ListView &list = *MainForm().lvwAuctions;
    for (auto it = records.begin(); it != records.end();) {
        if (it.key() != keep && !list.FindItem(it.key()))
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
    QSaveFile out(path());
    const QByteArray bytes = ListFile::EncodeFile(text);
    if (!PrivateFile::open(out) || out.write(bytes) != bytes.size() || !out.commit()) {
        try {
            basGeneral::WriteLog(QStringLiteral("logbids.txt"), QStringLiteral("Could not record the bid in ") + path());
        } catch (const NumberedError &) {
        }
    }
}

void mark(const QString &itemNumber, const QString &word)
{
    QMap<QString, QString> records = readAll();
    prune(records, itemNumber);
    if (word.isEmpty())
        records.remove(itemNumber);
    else
        records.insert(itemNumber, word);
    writeAll(records);
}

} // namespace

Outcome Of(const QString &itemNumber)
{
    const QString word = readAll().value(itemNumber);
    if (word == kSent)
        return Outcome::Sent;
    if (word == kConfirmed)
        return Outcome::Confirmed;
    if (word == kFailed)
        return Outcome::Failed;
    return Outcome::None;
}

void MarkSent(const QString &itemNumber)
{
    mark(itemNumber, kSent);
}

void MarkConfirmed(const QString &itemNumber)
{
    mark(itemNumber, kConfirmed);
}

void MarkFailed(const QString &itemNumber)
{
    mark(itemNumber, kFailed);
}

void Forget(const QString &itemNumber)
{
    if (Of(itemNumber) != Outcome::None)
        mark(itemNumber, QString());
}

QString TagAfterRestart(const QString &itemNumber, const QString &tag)
{
    const bool localSnipe = tag == SnipeState::Local || tag == SnipeState::Both || tag == SnipeState::ReadyToBid;
    if (localSnipe && Of(itemNumber) != Outcome::None)
        return QString(SnipeState::BidComplete);
    return tag;
}

} // namespace BidRecord
