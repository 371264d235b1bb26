#include "report/pdf_text.h"

#include "common/codepage.h"

namespace {
constexpr char16_t euroSign = 0x20ac;
constexpr char winAnsiEuro = '\x80';
} // namespace

void toPdfText(QStringView text, QByteArray &out)
{
    if (text.contains(QChar(euroSign))) {
        out = toPdfText(text.toString());
        return;
    }
    out.resize(text.size());
    out.truncate(ToUsAscii(text, out.data()));
}

QByteArray toPdfText(const QString &text)
{
    const qsizetype euro = text.indexOf(QChar(euroSign));
    if (euro < 0)
        return ToUsAscii(text);
    QByteArray out;
    out.reserve(text.size());
    qsizetype from = 0;
    for (qsizetype at = euro; at >= 0; at = text.indexOf(QChar(euroSign), from)) {
        out.append(ToUsAscii(text.mid(from, at - from)));
        out.append(winAnsiEuro);
        from = at + 1;
    }
    out.append(ToUsAscii(text.mid(from)));
    return out;
}

qsizetype writePdfString(char *out, QByteArrayView bytes)
{
    char *p = out;
    *p++ = '(';
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\\' || c == '(' || c == ')') {
            *p++ = '\\';
            *p++ = c;
        } else if (b < 32 || b > 126) {
            *p++ = '\\';
            *p++ = char('0' + (b >> 6));
            *p++ = char('0' + ((b >> 3) & 7));
            *p++ = char('0' + (b & 7));
        } else {
            *p++ = c;
        }
    }
    *p++ = ')';
    return p - out;
}

void appendPdfString(QByteArray &out, const QByteArray &bytes)
{
    const qsizetype at = out.size();
    out.resize(at + PdfStringRoom(bytes.size()));
    out.truncate(at + writePdfString(out.data() + at, bytes));
}
