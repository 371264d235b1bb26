#include "report/pdf_number.h"
#include "report/pdf_text.h"
#include "report/stream_encoding.h"
#include "tests/support/qt_print.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <random>

TEST(PdfSyntax, NumbersIgnoreLocaleAndDropNoise)
{
    const struct {
        double value;
        const char *text;
    } cases[] = {
        {0, "0"},
        {595, "595"},
        {28.346456693, "28.346"},
        {1.5, "1.5"},
        {-2.25, "-2.25"},
        {-0.0004, "0"},
        {-0.0, "0"},
        {841.0000001, "841"},
        {0.0005, "0.001"},
        {1234567.125, "1234567.125"},
        {0.05, "0.05"},
        {-0.5, "-0.5"},
        {999.9996, "1000"},
        {-841.89, "-841.89"},
        {1e13, "10000000000000"}, // past the integer path
        {-2.5e14, "-250000000000000"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(pdfNumber(c.value), QByteArray(c.text)) << c.value;
}

// Numbers are written as whole thousandths; a double printed to three decimals by the standard
// library, trimmed, is the reference.
TEST(PdfSyntax, NumbersAsTheStandardLibraryPrintsThem)
{
    const auto reference = [](double value) {
        double rounded = std::round(value * 1000.0) / 1000.0;
        if (rounded == 0.0)
            rounded = 0.0;
        char buffer[400];
        char *end = std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, 3).ptr;
        while (end[-1] == '0')
            --end;
        if (end[-1] == '.')
            --end;
        return QByteArray(buffer, end - buffer);
    };
    std::mt19937_64 random(30);
    std::uniform_real_distribution<double> magnitude(-6, 16);
    for (int i = 0; i < 200000; ++i) {
        const double value = (i % 2 ? -1 : 1) * std::pow(10.0, magnitude(random));
        ASSERT_EQ(pdfNumber(value), reference(value)) << value;
    }
}

TEST(PdfSyntax, TextsBecomeEscapedAsciiStrings)
{
    const struct {
        const char16_t *text;
        const char *literal;
    } cases[] = {
        {u"Raz\u00f3n Social", "(Razon Social)"}, // accent dropped by best fit
        {u"\u00d1and\u00fa", "(Nandu)"},
        {u"(S.A.) C:\\temp", "(\\(S.A.\\) C:\\\\temp)"}, // parentheses and backslash
        {u"\u20ac 5 \u20ac", "(\\200 5 \\200)"},         // euro as its WinAnsi code
        {u"a\tb\r\n", "(a\\011b\\015\\012)"},            // control characters stay 7-bit
        {u"\u4e2d", "(?)"},
        {u"", "()"},
    };
    for (const auto &c : cases) {
        QByteArray out;
        appendPdfString(out, toPdfText(QString::fromUtf16(c.text)));
        EXPECT_EQ(out, QByteArray(c.literal));
    }
}

TEST(PdfSyntax, Ascii85KnownGroups)
{
    const struct {
        QByteArray data;
        const char *encoded;
    } cases[] = {
        {QByteArray(), "~>"},      {QByteArray("Man "), "9jqo^~>"},      {QByteArray(4, '\0'), "z~>"},
        {QByteArray("."), "/c~>"}, {QByteArray("Man is"), "9jqo^Bla~>"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ascii85Encode(c.data), QByteArray(c.encoded));
}
