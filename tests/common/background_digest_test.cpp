#include "common/background_digest.h"
#include "common/sha256.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <algorithm>

// However the bytes come, in pieces of any size or not at all, the result is their SHA-256.
TEST(BackgroundDigest, GivesTheSha256OfTheBytesInOrder)
{
    QByteArray bytes(3 * 1000 * 1000 + 17, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 + i / 251);
    const struct {
        const char *name;
        qsizetype length;
        qsizetype piece;
    } cases[] = {
        {"nothing", 0, 1},           {"one byte", 1, 1},
        {"one piece", 65536, 65536}, {"a declaration in 64 KiB pieces", bytes.size(), 65536},
        {"odd pieces", 200001, 333},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray part = bytes.left(c.length);
        BackgroundDigest digest;
        for (qsizetype at = 0; at < part.size(); at += c.piece)
            digest.addData(QByteArrayView(part).sliced(at, std::min(c.piece, part.size() - at)));
        EXPECT_EQ(digest.result(), QCryptographicHash::hash(part, QCryptographicHash::Sha256).toHex());
    }
    // Given up without asking for the result: the thread ends with the object.
    BackgroundDigest abandoned;
    abandoned.addData(bytes);
}

// The fingerprint of the cryptography library is Qt's, at the lengths where SHA-256 pads its
// last block differently.
TEST(Sha256, AgreesWithQtAtEveryPaddingBoundary)
{
    for (const qsizetype length : {0, 1, 55, 56, 63, 64, 65, 119, 120, 128, 100000}) {
        const QByteArray bytes(length, char('a' + length % 26));
        EXPECT_EQ(Sha256::hexHash(bytes), QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex())
            << length;
    }
}
