#include "certificates/amount_words.h"

#include <array>
#include <stdexcept>

namespace {
// 0 to 29 are single words in Spanish.
constexpr std::array<const char *, 30> Units = {
    "",           "UNO",         "DOS",        "TRES",         "CUATRO",      "CINCO",      "SEIS",
    "SIETE",      "OCHO",        "NUEVE",      "DIEZ",         "ONCE",        "DOCE",       "TRECE",
    "CATORCE",    "QUINCE",      "DIECISÉIS",  "DIECISIETE",   "DIECIOCHO",   "DIECINUEVE", "VEINTE",
    "VEINTIUNO",  "VEINTIDÓS",   "VEINTITRÉS", "VEINTICUATRO", "VEINTICINCO", "VEINTISÉIS", "VEINTISIETE",
    "VEINTIOCHO", "VEINTINUEVE",
};
constexpr std::array<const char *, 10> Tens = {
    "", "", "", "TREINTA", "CUARENTA", "CINCUENTA", "SESENTA", "SETENTA", "OCHENTA", "NOVENTA",
};
constexpr std::array<const char *, 10> Hundreds = {
    "",           "CIENTO",      "DOSCIENTOS",  "TRESCIENTOS", "CUATROCIENTOS",
    "QUINIENTOS", "SEISCIENTOS", "SETECIENTOS", "OCHOCIENTOS", "NOVECIENTOS",
};

void appendWord(QString &out, const QString &word)
{
    if (word.isEmpty())
        return;
    if (!out.isEmpty())
        out += QLatin1Char(' ');
    out += word;
}

// 1 to 29 and the units after "Y"; before MIL or MILLÓN, UNO becomes UN and VEINTIUNO VEINTIÚN.
QString unitWord(int n, bool beforeNoun)
{
    if (beforeNoun && n == 1)
        return QStringLiteral("UN");
    if (beforeNoun && n == 21)
        return QStringLiteral("VEINTIÚN");
    return QString::fromUtf8(Units[static_cast<std::size_t>(n)]);
}

// 1 to 999.
QString belowThousand(int n, bool beforeNoun)
{
    if (n == 100)
        return QStringLiteral("CIEN");
    QString out = QString::fromUtf8(Hundreds[static_cast<std::size_t>(n / 100)]);
    const int rest = n % 100;
    if (rest == 0)
        return out;
    if (rest < 30) {
        appendWord(out, unitWord(rest, beforeNoun));
    } else {
        appendWord(out, QString::fromUtf8(Tens[static_cast<std::size_t>(rest / 10)]));
        if (rest % 10 != 0)
            appendWord(out, QStringLiteral("Y ") + unitWord(rest % 10, beforeNoun));
    }
    return out;
}

// 1 to 999,999: "MIL" alone for one thousand, never "UN MIL".
QString belowMillion(qint64 n, bool beforeNoun)
{
    const int thousands = static_cast<int>(n / 1000);
    const int rest = static_cast<int>(n % 1000);
    QString out;
    if (thousands == 1)
        out = QStringLiteral("MIL");
    else if (thousands > 1)
        out = belowThousand(thousands, true) + QStringLiteral(" MIL");
    if (rest != 0)
        appendWord(out, belowThousand(rest, beforeNoun));
    return out;
}
} // namespace

QString amountInWords(qint64 cents)
{
    if (cents < 0 || cents > MaxAmountInWordsCents)
        throw std::out_of_range("amount out of the range written in words");
    const qint64 whole = cents / 100;
    const qint64 millions = whole / 1'000'000;
    const qint64 rest = whole % 1'000'000;
    QString out;
    if (whole == 0)
        out = QStringLiteral("CERO");
    else if (millions == 1)
        out = QStringLiteral("UN MILLÓN");
    else if (millions > 1)
        out = belowMillion(millions, true) + QStringLiteral(" MILLONES");
    if (rest != 0)
        appendWord(out, belowMillion(rest, false));
    const int hundredths = static_cast<int>(cents % 100);
    return out + QStringLiteral(" CON %1/100").arg(hundredths, 2, 10, QLatin1Char('0'));
}
