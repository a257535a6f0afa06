#pragma once

#include <QDateTime>
#include <QString>

// A server certificate (with its key) that a given authority signs, made with
// the openssl command-line tool: for the names in `altNames` (as openssl
// writes a subjectAltName, "IP:127.0.0.1,DNS:localhost") and valid from
// `from` until `until`, so a test can make one that has expired or one for
// another host.
struct SignedCertificate
{
    QString certFile;
    QString keyFile;
};

// Writes the files into `dir`; false with the reason in `error` when openssl fails.
bool SignCertificate(const QString &dir, const QString &caCertFile, const QString &caKeyFile, const QString &altNames,
                     const QDateTime &from, const QDateTime &until, SignedCertificate *made, QString *error);
