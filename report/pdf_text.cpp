#include "report/pdf_text.h"

#include "common/codepage.h"

namespace {
constexpr char16_t euroSign = 0x20ac;
constexpr char winAnsiEuro = '\x80';
} // namespace

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

void appendPdfString(QByteArray &out, const QByteArray &bytes)
{
    out.append('(');
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\\' || c == '(' || c == ')') {
            out.append('\\');
            out.append(c);
        } else if (b < 32 || b > 126) {
            const char octal[] = {'\\', char('0' + (b >> 6)), char('0' + ((b >> 3) & 7)),
                                  char('0' + (b & 7))};
            out.append(octal, 4);
        } else {
            out.append(c);
        }
    }
    out.append(')');
}
