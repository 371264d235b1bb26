#include "report/pdf_number.h"
#include "report/pdf_text.h"
#include "report/stream_encoding.h"
#include "tests/support/qt_print.h"

#include <gtest/gtest.h>

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
    };
    for (const auto &c : cases)
        EXPECT_EQ(pdfNumber(c.value), QByteArray(c.text)) << c.value;
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
