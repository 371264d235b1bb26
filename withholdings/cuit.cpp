#include "withholdings/cuit.h"

#include <QStringList>
#include <array>

namespace {
bool allDigits(const QString &text)
{
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// The eleven digits of a CUIT written as the declaration holds it, NN-NNNNNNNN-N; empty for
// anything else.
QString cuitDigits(const QString &cuit)
{
    if (cuit.size() != 13 || cuit[2] != u'-' || cuit[11] != u'-')
        return {};
    const QString digits = cuit.left(2) + cuit.mid(3, 8) + cuit[12];
    return allDigits(digits) ? digits : QString();
}
} // namespace

int cuitCheckDigit(const QString &firstTenDigits)
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

bool isValidCuit(const QString &cuit)
{
    static const QStringList prefixes = {"20", "23", "24", "25", "26", "27",
                                         "30", "33", "34", "50", "51", "55"};
    const QString digits = cuitDigits(cuit);
    if (digits.isEmpty() || !prefixes.contains(digits.left(2)))
        return false;
    return cuitCheckDigit(digits.left(10)) == digits[10].unicode() - u'0';
}

QString invalidCuitQuestion(const QString &cuitWithHyphens)
{
    return QStringLiteral("Atención el CUIT ") + cuitWithHyphens +
           QStringLiteral(" no es válido, ¿lo agrega igual?");
}
