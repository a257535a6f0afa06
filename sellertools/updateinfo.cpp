#include "sellertools/updateinfo.h"

#include "platform/ansi.h"
#include "platform/numberederror.h"
#include "platform/privatefile.h"

#include <QFile>
#include <QSaveFile>

namespace UpdateInfoFile {

namespace {

constexpr int kOverflow = 6;
constexpr int kInputPastEnd = 62;

class LineReader
{
public:
    LineReader(const QStringList &lines, const std::function<void()> &afterEachLine)
        : m_lines(lines), m_after(afterEachLine) {}

    bool atEnd() const { return m_next >= m_lines.size(); }

    // The next line; a read past the last line is an error, as a tag whose
    // value never comes means the reply was cut off or malformed.
    const QString &next()
    {
        if (atEnd())
            throw NumberedError(kInputPastEnd, QStringLiteral("Input past end of file"));
        const QString &line = m_lines.at(m_next++);
        if (m_after)
            m_after();
        return line;
    }

private:
    const QStringList &m_lines;
    const std::function<void()> &m_after;
    qsizetype m_next = 0;
};

int readRevision(const QString &line)
{
    const QString text = line.trimmed();
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok)
        throw NumberedError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
    if (value < -32768 || value > 32767)
        throw NumberedError(kOverflow, QStringLiteral("Overflow"));
    return int(value);
}

} // namespace

QStringList SplitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

UpdateInfo Parse(const QStringList &lines, const std::function<void()> &afterEachLine)
{
    UpdateInfo info;
    LineReader reader(lines, afterEachLine);
    while (!reader.atEnd()) {
        const QString &line = reader.next();
        if (line == QLatin1String("<version>")) {
            info.version = readRevision(reader.next());
        } else if (line == QLatin1String("<notes>")) {
            for (;;) {
                const QString &note = reader.next();
                if (note == QLatin1String("</notes>"))
                    break;
                info.notes += note + QStringLiteral("\r\n");
            }
        } else if (line == QLatin1String("<critical>")) {
            info.critical = reader.next() == QLatin1String("True");
        }
    }
    return info;
}

void Save(const QString &folder, const QString &reply)
{
    const QString path = folder + kFileName;
    QSaveFile out(path);
    if (!PrivateFile::open(out) || out.write(Ansi::encode(reply + QStringLiteral("\r\n"))) < 0 || !out.commit())
        throw NumberedError(ErrorNumber::PermissionDenied, QStringLiteral("Permission denied"), path);
}

UpdateInfo Read(const QString &folder, const std::function<void()> &afterEachLine)
{
    const QString path = folder + kFileName;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        throw NumberedError(ErrorNumber::FileNotFound, QStringLiteral("File not found"), path);
    return Parse(SplitLines(Ansi::decode(in.readAll())), afterEachLine);
}

} // namespace UpdateInfoFile
