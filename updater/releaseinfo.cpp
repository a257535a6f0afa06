#include "updater/releaseinfo.h"

#include <QFile>
#include <QRegularExpression>

namespace ReleaseInfoFile {

namespace {

// The line after the first line equal to `tag`, or a null string.
QString valueAfter(const QStringList &lines, const QString &tag)
{
    const qsizetype at = lines.indexOf(tag);
    if (at < 0 || at + 1 >= lines.size())
        return {};
    return lines.at(at + 1).trimmed();
}

bool isVendorPath(const QString &path)
{
    // "//host/..." would name another host; "\" and blanks have no place in
    // the paths the server hands out.
    static const QRegularExpression form(QStringLiteral("^/(?!/)[A-Za-z0-9._~%/+=&?-]*$"));
    return form.match(path).hasMatch() && !path.split(QLatin1Char('/')).contains(QStringLiteral(".."));
}

} // namespace

bool Parse(const QStringList &lines, qint64 largest, ReleaseInfo *info, QString *error)
{
    const QString path = valueAfter(lines, QStringLiteral("<download>"));
    const QString sum = valueAfter(lines, QStringLiteral("<sha256>")).toLower();
    if (path.isEmpty() || sum.isEmpty()) {
        *error = QStringLiteral("the update information names no release to download");
        return false;
    }
    if (!isVendorPath(path)) {
        *error = QStringLiteral("the update information names a download address that is not on the vendor's server: ") + path;
        return false;
    }
    static const QRegularExpression hex64(QStringLiteral("^[0-9a-f]{64}$"));
    if (!hex64.match(sum).hasMatch()) {
        *error = QStringLiteral("the update information holds no valid checksum for the release");
        return false;
    }
    bool versionOk = false;
    const int version = valueAfter(lines, QStringLiteral("<version>")).toInt(&versionOk);
    bool sizeOk = false;
    const qint64 size = valueAfter(lines, QStringLiteral("<size>")).toLongLong(&sizeOk);
    if (!versionOk || !sizeOk || size <= 0) {
        *error = QStringLiteral("the update information gives no revision or size for the release");
        return false;
    }
    if (size > largest) {
        *error = QStringLiteral("the release is larger than an update may be (%1 bytes, at most %2)").arg(size).arg(largest);
        return false;
    }
    const QString signature = valueAfter(lines, QStringLiteral("<signature>"));
    static const QRegularExpression base64(QStringLiteral("^[A-Za-z0-9+/]+={0,2}$"));
    if (!base64.match(signature).hasMatch()) {
        *error = QStringLiteral("the release is not signed by the vendor");
        return false;
    }
    info->version = version;
    info->path = path;
    info->size = size;
    info->sha256 = sum.toLatin1();
    info->signature = QByteArray::fromBase64(signature.toLatin1());
    return true;
}

bool Read(const QString &path, qint64 largest, ReleaseInfo *info, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("the update information %1 cannot be read").arg(path);
        return false;
    }
    // The file is plain ASCII for the lines read here; line ends may be CR LF.
    const QString text = QString::fromLatin1(file.readAll());
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    return Parse(text.split(lineEnd), largest, info, error);
}

} // namespace ReleaseInfoFile
