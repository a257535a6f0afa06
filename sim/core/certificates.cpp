#include "sim/core/certificates.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QStandardPaths>

namespace Sim {

namespace {

bool runOpenssl(const QString &program, const QStringList &args, const QString &dir, QString *error)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        *error = QStringLiteral("cannot start openssl: ") + p.errorString();
        return false;
    }
    p.closeWriteChannel();
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = QStringLiteral("openssl %1 failed: %2").arg(args.value(0), QString::fromLocal8Bit(p.readAll()).trimmed());
        return false;
    }
    return true;
}

QSslCertificate loadCertificate(const QString &path)
{
    const auto certs = QSslCertificate::fromPath(path, QSsl::Pem);
    return certs.isEmpty() ? QSslCertificate() : certs.first();
}

// Usable for at least another day, and issued for 127.0.0.1 and the eBay
// names (see SimServer::Options::ebayHostNames).
bool stillGood(const TlsFiles &files)
{
    const QSslCertificate ca = loadCertificate(files.caFile);
    const QSslCertificate server = loadCertificate(files.certFile);
    if (ca.isNull() || server.isNull())
        return false;
    const QDateTime tomorrow = QDateTime::currentDateTimeUtc().addDays(1);
    if (ca.expiryDate() < tomorrow || server.expiryDate() < tomorrow)
        return false;
    if (!server.subjectAlternativeNames().values(QSsl::IpAddressEntry).contains(QStringLiteral("127.0.0.1")))
        return false;
    if (!server.subjectAlternativeNames().values(QSsl::DnsEntry).contains(QStringLiteral("*.ebay.localhost")))
        return false;
    QFile keyFile(files.keyFile);
    if (!keyFile.open(QIODevice::ReadOnly))
        return false;
    return !QSslKey(keyFile.readAll(), QSsl::Ec, QSsl::Pem).isNull();
}

} // namespace

bool ensureCertificates(const QString &dirPath, TlsFiles *files, QString *error)
{
    QString dummy;
    if (!error)
        error = &dummy;
    QDir dir(dirPath);
    if (!dir.mkpath(QStringLiteral("."))) {
        *error = QStringLiteral("cannot create ") + dirPath;
        return false;
    }
    files->caFile = dir.absoluteFilePath(QStringLiteral("ca.pem"));
    files->certFile = dir.absoluteFilePath(QStringLiteral("server.pem"));
    files->keyFile = dir.absoluteFilePath(QStringLiteral("server.key"));

    // Several simulators may share one state folder.
    QLockFile lock(dir.absoluteFilePath(QStringLiteral("certs.lock")));
    lock.setStaleLockTime(120000);
    if (!lock.tryLock(120000)) {
        *error = QStringLiteral("state folder is locked: ") + dirPath;
        return false;
    }
    if (stillGood(*files))
        return true;

    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (openssl.isEmpty()) {
        *error = QStringLiteral("openssl is not installed");
        return false;
    }

    // Elliptic-curve keys: generated in milliseconds, so every test may have its own.
    const QString caKey = dir.absoluteFilePath(QStringLiteral("ca.key"));
    const QString csr = dir.absoluteFilePath(QStringLiteral("server.csr"));
    const QString ext = dir.absoluteFilePath(QStringLiteral("server.ext"));
    QFile extFile(ext);
    if (!extFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("cannot write ") + ext;
        return false;
    }
    extFile.write("basicConstraints=CA:FALSE\n"
                  "keyUsage=critical,digitalSignature,keyEncipherment\n"
                  "extendedKeyUsage=serverAuth\n"
                  "subjectAltName=IP:127.0.0.1,DNS:localhost,DNS:*.ebay.localhost,DNS:ebay.localhost,"
                  "DNS:ebay.lookalike.localhost\n");
    extFile.close();

    const QString serial = QStringLiteral("0x%1").arg(QDateTime::currentMSecsSinceEpoch(), 0, 16);
    const bool ok =
        runOpenssl(openssl,
                   {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                    QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                    QStringLiteral("-keyout"), caKey, QStringLiteral("-out"), files->caFile, QStringLiteral("-days"),
                    QStringLiteral("3650"), QStringLiteral("-subj"), QStringLiteral("/CN=Tallowmere Simulator CA"),
                    QStringLiteral("-addext"), QStringLiteral("basicConstraints=critical,CA:TRUE"),
                    QStringLiteral("-addext"), QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")},
                   dirPath, error)
        && runOpenssl(openssl,
                      {QStringLiteral("req"), QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                       QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                       files->keyFile, QStringLiteral("-out"), csr, QStringLiteral("-subj"), QStringLiteral("/CN=localhost")},
                      dirPath, error)
        && runOpenssl(openssl,
                      {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), csr, QStringLiteral("-CA"),
                       files->caFile, QStringLiteral("-CAkey"), caKey, QStringLiteral("-set_serial"), serial,
                       QStringLiteral("-days"), QStringLiteral("825"), QStringLiteral("-extfile"), ext,
                       QStringLiteral("-out"), files->certFile},
                      dirPath, error);
    QFile::remove(csr);
    QFile::remove(ext);
    if (!ok)
        return false;
    if (!stillGood(*files)) {
        *error = QStringLiteral("openssl made certificates Qt cannot use");
        return false;
    }
    return true;
}

} // namespace Sim
