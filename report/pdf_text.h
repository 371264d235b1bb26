#pragma once

#include <QByteArray>
#include <QString>

// The PDF holds 7-bit ASCII only. Texts are shown in WinAnsi encoding: ASCII as is, the euro
// as its WinAnsi code 128, every other character through the best fit to US-ASCII.
QByteArray toPdfText(const QString &text);
// The same bytes in `out`, whose room is used again from one text to the next.
void toPdfText(QStringView text, QByteArray &out);

// Appends the bytes as a PDF literal string, "(" to ")", with "\", "(" and ")" escaped and
// every byte outside the printable ASCII range written as an octal escape.
void appendPdfString(QByteArray &out, const QByteArray &bytes);
// The same string written to `out`, which has room for PdfStringRoom(bytes.size()) bytes; returns
// how many it wrote.
qsizetype writePdfString(char *out, QByteArrayView bytes);
constexpr qsizetype PdfStringRoom(qsizetype length)
{
    return 4 * length + 2;
}
