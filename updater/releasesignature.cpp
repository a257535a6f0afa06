#include "updater/releasesignature.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>

namespace ReleaseSignature {

namespace {

constexpr int kSignatureSize = 64;

struct KeyFree
{
    void operator()(EVP_PKEY *key) const { EVP_PKEY_free(key); }
};
struct ContextFree
{
    void operator()(EVP_MD_CTX *ctx) const { EVP_MD_CTX_free(ctx); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Context = std::unique_ptr<EVP_MD_CTX, ContextFree>;

const unsigned char *bytes(const QByteArray &data)
{
    return reinterpret_cast<const unsigned char *>(data.constData());
}

bool isEd25519(const Key &key)
{
    return key && EVP_PKEY_get_id(key.get()) == EVP_PKEY_ED25519;
}

} // namespace

QByteArray Statement(int version, qint64 size, const QByteArray &sha256Hex)
{
    return "tallowmere-release\nversion " + QByteArray::number(version) + "\nsize " + QByteArray::number(size)
        + "\nsha256 " + sha256Hex + "\n";
}

bool Verify(const QByteArray &statement, const QByteArray &signature, const QByteArray &publicKeyDer)
{
    if (signature.size() != kSignatureSize || publicKeyDer.isEmpty())
        return false;
    const unsigned char *p = bytes(publicKeyDer);
    const Key key(d2i_PUBKEY(nullptr, &p, long(publicKeyDer.size())));
    if (!isEd25519(key))
        return false;
    const Context ctx(EVP_MD_CTX_new());
    return ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) == 1
        && EVP_DigestVerify(ctx.get(), bytes(signature), size_t(signature.size()), bytes(statement), size_t(statement.size()))
        == 1;
}

QByteArray Sign(const QByteArray &statement, const QByteArray &privateKeyDer)
{
    const unsigned char *p = bytes(privateKeyDer);
    const Key key(d2i_AutoPrivateKey(nullptr, &p, long(privateKeyDer.size())));
    if (!isEd25519(key))
        return {};
    const Context ctx(EVP_MD_CTX_new());
    QByteArray signature(kSignatureSize, '\0');
    size_t length = size_t(signature.size());
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1
        || EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char *>(signature.data()), &length, bytes(statement),
                          size_t(statement.size()))
            != 1)
        return {};
    signature.truncate(qsizetype(length));
    return signature;
}

} // namespace ReleaseSignature
