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

template <std::size_t N> QByteArray convert(const CodePageEntry (&table)[N], const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // A character beyond the basic plane is one character with no byte: one "?".
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out.append('?');
            ++i;
            continue;
        }
        out.append(lookup(table, c.unicode()));
    }
    return out;
}
} // namespace

char ToSystemCodePageChar(QChar c)
{
    return lookup(kUnicodeToCp1252, c.unicode());
}

QByteArray ToSystemCodePage(const QString &text)
{
    return convert(kUnicodeToCp1252, text);
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
    return convert(kUnicodeToUsAscii, text);
}
