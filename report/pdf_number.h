#pragma once

#include <QByteArray>

// Appends a number as PDF syntax wants it: "." as separator whatever the locale, at most
// three decimals, no exponent and no "-0".
void appendPdfNumber(QByteArray &out, double value);
QByteArray pdfNumber(double value);
