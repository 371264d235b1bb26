#include "common/errors.h"
#include "common/numbers.h"
#include "common/regional.h"
#include "tests/support/qt_print.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {
QString u16(const char16_t *text)
{
    return QString::fromUtf16(text);
}

// Every test leaves the process-wide setting as the program starts with it.
class Numbers : public ::testing::Test {
protected:
    void TearDown() override { SetDecimalSeparator(QLatin1Char('.')); }
};

// The printing tables run once per separator: only the separator may change, never a digit.
class Printing : public ::testing::TestWithParam<char> {
protected:
    void SetUp() override { SetDecimalSeparator(QLatin1Char(GetParam())); }
    void TearDown() override { SetDecimalSeparator(QLatin1Char('.')); }
    QString expected(const char *text) const
    {
        return QString::fromLatin1(text).replace(QLatin1Char('.'), QLatin1Char(GetParam()));
    }
};

template <typename Error, typename Call> QString errorOf(Call call)
{
    try {
        call();
    } catch (const Error &e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}
} // namespace

TEST_F(Numbers, ParseIntegerAccepts)
{
    const struct {
        const char *text;
        qint32 value;
    } cases[] = {
        {" 12", 12},
        {"   -12", -12},
        {"+7", 7},
        {"-0", 0},
        {"$1F", 31},
        {"0x1F", 31},
        {"0X1f", 31},
        {"x1f", 31},
        {"X10", 16},
        {"-$10", -16},
        {"08", 8},
        {"0000000000000000000042", 42},
        {"0", 0},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"$7FFFFFFF", 2147483647},
        {"$80000000", -2147483647 - 1},
        {"$FFFFFFFF", -1},
        {"$000000000FFFFFFFF", -1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ParseInteger(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST_F(Numbers, ParseIntegerRefusesWithTheTextAsGiven)
{
    const char16_t *refused[] = {
        u"12 ",
        u"",
        u" ",
        u"\t12",
        u"2147483648",
        u"-2147483649",
        u"$100000000",
        u"$",
        u"0x",
        u"+-1",
        u"- 1",
        u"1.0",
        u"1e3",
        u"abc",
        u"12a",
        u"$1G",
        u"0x-1",
        u"\uff11", // a full-width digit is no digit here
        u"99999999999999999999999",
    };
    for (const char16_t *text : refused) {
        const QString t = u16(text);
        EXPECT_EQ(errorOf<ConversionError>([&] { ParseInteger(t); }),
                  QStringLiteral("''") + t + QStringLiteral("'' is not a valid integer value"));
    }
    EXPECT_EQ(errorOf<ConversionError>([] { ParseInteger(QString()); }),
              QStringLiteral("'''' is not a valid integer value"));
    EXPECT_EQ(errorOf<ConversionError>([] { ParseInteger(QStringLiteral("abc")); }),
              QStringLiteral("''abc'' is not a valid integer value"));
}

// Receipt numbers of 13 digits need the 64-bit reading; its limits are those of 64 bits.
TEST_F(Numbers, ParseInt64)
{
    const struct {
        const char *text;
        qint64 value;
    } cases[] = {
        {"0002200001234", 2200001234},
        {"9999999999999", 9999999999999},
        {" -12", -12},
        {"9223372036854775807", 9223372036854775807},
        {"-9223372036854775808", -9223372036854775807 - 1},
        {"$FFFFFFFFFFFFFFFF", -1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ParseInt64(QString::fromLatin1(c.text)), c.value) << c.text;
    for (const char *text : {"9223372036854775808", "-9223372036854775809", "$10000000000000000", "123 ", ""})
        EXPECT_THROW(ParseInt64(QString::fromLatin1(text)), ConversionError) << text;
}

TEST_F(Numbers, IntegerText)
{
    const struct {
        qint32 value;
        const char *text;
    } cases[] = {
        {0, "0"}, {62, "62"}, {-62, "-62"}, {2147483647, "2147483647"}, {-2147483647 - 1, "-2147483648"}};
    SetDecimalSeparator(QLatin1Char(','));
    for (const auto &c : cases)
        EXPECT_EQ(IntegerText(c.value), QString::fromLatin1(c.text));
    // On 64 bits, as Qt writes them, at the ends and at every length.
    std::vector<qint64> values = {std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(), -1,
                                  9, 10};
    for (qint64 power = 1; power <= std::numeric_limits<qint64>::max() / 10; power *= 10)
        values.insert(values.end(), {power - 1, power, -power, 7 * power + 3});
    for (const qint64 value : values)
        EXPECT_EQ(Int64Text(value), QString::number(value)) << value;
}

TEST_F(Numbers, ParseDecimalAccepts)
{
    const struct {
        const char16_t *text;
        Decimal value;
    } cases[] = {
        {u" 1234.5 ", 1234.5L},
        {u"1234.50", 1234.5L},
        {u"1e3", 1000.0L},
        {u"1E+3", 1000.0L},
        {u"25e-1", 2.5L},
        {u".", 0.0L},
        {u"5.", 5.0L},
        {u".5", 0.5L},
        {u"-.5", -0.5L},
        {u"+1", 1.0L},
        {u"1E", 1.0L}, // an E without digits is exponent 0
        {u"1e-", 1.0L},
        {u"0.1", 0.1L}, // the literals are rounded to nearest like the parser must
        {u"2.675", 2.675L},
        {u"1234.56", 1234.56L},
        {u"\uff11\uff12.5", 12.5L}, // full-width digits best-fit to ASCII digits
        {u"0E999", 0.0L},
        {u"0000000000000000000000001", 1.0L},
        // Past 19 digits every digit still counts: 2^64-1 and more are exact or rounded once.
        {u"18446744073709551615", 18446744073709551615.0L},
        {u"123456789012345678901234567890", 123456789012345678901234567890.0L},
        {u"0.1000000000000000000000000000000000001", 0.1000000000000000000000000000000000001L},
        {u"1.18973149535723176502e+4932", LDBL_MAX},
        {u"1E-4940", 1E-4940L}, // below the normal range, still not zero
        {u"1E-4999", 0.0L},     // underflows to zero silently
        {u"1E0000000000000000005", 1E5L},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ParseDecimal(u16(c.text)), c.value) << QString::fromUtf16(c.text).toStdString();
    EXPECT_NE(ParseDecimal(QStringLiteral("1E-4940")), 0.0L);
    EXPECT_TRUE(std::signbit(ParseDecimal(QStringLiteral("-0"))));
}

TEST_F(Numbers, ParseDecimalRefusesWithTheTextAsGiven)
{
    const char16_t *refused[] = {
        u"-",        u"+",
        u"1.2.3",    u"1 234",
        u"",         u" ",
        u"\t1",      u"1\t",
        u"1,234.56", u"12,5",
        u"$5",       u"E5",
        u"e",        u"1e5x",
        u"+-1",      u"- 1",
        u"1.5 .",    u" 1.2.3 ",
        u"1E4933",   u"1.2E4932",
        u"1E5000",   u"1E-5000",
        u"0x10",     u"inf",
        u"nan",      u"1\u00a0",
        u"\u00b2",   u"9999999999999999999999999999999999999999999999999999999999999999999e4900",
    };
    for (const char16_t *text : refused) {
        const QString t = u16(text);
        EXPECT_EQ(errorOf<ConversionError>([&] { ParseDecimal(t); }),
                  QLatin1Char('\'') + t + QStringLiteral("' is not a valid floating point value"));
    }
    // A NUL inside the text ends nothing: the rest must still be valid.
    EXPECT_THROW(ParseDecimal(QString::fromUtf16(u"1\0", 2)), ConversionError);
}

TEST_P(Printing, DecimalText)
{
    const struct {
        Decimal value;
        const char *text;
    } cases[] = {
        {ParseDecimal(expected("1234.5")), "1234.5"},
        {ParseDecimal(expected("1234.50")), "1234.5"},
        {DecimalSum(ParseDecimal(expected("0.1")), ParseDecimal(expected("0.2"))), "0.3"},
        {DecimalQuotient(2, 3), "0.666666666666667"},
        {DecimalQuotient(1, 3), "0.333333333333333"},
        {100, "100"},
        {-62, "-62"},
        {ParseDecimal(expected("0.0001")), "0.0001"},
        {ParseDecimal(expected("0.00001")), "1E-5"},
        {123456789012345.0L, "123456789012345"},
        {1234567890123456.0L, "1.23456789012346E15"},
        {1E15L, "1E15"},
        {DecimalSum(ParseDecimal(expected("1234.5")), ParseDecimal(expected("0.5"))), "1235"},
        {-0.0L, "0"},
        {0.001L, "0.001"},
        {-0.000123456L, "-0.000123456"},
        {999999999999999.0L, "999999999999999"},
        {999999999999999.9L, "1E15"}, // the carry moves it to scientific notation
        {0.00009999999999999999L, "0.0001"},
        {1.5E-10L, "1.5E-10"},
        {-1E100L, "-1E100"},
        {LDBL_MAX, "1.18973149535723E4932"},
        {0.1L, "0.1"},
        {ParseDecimal(expected("2.675")), "2.675"},
        {12345678.125L, "12345678.125"},
        {0.1234567890123455L, "0.123456789012346"}, // half away from zero on the 18 digits
    };
    for (const auto &c : cases)
        EXPECT_EQ(DecimalText(c.value), expected(c.text)) << c.text;
}

TEST_P(Printing, FormatDecimal)
{
    const QString format = QStringLiteral("0.00");
    const struct {
        Decimal value;
        const char *text;
    } cases[] = {
        {1234.5L, "1234.50"},
        {7, "7.00"},
        {0.125L, "0.13"}, // half away from zero, not to even
        {0.005L, "0.01"},
        {0.004L, "0.00"},
        {ParseDecimal(expected("2.675")), "2.68"},
        {-0.005L, "-0.01"},
        {-0.001L, "0.00"},
        {62, "62.00"},
        {-0.0L, "0.00"},
        {0, "0.00"},
        {0.0009L, "0.00"},
        {0.995L, "1.00"},
        {9.995L, "10.00"},
        {-99.999L, "-100.00"},
        {1234567.891L, "1234567.89"},
        {ParseDecimal(expected("1.015")), "1.02"},
        {999999999999999999.0L, "999999999999999999.00"},
        {1E18L, "1E18"},
        {-2.5E20L, "-2.5E20"},
        {1E-30L, "0.00"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormatDecimal(format, c.value), expected(c.text)) << c.text;
}

// An amount read back from the database is the double nearest its cents over 100; it prints as
// its cents, whatever their size up to ten thousand million pesos.
TEST_P(Printing, AmountsOfWholeCentsPrintTheirCents)
{
    std::mt19937_64 random(30);
    for (int i = 0; i < 100000; ++i) {
        const long long limit = i % 3 == 0 ? 100000 : i % 3 == 1 ? 100000000 : 999999999999999;
        const long long cents = std::uniform_int_distribution<long long>(-limit, limit)(random);
        const unsigned long long whole = (cents < 0 ? -cents : cents) / 100;
        const int rest = int((cents < 0 ? -cents : cents) % 100);
        char text[40];
        std::snprintf(text, sizeof text, "%s%llu.%02d", cents < 0 ? "-" : "", whole, rest);
        ASSERT_EQ(FormatDecimal(QStringLiteral("0.00"), static_cast<double>(cents / 100.0L)), expected(text))
            << cents;
    }
}

INSTANTIATE_TEST_SUITE_P(Separators, Printing, ::testing::Values('.', ','),
                         [](const auto &info) { return info.param == '.' ? "point" : "comma"; });

TEST_F(Numbers, DecimalSeparatorInPractice)
{
    const QString format = QStringLiteral("0.00");
    SetDecimalSeparator(QLatin1Char('.'));
    EXPECT_EQ(ParseDecimal(QStringLiteral("1234.56")), 1234.56L);
    EXPECT_THROW(ParseDecimal(QStringLiteral("1234,56")), ConversionError);
    EXPECT_THROW(ParseDecimal(QStringLiteral("1,234.56")), ConversionError);
    EXPECT_EQ(DecimalText(1234.56L), QStringLiteral("1234.56"));
    EXPECT_EQ(FormatDecimal(format, 1234.5L), QStringLiteral("1234.50"));

    SetDecimalSeparator(QLatin1Char(','));
    EXPECT_EQ(ParseDecimal(QStringLiteral("1234,56")), 1234.56L);
    EXPECT_EQ(errorOf<ConversionError>([] { ParseDecimal(QStringLiteral("1234.5")); }),
              QStringLiteral("'1234.5' is not a valid floating point value"));
    EXPECT_THROW(ParseDecimal(QStringLiteral("1,234.56")), ConversionError);
    EXPECT_EQ(DecimalText(1234.56L), QStringLiteral("1234,56"));
    EXPECT_EQ(DecimalText(1234.5L), QStringLiteral("1234,5"));
    EXPECT_EQ(FormatDecimal(format, 1234.5L), QStringLiteral("1234,50"));
    EXPECT_EQ(ParseInteger(QStringLiteral("1234")), 1234);
    EXPECT_THROW(ParseInteger(QStringLiteral("1,5")), ConversionError);
}

// A Qt program takes the user's C locale, whose decimal point may be a comma; the digits of
// the helpers must not follow it.
TEST_F(Numbers, IgnoresTheCLocale)
{
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    const char *candidates[] = {"es_AR.UTF-8", "es_ES.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8"};
    const char *chosen = nullptr;
    for (const char *name : candidates) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            chosen = name;
            break;
        }
    }
    if (chosen == nullptr)
        GTEST_SKIP() << "no locale with a decimal comma installed";
    const QString text = DecimalText(ParseDecimal(QStringLiteral("1234.56")));
    const QString formatted = FormatDecimal(QStringLiteral("0.00"), 2.675L);
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(text, QStringLiteral("1234.56"));
    EXPECT_EQ(formatted, QStringLiteral("2.68"));
}

TEST_F(Numbers, WholeParts)
{
    const struct {
        Decimal value;
        Decimal integral;
        qint64 whole;
    } cases[] = {
        {-2.7L, -2.0L, -2},
        {2.7L, 2.0L, 2},
        {0.5L, 0.0L, 0},
        {62.0L, 62.0L, 62},
        {4294967296.5L, 4294967296.0L, 4294967296LL},
        {9223372036854775807.0L, 9223372036854775807.0L, std::numeric_limits<qint64>::max()},
        {-9223372036854775808.0L, -9223372036854775808.0L, std::numeric_limits<qint64>::min()},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(IntegralPart(c.value), c.integral);
        EXPECT_EQ(TruncToInteger(c.value), c.whole);
    }
    const Decimal beyond[] = {9223372036854775808.0L,
                              -9223372036854775809.0L,
                              1E30L,
                              -LDBL_MAX,
                              std::numeric_limits<Decimal>::quiet_NaN(),
                              std::numeric_limits<Decimal>::infinity()};
    for (const Decimal value : beyond)
        EXPECT_EQ(errorOf<ArithmeticError>([&] { TruncToInteger(value); }),
                  QStringLiteral("Invalid floating point operation"));
}

TEST_F(Numbers, ArithmeticRaisesOnlyInvalidDivisionAndOverflow)
{
    const Decimal inf = std::numeric_limits<Decimal>::infinity();
    const struct {
        const char *what;
        Decimal (*operation)(Decimal, Decimal);
        Decimal a, b;
        const char *error; // nullptr: no error
        Decimal result;
    } cases[] = {
        {"sum", DecimalSum, 1234.5L, 0.5L, nullptr, 1235.0L},
        {"difference", DecimalDifference, 10.0L, 62.0L, nullptr, -52.0L},
        {"product", DecimalProduct, 5.0L, 1234.0L, nullptr, 6170.0L},
        {"inexact quotient", DecimalQuotient, 1.0L, 3.0L, nullptr, 1.0L / 3.0L},
        {"underflow", DecimalProduct, 1E-4000L, 1E-4000L, nullptr, 0.0L},
        {"tiny quotient", DecimalQuotient, 1E-4900L, 1E40L, nullptr, 1E-4900L / 1E40L},
        {"overflow", DecimalProduct, LDBL_MAX, 2.0L, "Floating point overflow", 0},
        {"overflowing sum", DecimalSum, LDBL_MAX, LDBL_MAX, "Floating point overflow", 0},
        {"division by zero", DecimalQuotient, 1.0L, 0.0L, "Floating point division by zero", 0},
        {"zero by zero", DecimalQuotient, 0.0L, 0.0L, "Invalid floating point operation", 0},
        {"infinity less infinity", DecimalDifference, inf, inf, "Invalid floating point operation", 0},
    };
    for (const auto &c : cases) {
        if (c.error == nullptr)
            EXPECT_EQ(c.operation(c.a, c.b), c.result) << c.what;
        else
            EXPECT_EQ(errorOf<ArithmeticError>([&] { c.operation(c.a, c.b); }), QString::fromLatin1(c.error))
                << c.what;
    }
    // A failed operation leaves nothing behind for the next one.
    EXPECT_THROW(DecimalQuotient(1, 0), ArithmeticError);
    EXPECT_EQ(DecimalSum(1, 2), 3.0L);
}

TEST_F(Numbers, StoreAsDoubleRoundsToNearestEven)
{
    EXPECT_EQ(StoreAsDouble(0.1L), static_cast<Decimal>(0.1));
    EXPECT_EQ(StoreAsDouble(1.0L + 0x1p-53L), 1.0L); // tie goes to even
    EXPECT_EQ(StoreAsDouble(1.0L + 0x1p-53L + 0x1p-63L), 1.0L + 0x1p-52L);
    EXPECT_EQ(StoreAsDouble(DBL_MAX), static_cast<Decimal>(DBL_MAX));
    EXPECT_EQ(StoreAsDouble(0x1p1024L - 0x1p970L - 0x1p960L), static_cast<Decimal>(DBL_MAX));
    EXPECT_EQ(StoreAsDouble(1E-4000L), 0.0L);
    for (const Decimal value : {0x1p1024L - 0x1p970L, -1E400L, LDBL_MAX})
        EXPECT_EQ(errorOf<ArithmeticError>([&] { StoreAsDouble(value); }),
                  QStringLiteral("Floating point overflow"));
}
