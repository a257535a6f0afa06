#include "tests/support/signedcertificate.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

bool runOpenssl(const QString &dir, const QStringList &args, QString *error)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("openssl"), args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = QStringLiteral("openssl %1: %2").arg(args.value(0), QString::fromLocal8Bit(p.readAll()).trimmed());
        return false;
    }
    return true;
}

// openssl's form of a moment: YYYYMMDDHHMMSSZ in UTC.
QString asn1Time(const QDateTime &when)
{
    return when.toUTC().toString(QStringLiteral("yyyyMMddHHmmss")) + QLatin1Char('Z');
}

} // namespace

bool SignCertificate(const QString &dirPath, const QString &caCertFile, const QString &caKeyFile, const QString &altNames,
                     const QDateTime &from, const QDateTime &until, SignedCertificate *made, QString *error)
{
    const QDir dir(dirPath);
    made->certFile = dir.filePath(QStringLiteral("signed.pem"));
    made->keyFile = dir.filePath(QStringLiteral("signed.key"));
    const QString csr = dir.filePath(QStringLiteral("signed.csr"));
    const QString ext = dir.filePath(QStringLiteral("signed.ext"));
    const QString config = dir.filePath(QStringLiteral("ca.cnf"));
    // "openssl ca" is the tool that takes any start and end date; it keeps
    // a database and a serial number beside the files.
    const bool written =
        writeFile(ext, "basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\nsubjectAltName=" + altNames.toUtf8() + '\n')
        && writeFile(config, "[ca]\ndefault_ca=signer\n[signer]\ndatabase=index.txt\nnew_certs_dir=.\nserial=serial\n"
                             "policy=any\ndefault_md=sha256\nunique_subject=no\n[any]\ncommonName=supplied\n")
        && writeFile(dir.filePath(QStringLiteral("index.txt")), {})
        && writeFile(dir.filePath(QStringLiteral("serial")), QByteArray::number(QDateTime::currentMSecsSinceEpoch(), 16).rightJustified(16, '0') + '\n');
    if (!written) {
        *error = QStringLiteral("cannot write in ") + dirPath;
        return false;
    }
    return runOpenssl(dirPath,
                      {QStringLiteral("req"), QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                       QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                       made->keyFile, QStringLiteral("-out"), csr, QStringLiteral("-subj"), QStringLiteral("/CN=Tallowmere test server")},
                      error)
        && runOpenssl(dirPath,
                      {QStringLiteral("ca"), QStringLiteral("-batch"), QStringLiteral("-config"), config, QStringLiteral("-cert"),
                       caCertFile, QStringLiteral("-keyfile"), caKeyFile, QStringLiteral("-in"), csr, QStringLiteral("-out"),
                       made->certFile, QStringLiteral("-startdate"), asn1Time(from), QStringLiteral("-enddate"),
                       asn1Time(until), QStringLiteral("-extfile"), ext, QStringLiteral("-notext")},
                      error);
}
