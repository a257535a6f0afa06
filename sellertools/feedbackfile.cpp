#include "sellertools/feedbackfile.h"

#include "engine/listfileformat.h"
#include "foundation/basgeneral.h"
#include "platform/numberederror.h"
#include "platform/privatefile.h"

#include <QDir>
#include <QSaveFile>

#include <limits>

namespace FeedbackFile {

namespace {

const QString kQuote = QStringLiteral("\"");
const QString kQuoteEntity = QStringLiteral("&quot;");

QString unescape(QString text)
{
    return text.replace(kQuoteEntity, kQuote);
}

QString escape(QString text)
{
    return text.replace(kQuote, kQuoteEntity);
}

} // namespace

QString Path()
{
    return basGeneral::DataFolder() + QStringLiteral("feedback.dat");
}

namespace {

// The records of the text; false at the first record past `limit`, before it
// is kept.
bool parseWithin(QString text, ListFile::RecordLimit &limit, QList<Entry> *entries)
{
    ListFile::QuotedFieldReader reader(std::move(text));
    try {
        while (!reader.AtEnd()) {
            const QString user = reader.ReadField();
            const QString comment = reader.ReadField();
            if (!limit.Take())
                return false;
            entries->append({unescape(user), unescape(comment)});
        }
    } catch (const NumberedError &) {
        // A record cut short: the ones before it stand.
    }
    return true;
}

} // namespace

QList<Entry> Parse(const QByteArray &bytes)
{
    ListFile::RecordLimit unlimited(std::numeric_limits<int>::max());
    QList<Entry> entries;
    parseWithin(ListFile::DecodeFile(bytes), unlimited, &entries);
    return entries;
}

QByteArray Format(const QList<Entry> &entries)
{
    QString text;
    for (const Entry &e : entries)
        ListFile::AppendRecord(text, {escape(e.user), escape(e.comment)});
    return ListFile::EncodeFile(text);
}

QList<Entry> Read(bool *refused)
{
    return ListFile::ReadWithinBounds<Entry>(Path(), refused, parseWithin);
}

bool Write(const QList<Entry> &entries)
{
    QDir().mkpath(basGeneral::DataFolder());
    QSaveFile out(Path());
    if (!PrivateFile::open(out))
        return false;
    const QByteArray bytes = Format(entries);
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

} // namespace FeedbackFile
