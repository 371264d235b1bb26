#include "common/codepage.h"

#include <array>

namespace {
struct CodePageEntry {
    char16_t unicode;
    unsigned char byte;
};

#include "common/codepage_tables.inc"

// Every UTF-16 code unit's byte, laid out once from the sorted table ("?" where it has none),
// so that converting a long file costs one load per character.
template <const auto &Table> const std::array<char, 0x10000> &bytesOf()
{
    static const std::array<char, 0x10000> bytes = [] {
        std::array<char, 0x10000> all;
        all.fill('?');
        for (const CodePageEntry &e : Table)
            all[e.unicode] = static_cast<char>(e.byte);
        return all;
    }();
    return bytes;
}

template <const auto &Table> qsizetype convert(QStringView text, char *out)
{
    const std::array<char, 0x10000> &bytes = bytesOf<Table>();
    char *p = out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // A character beyond the basic plane is one character with no byte: one "?".
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            *p++ = '?';
            ++i;
            continue;
        }
        *p++ = bytes[c.unicode()];
    }
    return p - out;
}

template <const auto &Table> QByteArray convert(const QString &text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    out.truncate(convert<Table>(QStringView(text), out.data()));
    return out;
}
} // namespace

char ToSystemCodePageChar(QChar c)
{
    return bytesOf<kUnicodeToCp1252>()[c.unicode()];
}

QByteArray ToSystemCodePage(const QString &text)
{
    return convert<kUnicodeToCp1252>(text);
}

qsizetype ToSystemCodePage(QStringView text, char *out)
{
    return convert<kUnicodeToCp1252>(text, out);
}

QString FromSystemCodePage(const QByteArray &bytes)
{
    QString out;
    AppendFromSystemCodePage(out, bytes);
    return out;
}

void AppendFromSystemCodePage(QString &text, QByteArrayView bytes)
{
    const qsizetype at = text.size();
    text.resize(at + bytes.size());
    QChar *p = text.data() + at;
    for (const char b : bytes)
        *p++ = QChar(kCp1252ToUnicode[static_cast<unsigned char>(b)]);
}

QByteArray ToUsAscii(const QString &text)
{
    return convert<kUnicodeToUsAscii>(text);
}

qsizetype ToUsAscii(QStringView text, char *out)
{
    return convert<kUnicodeToUsAscii>(text, out);
}
