#include "common/sha256.h"

#include <QCryptographicHash>

#include <openssl/evp.h>

struct Sha256::Private {
    EVP_MD_CTX *context = nullptr;
    // Used only when the library cannot give SHA-256 (a configuration that leaves it out): a
    // fingerprint must never be wrong, only slower.
    std::unique_ptr<QCryptographicHash> portable;

    Private()
    {
        context = EVP_MD_CTX_new();
        if (!context || EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1)
            usePortable();
    }
    ~Private() { EVP_MD_CTX_free(context); }

    void usePortable()
    {
        EVP_MD_CTX_free(context);
        context = nullptr;
        portable = std::make_unique<QCryptographicHash>(QCryptographicHash::Sha256);
    }
};

Sha256::Sha256() : d_(std::make_unique<Private>()) {}

Sha256::~Sha256() = default;

void Sha256::addData(QByteArrayView bytes)
{
    if (d_->portable)
        d_->portable->addData(bytes);
    else if (!bytes.isEmpty() && EVP_DigestUpdate(d_->context, bytes.data(), size_t(bytes.size())) != 1)
        qFatal("SHA-256: the cryptography library refused the bytes");
}

QByteArray Sha256::hexResult()
{
    if (d_->portable)
        return d_->portable->result().toHex();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(d_->context, digest, &length) != 1 || length != 32)
        qFatal("SHA-256: the cryptography library gave no fingerprint");
    return QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex();
}

QByteArray Sha256::hexHash(QByteArrayView bytes)
{
    Sha256 hash;
    hash.addData(bytes);
    return hash.hexResult();
}
