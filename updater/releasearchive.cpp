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
#include <QTimer>
#include <QUrl>

#include <sys/stat.h>

#include <algorithm>

namespace ReleaseArchive {

namespace {

constexpr qint64 kStallFloor = 1024;
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

bool Download(const QUrl &url, const QString &to, const Limits &limits, QString *error)
{
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("%1 could not be written").arg(to);
        return false;
    }
    QNetworkAccessManager network;
    QNetworkRequest request(url);
    // A redirect could lead anywhere, plain http included: it is refused below.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply *reply = network.get(request);

    QString failure;
    qint64 received = 0;
    bool written = true;
    const auto status = [reply] { return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(); };
    const auto giveUp = [&](const QString &why) {
        if (failure.isEmpty())
            failure = why;
        reply->abort();
    };
    const QString tooLarge = QStringLiteral("the download is larger than the release's size of %1 bytes").arg(limits.size);

    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (status() == 200 && length.isValid() && length.toLongLong() > limits.size)
            giveUp(tooLarge);
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
        const QByteArray chunk = reply->readAll();
        if (status() != 200 || !failure.isEmpty())
            return;
        if (received + chunk.size() > limits.size) {
            giveUp(tooLarge);
            return;
        }
        received += chunk.size();
        if (out.write(chunk) != chunk.size())
            written = false;
    });

    QTimer stall;
    qint64 windowStart = 0;
    QObject::connect(&stall, &QTimer::timeout, reply, [&] {
        const qint64 needed = std::min<qint64>(kStallFloor, limits.size - windowStart);
        if (received - windowStart < needed)
            giveUp(QStringLiteral("the download stalled (less than 1 KB arrived in %1 seconds)").arg(limits.stallSeconds));
        windowStart = received;
    });
    stall.start(std::max(1, limits.stallSeconds) * 1000);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, [&] {
        giveUp(QStringLiteral("the download took longer than %1 seconds").arg(limits.deadlineSeconds));
    });
    if (limits.deadlineSeconds > 0)
        deadline.start(limits.deadlineSeconds * 1000);

    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    stall.stop();
    deadline.stop();

    const int code = status();
    QString why = failure;
    if (why.isEmpty() && code >= 300 && code < 400)
        why = QStringLiteral("the server sent it on to %1, and a release is only taken from the vendor's secure host")
                  .arg(QString::fromLatin1(reply->rawHeader("Location")));
    else if (why.isEmpty() && code != 0 && code != 200)
        why = QStringLiteral("HTTP status %1").arg(code);
    else if (why.isEmpty() && code == 200 && received < limits.size)
        why = QStringLiteral("the download was cut off after %1 of %2 bytes").arg(received).arg(limits.size);
    else if (why.isEmpty() && reply->error() != QNetworkReply::NoError)
        why = reply->errorString();
    delete reply;
    if (!why.isEmpty()) {
        *error = QStringLiteral("the release could not be downloaded from %1: %2").arg(url.toString(), why);
        return false;
    }
    if (!written || !out.flush()) {
        *error = QStringLiteral("%1 could not be written").arg(to);
        return false;
    }
    return true;
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
    // Names and long listings come one member a line, in the same order
    // (tar escapes a line break inside a name); a long listing's first
    // character is the member's type.
    QByteArray listing;
    QByteArray longListing;
    if (!runTar({QStringLiteral("-tf"), archive}, &listing, error)
        || !runTar({QStringLiteral("-tvf"), archive}, &longListing, error))
        return false;
    const QList<QByteArray> names = listing.split('\n');
    const QList<QByteArray> kinds = longListing.split('\n');
    if (names.size() != kinds.size()) {
        *error = QStringLiteral("the release archive could not be read");
        return false;
    }
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names[i].isEmpty())
            continue;
        const QString name = QString::fromLocal8Bit(names[i]);
        if (!safeMemberName(name)) {
            *error = QStringLiteral("the release archive holds a file outside the program folder: ") + name;
            return false;
        }
        const char kind = kinds[i].isEmpty() ? '?' : kinds[i].at(0);
        if (kind != '-' && kind != 'd') {
            *error = QStringLiteral("the release archive holds something that is not a plain file or folder: ") + name;
            return false;
        }
    }
    if (!runTar({QStringLiteral("-xf"), archive, QStringLiteral("-C"), into, QStringLiteral("--no-same-owner"),
                 QStringLiteral("--no-same-permissions")},
                nullptr, error))
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
        struct stat st{};
        const QByteArray path = QFile::encodeName(entry.filePath());
        if (::lstat(path.constData(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))) {
            *error = QStringLiteral("the release archive holds something that is not a plain file or folder: ")
                + entry.fileName();
            return false;
        }
        // Nothing installed runs as another user or may be changed by anyone.
        const mode_t safe = st.st_mode & 07777 & ~mode_t(S_ISUID | S_ISGID | S_IWOTH);
        if (safe != (st.st_mode & 07777) && ::chmod(path.constData(), safe) != 0) {
            *error = QStringLiteral("the permissions of %1 could not be narrowed").arg(entry.fileName());
            return false;
        }
        if (S_ISREG(st.st_mode))
            ++files;
    }
    if (files == 0) {
        *error = QStringLiteral("the release archive holds no files");
        return false;
    }
    return true;
}

} // namespace ReleaseArchive
