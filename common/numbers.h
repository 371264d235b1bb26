#pragma once

#include "common/decimal.h"

#include <QString>
#include <QtGlobal>

// Conversions between text and numbers, exact to the last digit, and the checked arithmetic
// of amounts. Conversion failures raise ConversionError with the text as given; arithmetic
// failures raise ArithmeticError.

// Decimal digits, or hexadecimal after "$", "x", "X", "0x" or "0X"; one optional sign and
// leading blanks (code 32 only); nothing after the digits.
qint32 ParseInteger(QStringView text);
// The same on 64 bits.
qint64 ParseInt64(QStringView text);
QString IntegerText(qint32 value);
QString Int64Text(qint64 value);

// Digits with the process-wide decimal separator and an optional exponent, between blanks.
// The text passes through the system code page first, so a character that best-fits to a
// digit counts as that digit.
Decimal ParseDecimal(const QString &text);

// Up to 15 significant digits, fixed notation from 0.001 to below 10^15, else scientific.
QString DecimalText(Decimal value);

// Only the format "0.00" is supported: the whole digits, the separator, two decimals,
// rounded half away from zero.
QString FormatDecimal(const QString &format, Decimal value);

// The whole part toward zero, as a decimal number and as a 64-bit integer; the latter raises
// "Invalid floating point operation" beyond 64 bits.
Decimal IntegralPart(Decimal value);
qint64 TruncToInteger(Decimal value);

// Arithmetic in the extended format, rounding to nearest-even. An invalid operation, a
// division by zero or an overflow raises ArithmeticError; underflow and inexact results pass.
Decimal DecimalSum(Decimal a, Decimal b);
Decimal DecimalDifference(Decimal a, Decimal b);
Decimal DecimalProduct(Decimal a, Decimal b);
Decimal DecimalQuotient(Decimal a, Decimal b);

// The value as a double-precision variable would keep it (rounded to nearest-even); a value
// beyond the double range raises "Floating point overflow".
Decimal StoreAsDouble(Decimal value);
