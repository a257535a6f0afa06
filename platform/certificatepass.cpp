#include "platform/certificatepass.h"

#include "platform/network.h"

#include <QSslCertificate>

namespace BrowserCertificates {

bool MayPass(QWebEngineCertificateError::Type type, bool overridable, const QList<QSslCertificate> &chain,
             const QString &host)
{
    return type == QWebEngineCertificateError::CertificateAuthorityInvalid && overridable
        && Network::IsIssuedByConfiguredAuthority(chain, host);
}

} // namespace BrowserCertificates
