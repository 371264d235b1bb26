#pragma once

#include <QByteArray>
#include <QString>

// The system code page is Windows-1252 everywhere: the declaration files go to a
// Windows-based municipality. Characters without a byte take the platform's best-fit
// byte (an accented letter loses its accent), else "?".
QByteArray ToSystemCodePage(const QString &text);
// The same bytes written to out, which has room for text.size() bytes; returns how many.
qsizetype ToSystemCodePage(QStringView text, char *out);
QString FromSystemCodePage(const QByteArray &bytes);
// Appends the characters of the bytes to text, converted as FromSystemCodePage converts them.
void AppendFromSystemCodePage(QString &text, QByteArrayView bytes);
char ToSystemCodePageChar(QChar c);

// 7-bit US-ASCII with the best fit of code page 20127, for the PDF listing.
QByteArray ToUsAscii(const QString &text);
// The same bytes written to out, which has room for text.size() bytes; returns how many.
qsizetype ToUsAscii(QStringView text, char *out);
