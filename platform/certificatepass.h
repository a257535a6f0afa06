#pragma once

#include <QList>
#include <QWebEngineCertificateError>

class QSslCertificate;
class QString;

namespace BrowserCertificates {

// Whether a browser pane lets a certificate error pass. The engine does not
// know the authority given in TALLOWMERE_CA (the simulator's): that one
// error, when the engine lets it be overridden, passes for a chain that
// verifies for `host` and ends at that authority. Every other error, an
// expired certificate or one for another host of that same authority
// included, is refused.
bool MayPass(QWebEngineCertificateError::Type type, bool overridable, const QList<QSslCertificate> &chain,
             const QString &host);

} // namespace BrowserCertificates
