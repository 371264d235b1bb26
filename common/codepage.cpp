#include "common/codepage.h"

#include <algorithm>
#include <iterator>

namespace {
struct CodePageEntry {
    char16_t unicode;
    unsigned char byte;
};

#include "common/codepage_tables.inc"

template <std::size_t N> char lookup(const CodePageEntry (&table)[N], char16_t u)
{
    const auto it = std::lower_bound(std::begin(table), std::end(table), u,
                                     [](const CodePageEntry &e, char16_t v) { return e.unicode < v; });
    if (it != std::end(table) && it->unicode == u)
        return static_cast<char>(it->byte);
    return '?';
}

// The bytes of the first 128 characters, looked up once: nearly every character of a
// declaration is one of them, and every record goes through here.
template <std::size_t N> struct LowCharacters {
    explicit LowCharacters(const CodePageEntry (&table)[N])
    {
        for (char16_t u = 0; u < 128; ++u)
            bytes[u] = lookup(table, u);
    }
    char bytes[128];
};

template <std::size_t N>
QByteArray convert(const CodePageEntry (&table)[N], const LowCharacters<N> &low, const QString &text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char *p = out.data();
    const QChar *c = text.constData();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = c[i].unicode();
        if (u < 128) {
            *p++ = low.bytes[u];
            continue;
        }
        // A character beyond the basic plane is one character with no byte: one "?".
        if (c[i].isHighSurrogate() && i + 1 < size && c[i + 1].isLowSurrogate()) {
            *p++ = '?';
            ++i;
            continue;
        }
        *p++ = lookup(table, u);
    }
    out.truncate(p - out.constData());
    return out;
}
} // namespace

char ToSystemCodePageChar(QChar c)
{
    return lookup(kUnicodeToCp1252, c.unicode());
}

QByteArray ToSystemCodePage(const QString &text)
{
    static const LowCharacters low(kUnicodeToCp1252);
    return convert(kUnicodeToCp1252, low, text);
}

QString FromSystemCodePage(const QByteArray &bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *p = out.data();
    for (const char b : bytes)
        *p++ = QChar(kCp1252ToUnicode[static_cast<unsigned char>(b)]);
    return out;
}

QByteArray ToUsAscii(const QString &text)
{
    static const LowCharacters low(kUnicodeToUsAscii);
    return convert(kUnicodeToUsAscii, low, text);
}
