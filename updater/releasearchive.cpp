#include "updater/releasearchive.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QUrl>

namespace ReleaseArchive {

namespace {

constexpr int kStallMs = 60000;
constexpr int kTarMs = 120000;

// Runs tar with `arguments`; its standard output, or false with `error`.
bool runTar(const QStringList &arguments, QByteArray *output, QString *error)
{
    QProcess tar;
    tar.start(QStringLiteral("tar"), arguments);
    if (!tar.waitForStarted()) {
        *error = QStringLiteral("the system's tar program could not be started");
        return false;
    }
    tar.closeWriteChannel();
    if (!tar.waitForFinished(kTarMs) || tar.exitStatus() != QProcess::NormalExit || tar.exitCode() != 0) {
        tar.kill();
        *error = QStringLiteral("the release archive could not be unpacked: ")
            + QString::fromLocal8Bit(tar.readAllStandardError()).trimmed();
        return false;
    }
    if (output)
        *output = tar.readAllStandardOutput();
    return true;
}

bool safeMemberName(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')))
        return false;
    return !name.split(QLatin1Char('/')).contains(QStringLiteral(".."));
}

} // namespace

bool Download(const QUrl &url, const QString &to, QString *error)
{
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("%1 could not be written").arg(to);
        return false;
    }
    QNetworkAccessManager network;
    QNetworkRequest request(url);
    request.setTransferTimeout(kStallMs);
    QNetworkReply *reply = network.get(request);
    bool written = true;
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
        const QByteArray chunk = reply->readAll();
        if (out.write(chunk) != chunk.size())
            written = false;
    });
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray rest = reply->readAll();
    if (out.write(rest) != rest.size())
        written = false;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool ok = reply->error() == QNetworkReply::NoError && status == 200;
    // The server's answer says more than Qt's text for it; without one,
    // the transfer's own error (no connection, a time-out) says it.
    if (!ok)
        *error = QStringLiteral("the release could not be downloaded from %1: %2")
                     .arg(url.toString(), status != 0 ? QStringLiteral("HTTP status %1").arg(status) : reply->errorString());
    delete reply;
    if (ok && (!written || !out.flush())) {
        *error = QStringLiteral("%1 could not be written").arg(to);
        return false;
    }
    return ok;
}

QByteArray Sha256(const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&in))
        return {};
    return hash.result().toHex();
}

bool Unpack(const QString &archive, const QString &into, QString *error)
{
    QByteArray listing;
    if (!runTar({QStringLiteral("-tf"), archive}, &listing, error))
        return false;
    for (const QByteArray &line : listing.split('\n')) {
        const QString name = QString::fromLocal8Bit(line);
        if (!line.isEmpty() && !safeMemberName(name)) {
            *error = QStringLiteral("the release archive holds a file outside the program folder: ") + name;
            return false;
        }
    }
    if (!runTar({QStringLiteral("-xf"), archive, QStringLiteral("-C"), into, QStringLiteral("--no-same-owner")}, nullptr, error))
        return false;

    int files = 0;
    QDirIterator it(into, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        // A link could point anywhere once it stands in the program folder.
        if (entry.isSymLink()) {
            *error = QStringLiteral("the release archive holds a link: ") + entry.fileName();
            return false;
        }
        if (entry.isFile())
            ++files;
    }
    if (files == 0) {
        *error = QStringLiteral("the release archive holds no files");
        return false;
    }
    return true;
}

} // namespace ReleaseArchive
