#include "withholdings/cuit.h"

#include <algorithm>
#include <array>

namespace {
bool allDigits(QStringView text)
{
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}
} // namespace

int cuitCheckDigit(QStringView firstTenDigits)
{
    static constexpr std::array<int, 10> weights = {5, 4, 3, 2, 7, 6, 5, 4, 3, 2};
    if (firstTenDigits.size() != 10 || !allDigits(firstTenDigits))
        return -1;
    int sum = 0;
    for (int i = 0; i < 10; ++i)
        sum += weights[i] * (firstTenDigits[i].unicode() - u'0');
    const int check = 11 - sum % 11;
    return check == 11 ? 0 : check == 10 ? 9 : check;
}

bool isValidCuit(QStringView cuit)
{
    // NN-NNNNNNNN-N, read in place: the import checks every line of a large file.
    static constexpr std::array<int, 12> prefixes = {20, 23, 24, 25, 26, 27, 30, 33, 34, 50, 51, 55};
    if (cuit.size() != 13 || cuit[2] != u'-' || cuit[11] != u'-')
        return false;
    std::array<char16_t, 10> firstTen{};
    for (int i = 0; i < 10; ++i)
        firstTen[i] = cuit[i < 2 ? i : i + 1].unicode();
    const QStringView digits(firstTen.data(), firstTen.size());
    const QChar last = cuit[12];
    if (!allDigits(digits) || last < u'0' || last > u'9')
        return false;
    const int prefix = (firstTen[0] - u'0') * 10 + (firstTen[1] - u'0');
    if (std::find(prefixes.begin(), prefixes.end(), prefix) == prefixes.end())
        return false;
    return cuitCheckDigit(digits) == last.unicode() - u'0';
}

QString invalidCuitQuestion(const QString &cuitWithHyphens)
{
    return QStringLiteral("Atención el CUIT ") + cuitWithHyphens +
           QStringLiteral(" no es válido, ¿lo agrega igual?");
}
