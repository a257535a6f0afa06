#include "platform/network.h"

#include "platform/cookiejar.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QSslCertificate>
#include <QSslCertificateExtension>
#include <QSslError>
#include <QVariant>
#include <QSslConfiguration>

namespace Network {

namespace {

QList<QSslCertificate> configuredAuthorities()
{
    const QString file = qEnvironmentVariable("TALLOWMERE_CA");
    return file.isEmpty() ? QList<QSslCertificate>() : QSslCertificate::fromPath(file, QSsl::Pem);
}

// A key identifier as hex digits alone, whichever form the extension gives it in.
QByteArray keyId(const QSslCertificate &cert, const char *extension)
{
    for (const QSslCertificateExtension &e : cert.extensions()) {
        if (e.name() != QLatin1String(extension))
            continue;
        const QVariant v = e.value();
        const QString id = v.typeId() == QMetaType::QVariantMap ? v.toMap().value(QStringLiteral("keyid")).toString()
                                                               : v.toString();
        return id.toLatin1().toLower().replace(':', QByteArray());
    }
    return {};
}

bool isIssuedBy(const QSslCertificate &cert, const QSslCertificate &authority)
{
    if (cert == authority)
        return true;
    const QByteArray authorityId = keyId(cert, "authorityKeyIdentifier");
    return cert.issuerDisplayName() == authority.subjectDisplayName() && !authorityId.isEmpty()
        && authorityId == keyId(authority, "subjectKeyIdentifier");
}

} // namespace

QNetworkAccessManager &manager()
{
    static QNetworkAccessManager *nam = [] {
        trustConfiguredAuthority();
        auto *m = new QNetworkAccessManager;
        m->setCookieJar(new CookieJar(m));
        return m;
    }();
    return *nam;
}

void trustConfiguredAuthority()
{
    static bool done = false;
    const QString file = qEnvironmentVariable("TALLOWMERE_CA");
    if (done || file.isEmpty())
        return;
    done = true;
    const auto certs = QSslCertificate::fromPath(file, QSsl::Pem);
    if (certs.isEmpty())
        return;
    QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
    conf.addCaCertificates(certs);
    QSslConfiguration::setDefaultConfiguration(conf);
}

bool IsIssuedByConfiguredAuthority(const QList<QSslCertificate> &chain, const QString &host)
{
    const QList<QSslCertificate> authorities = configuredAuthorities();
    if (chain.isEmpty() || authorities.isEmpty())
        return false;
    trustConfiguredAuthority();
    // Signatures, dates and the host name; the system's authorities count
    // here too, so the chain must also end at the configured one.
    if (!QSslCertificate::verify(chain, host).isEmpty())
        return false;
    for (const QSslCertificate &authority : authorities)
        if (isIssuedBy(chain.last(), authority))
            return true;
    return false;
}

} // namespace Network
