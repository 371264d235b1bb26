#pragma once

#include <QByteArray>

// The longest text writePdfNumber() gives: the digits of the largest double, a sign, a point and
// three decimals.
constexpr int MaxPdfNumberLength = 320;

// Writes a number as PDF syntax wants it: "." as separator whatever the locale, at most three
// decimals, no exponent and no "-0". Returns the number of characters written.
int writePdfNumber(char *out, double value);
void appendPdfNumber(QByteArray &out, double value);
QByteArray pdfNumber(double value);
