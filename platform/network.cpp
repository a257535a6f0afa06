#include "platform/network.h"

#include "platform/cookiejar.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QSslCertificate>
#include <QSslConfiguration>

namespace Network {

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

} // namespace Network
