#include "report/pdf_number.h"

#include <charconv>
#include <cmath>

namespace {
// Thousandths of a point are far below what any viewer or printer resolves.
double thousandths(double value)
{
    return std::round(value * 1000.0);
}
} // namespace

int writePdfNumber(char *out, double value)
{
    const double scaled = thousandths(value);
    // Below 10^15 thousandths a double holds every count exactly, and the count is the number's
    // decimal digits: printed as an integer, no conversion of a double to decimal is needed.
    if (std::isfinite(scaled) && std::fabs(scaled) < 1e15) {
        auto count = static_cast<long long>(scaled);
        if (count == 0) {
            *out = '0';
            return 1;
        }
        char *p = out;
        if (count < 0) {
            *p++ = '-';
            count = -count;
        }
        char digits[24];
        int n = 0;
        long long whole = count / 1000;
        do {
            digits[n++] = char('0' + whole % 10);
            whole /= 10;
        } while (whole > 0);
        while (n > 0)
            *p++ = digits[--n];
        int fraction = int(count % 1000);
        if (fraction != 0) {
            *p++ = '.';
            for (int unit = 100; fraction != 0; unit /= 10) {
                *p++ = char('0' + fraction / unit);
                fraction %= unit;
            }
        }
        return int(p - out);
    }
    double rounded = scaled / 1000.0;
    if (rounded == 0.0 || !std::isfinite(rounded))
        rounded = 0.0;
    // std::to_chars never consults the locale, unlike printf and streams.
    const auto result = std::to_chars(out, out + MaxPdfNumberLength, rounded, std::chars_format::fixed, 3);
    char *end = result.ptr;
    while (end[-1] == '0')
        --end;
    if (end[-1] == '.')
        --end;
    return int(end - out);
}

void appendPdfNumber(QByteArray &out, double value)
{
    char buffer[MaxPdfNumberLength];
    out.append(buffer, writePdfNumber(buffer, value));
}

QByteArray pdfNumber(double value)
{
    QByteArray out;
    appendPdfNumber(out, value);
    return out;
}
