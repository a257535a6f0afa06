#include "sellertools/feedbackfile.h"

#include "engine/listfileformat.h"
#include "foundation/basgeneral.h"
#include "platform/numberederror.h"
#include "platform/privatefile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

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

QList<Entry> Parse(const QByteArray &bytes)
{
    QList<Entry> entries;
    ListFile::QuotedFieldReader reader(ListFile::DecodeFile(bytes));
    try {
        while (!reader.AtEnd()) {
            const QString user = reader.ReadField();
            const QString comment = reader.ReadField();
            entries.append({unescape(user), unescape(comment)});
        }
    } catch (const NumberedError &) {
        // A record cut short: the ones before it stand.
    }
    return entries;
}

QByteArray Format(const QList<Entry> &entries)
{
    QString text;
    for (const Entry &e : entries)
        ListFile::AppendRecord(text, {escape(e.user), escape(e.comment)});
    return ListFile::EncodeFile(text);
}

QList<Entry> Read()
{
    QFile file(Path());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return Parse(file.readAll());
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
