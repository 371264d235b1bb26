#include "common/numbers.h"

#include "common/codepage.h"
#include "common/errors.h"
#include "common/regional.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cerrno>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
const char *const kInvalidOperation = "Invalid floating point operation";
const char *const kDivisionByZero = "Floating point division by zero";
const char *const kOverflow = "Floating point overflow";

[[noreturn]] void refuseInteger(QStringView text)
{
    throw ConversionError(QStringLiteral("''") + text.toString() +
                          QStringLiteral("'' is not a valid integer value"));
}

[[noreturn]] void refuseDecimal(const QString &text)
{
    throw ConversionError(QLatin1Char('\'') + text + QStringLiteral("' is not a valid floating point value"));
}

bool isDigit(int c)
{
    return c >= '0' && c <= '9';
}

int hexDigitValue(int c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A number x other than zero as 0.d1d2...dn x 10^exponent; no digits means zero.
struct Expansion {
    std::string digits;
    int exponent = 0;
};

// The 18 significant digits of a positive finite value, rounded to nearest-even from its
// exact binary value. glibc prints exactly that for "%.17Le"; the digits are collected
// around whatever decimal point the C locale of the moment uses.
Expansion expand(Decimal magnitude)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17Le", magnitude);
    Expansion e;
    const char *p = buffer;
    for (; *p != '\0' && *p != 'e'; ++p) {
        if (isDigit(*p))
            e.digits.push_back(*p);
    }
    e.exponent = (*p == 'e' ? std::atoi(p + 1) : 0) + 1;
    return e;
}

// Keeps k digits, rounding half away from zero on the expansion's digits (not on the binary
// value), and drops trailing zeros.
void keepDigits(Expansion &e, int k)
{
    if (k < 0) {
        e.digits.clear();
    } else if (k < static_cast<int>(e.digits.size())) {
        const bool roundUp = e.digits[k] >= '5';
        e.digits.resize(k);
        if (roundUp) {
            int j = k - 1;
            while (j >= 0 && e.digits[j] == '9')
                e.digits[j--] = '0';
            if (j < 0) {
                e.digits = "1";
                ++e.exponent;
            } else {
                ++e.digits[j];
            }
        }
    }
    while (!e.digits.empty() && e.digits.back() == '0')
        e.digits.pop_back();
}

// The flags an operation's failure raises; the others (an inexact or tiny result) are normal.
constexpr int FailureFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

void raiseFloatingPointFlags()
{
    const int flags = std::fetestexcept(FailureFlags);
    if (flags & FE_INVALID)
        throw ArithmeticError(QString::fromLatin1(kInvalidOperation));
    if (flags & FE_DIVBYZERO)
        throw ArithmeticError(QString::fromLatin1(kDivisionByZero));
    if (flags & FE_OVERFLOW)
        throw ArithmeticError(QString::fromLatin1(kOverflow));
}

enum class Operation { Sum, Difference, Product, Quotient };

Decimal compute(Operation operation, Decimal a, Decimal b)
{
    // The volatile operands and result pin the operation between clearing and testing the
    // flags, where the optimiser could otherwise move or fold it.
    volatile Decimal left = a;
    volatile Decimal right = b;
    volatile Decimal result = 0;
    // Testing is cheap and clearing is not (it rewrites the whole floating-point environment),
    // so the flags are cleared only when an earlier failure left one set.
    if (std::fetestexcept(FailureFlags) != 0)
        std::feclearexcept(FailureFlags);
    switch (operation) {
    case Operation::Sum:
        result = left + right;
        break;
    case Operation::Difference:
        result = left - right;
        break;
    case Operation::Product:
        result = left * right;
        break;
    case Operation::Quotient:
        result = left / right;
        break;
    }
    raiseFloatingPointFlags();
    return result;
}
} // namespace

namespace {
// Decimal digits up to the magnitude of a signed integer of `bits` bits; hexadecimal may use
// all the bits, the top one reading as the sign.
quint64 parseIntegerBits(QStringView text, int bits)
{
    const qsizetype n = text.size();
    const auto at = [&](qsizetype k) -> int { return k < n ? text.at(k).unicode() : -1; };
    qsizetype i = 0;
    while (at(i) == ' ')
        ++i;
    bool negative = false;
    if (at(i) == '+' || at(i) == '-')
        negative = at(i++) == '-';

    const quint64 allBits = bits == 64 ? ~quint64(0) : (quint64(1) << bits) - 1;
    quint64 value = 0;
    bool anyDigit = false;
    const bool hex = at(i) == '$' || at(i) == 'x' || at(i) == 'X' ||
                     (at(i) == '0' && (at(i + 1) == 'x' || at(i + 1) == 'X'));
    if (hex) {
        i += at(i) == '0' ? 2 : 1;
        for (int d; (d = hexDigitValue(at(i))) >= 0; ++i) {
            if (value > (allBits >> 4))
                refuseInteger(text);
            value = value * 16 + quint64(d);
            anyDigit = true;
        }
    } else {
        const quint64 limit = (allBits >> 1) + (negative ? 1 : 0);
        for (; isDigit(at(i)); ++i) {
            const quint64 d = quint64(at(i) - '0');
            if (value > (limit - d) / 10)
                refuseInteger(text);
            value = value * 10 + d;
            anyDigit = true;
        }
    }
    if (!anyDigit || i != n)
        refuseInteger(text);
    if (negative)
        value = 0u - value;
    return value & allBits;
}
} // namespace

