// Feeds arbitrary texts to the integer and decimal parsers and checks that what they accept
// prints and parses back consistently, under both decimal separators.
#include "common/errors.h"
#include "common/numbers.h"
#include "common/regional.h"

#include <QString>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
[[noreturn]] void fail(const char *what, const QString &text)
{
    std::fprintf(stderr, "%s: [%s]\n", what, qPrintable(text));
    std::abort();
}

void checkInteger(const QString &text)
{
    qint32 value = 0;
    try {
        value = ParseInteger(text);
    } catch (const ConversionError &) {
        return;
    }
    if (ParseInteger(IntegerText(value)) != value)
        fail("IntegerText does not parse back", text);
}

void checkPrinting(Decimal value, const QString &origin)
{
    const QString format = QStringLiteral("0.00");
    const QString text = DecimalText(value);
    const QString formatted = FormatDecimal(format, value);
    if (text.size() > 32 || formatted.size() > 32)
        fail("printed text too long", origin);
    if (text.contains(QLatin1Char(' ')) || formatted.contains(QLatin1Char(' ')))
        fail("blank in printed text", origin);

    // 15 digits lose precision, but once printed the value must print the same again
    // (below the normal range the format itself has fewer digits than that).
    const Decimal reread = ParseDecimal(text);
    if ((value == 0 || std::fabs(value) >= LDBL_MIN) && DecimalText(reread) != text)
        fail("DecimalText is not stable", origin);
    if (std::fabs(value) < 1e18L) {
        const Decimal rereadFormatted = ParseDecimal(formatted);
        // Just below 10^18 the rounding may reach 10^18, which prints in the general form.
        if (std::fabs(rereadFormatted) < 1e18L && FormatDecimal(format, rereadFormatted) != formatted)
            fail("FormatDecimal is not stable", origin);
        // Half a cent, plus what the 18 digits of the expansion leave out of large values.
        if (std::fabs(rereadFormatted - value) > 0.005L * (1 + 1e-15L) + std::fabs(value) * 1e-16L)
            fail("FormatDecimal is off by more than half a cent", origin);
        const qsizetype separator = formatted.indexOf(DecimalSeparator());
        if (separator < 1 || separator != formatted.size() - 3)
            fail("FormatDecimal without exactly two decimals", origin);
    }
}

void checkDecimal(const QString &text)
{
    Decimal value = 0;
    try {
        value = ParseDecimal(text);
    } catch (const ConversionError &e) {
        if (!e.message().contains(text))
            fail("refusal does not name the text", text);
        return;
    }
    if (!std::isfinite(value))
        fail("ParseDecimal accepted a value that is not finite", text);
    checkPrinting(value, text);
    // Sums and products of accepted values either succeed or raise an arithmetic error.
    try {
        checkPrinting(DecimalSum(value, value), text);
        checkPrinting(DecimalProduct(value, value), text);
        checkPrinting(DecimalQuotient(1, value), text);
    } catch (const ArithmeticError &) {
    }
    try {
        (void)TruncToInteger(value);
    } catch (const ArithmeticError &) {
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the separator; the rest is UTF-8 text.
    SetDecimalSeparator((data[0] & 1) ? QLatin1Char(',') : QLatin1Char('.'));
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    checkInteger(text);
    checkDecimal(text);
    // Anything else that escapes (not an AppError) ends the run as a finding.
    return 0;
}
