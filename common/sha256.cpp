#include "common/sha256.h"

#include <QCryptographicHash>
#include <QLibrary>

#include <openssl/evp.h>

#include <type_traits>

namespace {
// The cryptography library's functions, looked up at the first fingerprint rather than linked:
// loading the library with the program would cost every start a little.
struct Crypto {
    decltype(&EVP_MD_CTX_new) newContext = nullptr;
    decltype(&EVP_MD_CTX_free) freeContext = nullptr;
    decltype(&EVP_sha256) sha256 = nullptr;
    decltype(&EVP_DigestInit_ex) init = nullptr;
    decltype(&EVP_DigestUpdate) update = nullptr;
    decltype(&EVP_DigestFinal_ex) final = nullptr;

    bool usable() const { return newContext && freeContext && sha256 && init && update && final; }
};

const Crypto &crypto()
{
    static const Crypto functions = [] {
        Crypto c;
        QLibrary library(QStringLiteral("crypto"), 3);
        if (!library.load())
            return c;
        const auto find = [&library](auto &function, const char *name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library.resolve(name));
        };
        find(c.newContext, "EVP_MD_CTX_new");
        find(c.freeContext, "EVP_MD_CTX_free");
        find(c.sha256, "EVP_sha256");
        find(c.init, "EVP_DigestInit_ex");
        find(c.update, "EVP_DigestUpdate");
        find(c.final, "EVP_DigestFinal_ex");
        return c;
    }();
    return functions;
}
} // namespace

struct Sha256::Private {
    const Crypto &library = crypto();
    EVP_MD_CTX *context = nullptr;
    // Used when the library or its SHA-256 is not there: a fingerprint must never be wrong, only
    // slower.
    std::unique_ptr<QCryptographicHash> portable;

    Private()
    {
        if (library.usable())
            context = library.newContext();
        if (!context || library.init(context, library.sha256(), nullptr) != 1)
            usePortable();
    }
    ~Private()
    {
        if (context)
            library.freeContext(context);
    }

    void usePortable()
    {
        if (context)
            library.freeContext(context);
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
    else if (!bytes.isEmpty() && d_->library.update(d_->context, bytes.data(), size_t(bytes.size())) != 1)
        qFatal("SHA-256: the cryptography library refused the bytes");
}

QByteArray Sha256::hexResult()
{
    if (d_->portable)
        return d_->portable->result().toHex();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (d_->library.final(d_->context, digest, &length) != 1 || length != 32)
        qFatal("SHA-256: the cryptography library gave no fingerprint");
    return QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex();
}

QByteArray Sha256::hexHash(QByteArrayView bytes)
{
    Sha256 hash;
    hash.addData(bytes);
    return hash.hexResult();
}