qint32 ParseInteger(QStringView text)
{
    return qint32(quint32(parseIntegerBits(text, 32)));
}

qint64 ParseInt64(QStringView text)
{
    return qint64(parseIntegerBits(text, 64));
}

namespace {
// Decimal digits with a "-" before a negative value, as QString::number writes them, without
// going through the locale's machinery: a large import writes two numbers a row.
QString wholeNumberText(qint64 value)
{
    char16_t digits[20];
    char16_t *end = digits + 20;
    char16_t *p = end;
    quint64 magnitude = value < 0 ? 0 - static_cast<quint64>(value) : static_cast<quint64>(value);
    do {
        *--p = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    const qsizetype length = (end - p) + (value < 0 ? 1 : 0);
    QString text(length, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    if (value < 0)
        *out++ = u'-';
    std::copy(p, end, out);
    return text;
}
} // namespace

QString IntegerText(qint32 value)
{
    return wholeNumberText(value);
}

QString Int64Text(qint64 value)
{
    return wholeNumberText(value);
}

Decimal ParseDecimal(const QString &text)
{
    // Amounts are short: their bytes stay on the stack.
    QVarLengthArray<char, 64> bytes(text.size());
    const qsizetype n = ToSystemCodePage(QStringView(text), bytes.data());
    const int separator = static_cast<unsigned char>(ToSystemCodePageChar(DecimalSeparator()));
    const auto at = [&](qsizetype k) -> int { return k < n ? static_cast<unsigned char>(bytes[k]) : -1; };
    qsizetype i = 0;
    while (at(i) == ' ')
        ++i;
    bool negative = false;
    if (at(i) == '+' || at(i) == '-')
        negative = at(i++) == '-';

    // Every mantissa digit is kept, however many there are (leading zeros aside), so the
    // value is the exact decimal rounded once to the extended format: past 19 digits it
    // stays as exact as that format allows.
    std::string mantissa;
    qint64 decimals = 0;
    bool readSomething = false;
    const auto takeDigit = [&](int c) {
        if (!(mantissa.empty() && c == '0'))
            mantissa.push_back(static_cast<char>(c));
    };
    for (; isDigit(at(i)); ++i) {
        takeDigit(at(i));
        readSomething = true;
    }
    if (at(i) == separator) {
        ++i;
        readSomething = true;
        for (; isDigit(at(i)); ++i) {
            takeDigit(at(i));
            ++decimals;
        }
    }
    if (!readSomething)
        refuseDecimal(text);

    qint64 exponent = 0;
    if (at(i) == 'E' || at(i) == 'e') {
        ++i;
        bool negativeExponent = false;
        if (at(i) == '+' || at(i) == '-')
            negativeExponent = at(i++) == '-';
        for (; exponent < 500 && isDigit(at(i)); ++i)
            exponent = exponent * 10 + (at(i) - '0');
        if (negativeExponent)
            exponent = -exponent;
    }
    while (at(i) == ' ')
        ++i;
    if (i != n)
        refuseDecimal(text);

    qint64 scale = exponent - decimals;
    while (!mantissa.empty() && mantissa.back() == '0') {
        mantissa.pop_back();
        ++scale;
    }
    Decimal value = 0;
    if (!mantissa.empty()) {
        // The value lies in [10^(magnitude-1), 10^magnitude). The extended format ends near
        // 1.19E4932 and its smallest step is about 3.6E-4951; beyond those bounds the answer
        // is known without handing strtold an exponent of any size.
        const qint64 magnitude = qint64(mantissa.size()) + scale;
        if (magnitude > 4933)
            refuseDecimal(text);
        if (magnitude >= -4960) {
            // Digits and an exponent only: strtold depends on the locale just for the
            // decimal point, and there is none.
            const std::string canonical = mantissa + 'E' + std::to_string(scale);
            errno = 0;
            value = std::strtold(canonical.c_str(), nullptr);
            if (errno == ERANGE && std::isinf(value))
                refuseDecimal(text);
        }
    }
    return negative ? -value : value;
}

QString DecimalText(Decimal value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0)
        return QStringLiteral("0");

    Expansion e = expand(std::fabs(value));
    keepDigits(e, 15);
    const QString digits = QString::fromLatin1(e.digits.data(), qsizetype(e.digits.size()));
    const qsizetype length = digits.size();
    const int exponent = e.exponent;
    const QChar separator = DecimalSeparator();

    QString out;
    if (value < 0)
        out += QLatin1Char('-');
    if (exponent >= -3 && exponent <= 15) {
        if (exponent >= 1) {
            out += digits.left(exponent);
            if (length < exponent)
                out += QString(exponent - length, QLatin1Char('0'));
            else if (length > exponent)
                out += separator + digits.mid(exponent);
        } else {
            out += QLatin1Char('0') + separator + QString(-exponent, QLatin1Char('0')) + digits;
        }
    } else {
        out += digits.at(0);
        if (length > 1)
            out += separator + digits.mid(1);
        out += QLatin1Char('E') + QString::number(exponent - 1);
    }
    return out;
}

QString FormatDecimal(const QString &format, Decimal value)
{
    // The program prints amounts with this one format; no other layout is implemented.
    Q_ASSERT_X(format == QLatin1String("0.00"), "FormatDecimal", "only \"0.00\" is supported");
    Q_UNUSED(format);
    if (!std::isfinite(value) || std::fabs(value) >= 1e18L)
        return DecimalText(value);
    // An amount of whole cents, as a double holds it (the one nearest the cents over 100, as the
    // database's amounts read back), prints its cents: below 10^13 the double is within a
    // thousandth of them, far from any halfway case, so the expansion below gives the same digits.
    if (std::fabs(value) < 1e13L) {
        const long long cents = std::llround(value * 100.0L);
        if (static_cast<long double>(static_cast<double>(cents / 100.0L)) == value) {
            QString out;
            unsigned long long rest = cents < 0 ? 0 - static_cast<unsigned long long>(cents) : cents;
            if (cents < 0)
                out += QLatin1Char('-');
            out += QString::number(rest / 100);
            out += DecimalSeparator();
            out += QLatin1Char(char('0' + rest % 100 / 10));
            out += QLatin1Char(char('0' + rest % 10));
            return out;
        }
    }

    Expansion e;
    if (value != 0) {
        e = expand(std::fabs(value));
        keepDigits(e, e.exponent + 2);
    }
    if (e.digits.empty())
        e.exponent = 0;
    // The digit of place value 10^(exponent-1-p), zero outside the kept digits.
    const auto digitAt = [&](int p) {
        return p >= 0 && p < static_cast<int>(e.digits.size()) ? QLatin1Char(e.digits[p]) : QLatin1Char('0');
    };
    QString out;
    if (value < 0 && !e.digits.empty())
        out += QLatin1Char('-');
    if (e.exponent >= 1) {
        for (int p = 0; p < e.exponent; ++p)
            out += digitAt(p);
    } else {
        out += QLatin1Char('0');
    }
    out += DecimalSeparator();
    out += digitAt(e.exponent);
    out += digitAt(e.exponent + 1);
    return out;
}

Decimal IntegralPart(Decimal value)
{
    return std::trunc(value);
}

qint64 TruncToInteger(Decimal value)
{
    // NaN fails both comparisons too.
    if (!(value >= -0x1p63L && value < 0x1p63L))
        throw ArithmeticError(QString::fromLatin1(kInvalidOperation));
    return static_cast<qint64>(value);
}

Decimal DecimalSum(Decimal a, Decimal b)
{
    return compute(Operation::Sum, a, b);
}
Decimal DecimalDifference(Decimal a, Decimal b)
{
    return compute(Operation::Difference, a, b);
}
Decimal DecimalProduct(Decimal a, Decimal b)
{
    return compute(Operation::Product, a, b);
}
Decimal DecimalQuotient(Decimal a, Decimal b)
{
    return compute(Operation::Quotient, a, b);
}

Decimal StoreAsDouble(Decimal value)
{
    // From the largest double plus half its last step on, rounding to nearest goes to
    // infinity; the tie too, as the largest double is odd.
    constexpr Decimal overflowsAt = 0x1p1024L - 0x1p970L;
    if (std::isfinite(value) && std::fabs(value) >= overflowsAt)
        throw ArithmeticError(QString::fromLatin1(kOverflow));
    return static_cast<double>(value);
}
