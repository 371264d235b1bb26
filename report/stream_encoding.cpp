#include "report/stream_encoding.h"

#include <zlib.h>

#include <algorithm>
#include <new>

QByteArray flateCompress(const QByteArray &data)
{
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    QByteArray out(static_cast<qsizetype>(size), Qt::Uninitialized);
    const int status = compress2(reinterpret_cast<Bytef *>(out.data()), &size,
                                 reinterpret_cast<const Bytef *>(data.constData()),
                                 static_cast<uLong>(data.size()), Z_BEST_SPEED);
    // compressBound guarantees room, so only an out-of-memory condition can fail here.
    if (status != Z_OK)
        throw std::bad_alloc();
    out.truncate(static_cast<qsizetype>(size));
    return out;
}

QByteArray ascii85Encode(const QByteArray &data)
{
    constexpr int lineLength = 76;
    QByteArray out;
    out.reserve(data.size() * 5 / 4 + data.size() / lineLength + 8);
    int column = 0;
    auto put = [&](char c) {
        out.append(c);
        if (++column == lineLength) {
            out.append('\n');
            column = 0;
        }
    };
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
    const qsizetype size = data.size();
    for (qsizetype i = 0; i < size; i += 4) {
        const qsizetype n = std::min<qsizetype>(4, size - i);
        quint32 word = 0;
        for (qsizetype k = 0; k < 4; ++k)
            word = (word << 8) | (k < n ? bytes[i + k] : 0);
        if (word == 0 && n == 4) {
            put('z');
            continue;
        }
        char digits[5];
        for (int k = 4; k >= 0; --k) {
            digits[k] = static_cast<char>('!' + word % 85);
            word /= 85;
        }
        // A final group of n bytes is written as its first n + 1 digits.
        for (qsizetype k = 0; k < n + 1; ++k)
            put(digits[k]);
    }
    out.append("~>");
    return out;
}
