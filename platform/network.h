#pragma once

#include <QList>

class QNetworkAccessManager;
class QSslCertificate;
class QString;

// The one network access manager of the program's user-interface thread. All
// transfer controls share it, and with it one cookie jar, as the system HTTP
// stack shared cookies between them.
namespace Network {

QNetworkAccessManager &manager();

// Adds the certificate authority named by TALLOWMERE_CA (a PEM file) to the
// trusted ones, so the program can talk to the local simulator over HTTPS.
void trustConfiguredAuthority();

// True when `chain` (the leaf first) verifies for `host` and leads to the
// authority named by TALLOWMERE_CA; a chain of any other authority, the
// system's own included, never counts.
bool IsIssuedByConfiguredAuthority(const QList<QSslCertificate> &chain, const QString &host);

} // namespace Network
