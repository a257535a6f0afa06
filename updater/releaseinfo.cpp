#include "updater/releaseinfo.h"

#include "updater/releasesignature.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>

namespace ReleaseInfoFile {

namespace {

const QString kVersion = QStringLiteral("<version>");
const QString kNotes = QStringLiteral("<notes>");
const QString kNotesEnd = QStringLiteral("</notes>");
const QString kCritical = QStringLiteral("<critical>");
const QString kDownload = QStringLiteral("<download>");
const QString kSize = QStringLiteral("<size>");
const QString kSha256 = QStringLiteral("<sha256>");
const QString kSignature = QStringLiteral("<signature>");

// Ends the reading with what is wrong.
struct Failure
{
    Fault fault;
    QString error;
};

class LineReader
{
public:
    LineReader(const QStringList &lines, const std::function<void()> &afterEachLine)
        : m_lines(lines), m_after(afterEachLine) {}

    bool atEnd() const { return m_next >= m_lines.size(); }

    // The next line; a read past the last line means the reply was cut off.
    const QString &next()
    {
        if (atEnd())
            throw Failure{Fault::CutOff, QStringLiteral("the update information is cut off")};
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
    bool ok = false;
    const qlonglong value = line.trimmed().toLongLong(&ok);
    if (!ok)
        throw Failure{Fault::NotANumber, QStringLiteral("the update information gives no revision for the release")};
    if (value < -32768 || value > 32767)
        throw Failure{Fault::Overflow, QStringLiteral("the update information gives a revision out of range")};
    return int(value);
}

QString readNotes(LineReader &reader)
{
    QString notes;
    for (;;) {
        const QString &note = reader.next();
        if (note == kNotesEnd)
            return notes;
        notes += note + QStringLiteral("\r\n");
    }
}

bool isVendorPath(const QString &path)
{
    // "//host/..." would name another host; "\" and blanks have no place in
    // the paths the server hands out.
    static const QRegularExpression form(QStringLiteral("^/(?!/)[A-Za-z0-9._~%/+=&?-]*$"));
    return form.match(path).hasMatch() && !path.split(QLatin1Char('/')).contains(QStringLiteral(".."));
}

void badRelease(const QString &why)
{
    throw Failure{Fault::BadRelease, why};
}

// The release lines, once any of them is given: all of them, well formed.
void readRelease(const QMap<QString, QString> &values, bool hasVersion, ReleaseInfo *info)
{
    const QString path = values.value(kDownload);
    const QString sum = values.value(kSha256).toLower();
    if (path.isEmpty() || sum.isEmpty())
        badRelease(QStringLiteral("the update information names no release to download"));
    if (!isVendorPath(path))
        badRelease(QStringLiteral("the update information names a download address that is not on the vendor's server: ")
                   + path);
    static const QRegularExpression hex64(QStringLiteral("^[0-9a-f]{64}$"));
    if (!hex64.match(sum).hasMatch())
        badRelease(QStringLiteral("the update information holds no valid checksum for the release"));
    bool sizeOk = false;
    const qint64 size = values.value(kSize).toLongLong(&sizeOk);
    if (!hasVersion || !sizeOk || size <= 0)
        badRelease(QStringLiteral("the update information gives no revision or size for the release"));
    const QString signature = values.value(kSignature);
    static const QRegularExpression base64(QStringLiteral("^[A-Za-z0-9+/]+={0,2}$"));
    if (!base64.match(signature).hasMatch())
        badRelease(QStringLiteral("the release is not signed by the vendor"));
    info->path = path;
    info->size = size;
    info->sha256 = sum.toLatin1();
    info->signature = QByteArray::fromBase64(signature.toLatin1());
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

Reading Parse(const QStringList &lines, const std::function<void()> &afterEachLine)
{
    static const QStringList releaseTags{kDownload, kSize, kSha256, kSignature};
    Reading reading;
    ReleaseInfo &info = reading.info;
    try {
        LineReader reader(lines, afterEachLine);
        QSet<QString> seen;
        QMap<QString, QString> releaseValues;
        while (!reader.atEnd()) {
            const QString &line = reader.next();
            const bool isTag = line == kVersion || line == kNotes || line == kCritical || releaseTags.contains(line);
            if (!isTag)
                continue;
            // Whichever of two values a reader took, the other could be the
            // one that was signed.
            if (seen.contains(line))
                throw Failure{Fault::RepeatedTag,
                              QStringLiteral("the update information gives %1 more than once").arg(line)};
            seen.insert(line);
            if (line == kNotes)
                info.notes = readNotes(reader);
            else if (line == kVersion)
                info.version = readRevision(reader.next());
            else if (line == kCritical)
                info.critical = reader.next() == QLatin1String("True");
            else
                releaseValues.insert(line, reader.next().trimmed());
        }
        if (!releaseValues.isEmpty())
            readRelease(releaseValues, seen.contains(kVersion), &info);
    } catch (const Failure &failure) {
        reading.fault = failure.fault;
        reading.error = failure.error;
    }
    return reading;
}

Reading Read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Reading reading;
        reading.fault = Fault::Unreadable;
        reading.error = QStringLiteral("the update information %1 cannot be read").arg(path);
        return reading;
    }
    return Parse(SplitLines(QString::fromLatin1(file.readAll())));
}

bool Check(const ReleaseInfo &info, qint64 largest, const QByteArray &publicKeyDer, QString *error)
{
    if (info.path.isEmpty()) {
        *error = QStringLiteral("the update information names no release to download");
        return false;
    }
    if (info.size > largest) {
        *error = QStringLiteral("the release is larger than an update may be (%1 bytes, at most %2)")
                     .arg(info.size)
                     .arg(largest);
        return false;
    }
    // Whoever answered for the vendor's host chose the file; only the
    // vendor's key makes its release one to offer or install.
    if (!ReleaseSignature::Verify(ReleaseSignature::Statement(info.version, info.size, info.sha256), info.signature,
                                  publicKeyDer)) {
        *error = QStringLiteral("the release is not signed by the vendor");
        return false;
    }
    return true;
}

} // namespace ReleaseInfoFile
