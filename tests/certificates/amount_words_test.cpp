#include "certificates/amount_words.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {
struct WordsCase {
    qint64 cents;
    const char *words;
};

// Written by hand, the way a receipt or certificate spells them.
const WordsCase Cases[] = {
    {1, "CERO CON 01/100"},
    {99, "CERO CON 99/100"},
    {100, "UNO CON 00/100"},
    {1000, "DIEZ CON 00/100"},
    {1600, "DIECISÉIS CON 00/100"},
    {2000, "VEINTE CON 00/100"},
    {2100, "VEINTIUNO CON 00/100"},
    {2200, "VEINTIDÓS CON 00/100"},
    {2950, "VEINTINUEVE CON 50/100"},
    {3000, "TREINTA CON 00/100"},
    {3100, "TREINTA Y UNO CON 00/100"},
    {6200, "SESENTA Y DOS CON 00/100"},
    {10000, "CIEN CON 00/100"},
    {10100, "CIENTO UNO CON 00/100"},
    {11500, "CIENTO QUINCE CON 00/100"},
    {12100, "CIENTO VEINTIUNO CON 00/100"},
    {50000, "QUINIENTOS CON 00/100"},
    {70700, "SETECIENTOS SIETE CON 00/100"},
    {99999, "NOVECIENTOS NOVENTA Y NUEVE CON 99/100"},
    {100000, "MIL CON 00/100"},
    {100100, "MIL UNO CON 00/100"},
    {110000, "MIL CIEN CON 00/100"},
    {200000, "DOS MIL CON 00/100"},
    {2100000, "VEINTIÚN MIL CON 00/100"},
    {2100100, "VEINTIÚN MIL UNO CON 00/100"},
    {3100000, "TREINTA Y UN MIL CON 00/100"},
    {10000000, "CIEN MIL CON 00/100"},
    {10100000, "CIENTO UN MIL CON 00/100"},
    {12112100, "CIENTO VEINTIÚN MIL CIENTO VEINTIUNO CON 00/100"},
    {100000000, "UN MILLÓN CON 00/100"},
    {100000100, "UN MILLÓN UNO CON 00/100"},
    {100100000, "UN MILLÓN MIL CON 00/100"},
    {200000000, "DOS MILLONES CON 00/100"},
    {2100000000, "VEINTIÚN MILLONES CON 00/100"},
    {10000000001, "CIEN MILLONES CON 01/100"},
    {12345678912, "CIENTO VEINTITRÉS MILLONES CUATROCIENTOS CINCUENTA Y SEIS MIL SETECIENTOS OCHENTA Y NUEVE "
                  "CON 12/100"},
    {100000000000, "MIL MILLONES CON 00/100"},
    {100100000000, "MIL UN MILLONES CON 00/100"},
    {2100000000000, "VEINTIÚN MIL MILLONES CON 00/100"},
    {MaxAmountInWordsCents,
     "NOVECIENTOS NOVENTA Y NUEVE MIL NOVECIENTOS NOVENTA Y NUEVE MILLONES NOVECIENTOS "
     "NOVENTA Y NUEVE MIL NOVECIENTOS NOVENTA Y NUEVE CON 99/100"},
};

TEST(AmountInWords, HandWrittenTable)
{
    for (const WordsCase &c : Cases)
        EXPECT_EQ(amountInWords(c.cents), QString::fromUtf8(c.words)) << c.cents;
}

// The words are joined from pieces: no piece may leave a double or leading blank, nor "UN MIL".
TEST(AmountInWords, PiecesJoinCleanlyAcrossTheRange)
{
    for (qint64 cents = 1; cents <= MaxAmountInWordsCents; cents = cents * 7 + 93) {
        const QString words = amountInWords(cents);
        EXPECT_FALSE(words.contains(QStringLiteral("  ")) || words.startsWith(QLatin1Char(' ')) ||
                     words.startsWith(QStringLiteral("UN MIL ")))
            << cents << " " << words.toStdString();
    }
}

TEST(AmountInWords, RefusesWhatItCannotWrite)
{
    EXPECT_THROW(amountInWords(-1), std::out_of_range);
    EXPECT_THROW(amountInWords(MaxAmountInWordsCents + 1), std::out_of_range);
}
} // namespace
