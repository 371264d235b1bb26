#pragma once

#include <QString>
#include <QtGlobal>

// The largest amount written in words: 999,999,999,999.99, in cents.
inline constexpr qint64 MaxAmountInWordsCents = 99'999'999'999'999;

// An amount in cents in words, as Argentine receipts and certificates write it after
// "SON PESOS": upper case, with the cents as "CON NN/100". 6200 gives
// "SESENTA Y DOS CON 00/100", 2100000 "VEINTIÚN MIL CON 00/100", 100000000 "UN MILLÓN CON 00/100".
// The peso is masculine, so a lone one is UNO and one before MIL or MILLÓN is UN; the accents are
// kept (the PDF's text conversion drops them). From 0 to MaxAmountInWordsCents; any other
// amount raises std::out_of_range.
QString amountInWords(qint64 cents);
