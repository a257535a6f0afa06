#pragma once

#include <QString>

namespace Sim {

// The simulator's own certificate authority and the server certificate it
// signs for 127.0.0.1 and localhost, made with the openssl command-line tool
// in a state folder and reused while they are valid.
struct TlsFiles
{
    QString caFile;     // ca.pem: what the program is told to trust
    QString certFile;   // server.pem
    QString keyFile;    // server.key
};

// Makes sure the three files exist in `dir` and are usable; generates them
// when they are missing, unreadable or close to expiry. Returns false with a
// reason when openssl fails or is missing.
bool ensureCertificates(const QString &dir, TlsFiles *files, QString *error);

} // namespace Sim
