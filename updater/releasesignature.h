#pragma once

#include <QByteArray>

// The vendor's signature on a release: Ed25519 over a short statement that
// names the release's revision, size and SHA-256, so the archive that is
// installed is the one the vendor signed and the checksum in "update.inf"
// is not trusted on its own word. Keys are DER (SubjectPublicKeyInfo for a
// public key, PKCS#8 for a private one), as "openssl pkey" writes them.
namespace ReleaseSignature {

// What is signed: "tallowmere-release\nversion V\nsize S\nsha256 HEX\n".
// scripts/make-release writes the same text.
QByteArray Statement(int version, qint64 size, const QByteArray &sha256Hex);

// True when `signature` (64 bytes) is a valid Ed25519 signature of
// `statement` by `publicKeyDer`; false for anything else, a malformed key
// included.
bool Verify(const QByteArray &statement, const QByteArray &signature, const QByteArray &publicKeyDer);

// The signature of `statement` by `privateKeyDer`; empty when the key is not
// an Ed25519 private key. For the simulator and tests.
QByteArray Sign(const QByteArray &statement, const QByteArray &privateKeyDer);

} // namespace ReleaseSignature
