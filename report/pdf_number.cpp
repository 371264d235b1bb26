#include "report/pdf_number.h"

#include <charconv>
#include <cmath>

void appendPdfNumber(QByteArray &out, double value)
{
    // Thousandths of a point are far below what any viewer or printer resolves.
    double rounded = std::round(value * 1000.0) / 1000.0;
    if (rounded == 0.0 || !std::isfinite(rounded))
        rounded = 0.0;
    char buffer[64];
    // std::to_chars never consults the locale, unlike printf and streams.
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, 3);
    char *end = result.ptr;
    while (end[-1] == '0')
        --end;
    if (end[-1] == '.')
        --end;
    out.append(buffer, end - buffer);
}

QByteArray pdfNumber(double value)
{
    QByteArray out;
    appendPdfNumber(out, value);
    return out;
}
