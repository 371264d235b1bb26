#include "common/codepage.h"
#include "tests/support/qt_print.h"

#include <gtest/gtest.h>

TEST(CodePage, WindowsBytesWithBestFit)
{
    const struct {
        const char16_t *text;
        const char *bytes;
    } cases[] = {
        {u"ABC 123", "ABC 123"},
        {u"\u00d1and\u00fa", "\xd1"
                             "and"
                             "\xfa"}, // Ñ and ú have their own bytes
        {u"\u20ac", "\x80"},          // euro
        {u"\u2019", "\x92"},          // right single quote
        {u"\u0100", "A"},             // best fit drops the macron
        {u"\uff11", "1"},             // full-width digit fits to "1"
        {u"\u4e2d", "?"},             // no byte, no best fit
        {u"\U0001F600", "?"},         // one character beyond the basic plane
    };
    for (const auto &c : cases)
        EXPECT_EQ(ToSystemCodePage(QString::fromUtf16(c.text)), QByteArray(c.bytes));
}

TEST(CodePage, BytesBackToText)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = FromSystemCodePage(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text.at(0x80), QChar(0x20ac));
    EXPECT_EQ(text.at(0xd1), QChar(0x00d1));
    EXPECT_EQ(text.at(0x81), QChar(0x0081));
    EXPECT_EQ(ToSystemCodePage(text), all);
}

TEST(CodePage, UsAsciiBestFit)
{
    const struct {
        const char16_t *text;
        const char *bytes;
    } cases[] = {
        {u"Raz\u00f3n Social", "Razon Social"}, {u"\u00d1", "N"}, {u"\u2019", "'"}, {u"\u20ac", "?"},
        {u"plain (text)", "plain (text)"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ToUsAscii(QString::fromUtf16(c.text)), QByteArray(c.bytes));
}
