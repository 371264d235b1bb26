#include "common/text_helpers.h"
#include "tests/support/qt_print.h"

#include <gtest/gtest.h>

#include <limits>

TEST(TrimBlanks, RemovesCodesUpTo32AtBothEnds)
{
    const struct {
        const char16_t *text;
        qsizetype length; // the texts hold NUL, so their length is given
        const char16_t *trimmed;
    } cases[] = {
        {u"\t \n", 3, u""},
        {u"\u00a0abc", 4, u"\u00a0abc"}, // a no-break space is no blank
        {u"  ab c\r\n", 8, u"ab c"},     // inner blanks stay
        {u"\0x\0", 3, u"x"},
        {u"\x1f!\x7f", 3, u"!\x7f"}, // 31 goes, 127 stays
        {u"", 0, u""},
        {u"\u3000a\u3000", 3, u"\u3000a\u3000"}, // ideographic space is above 32
    };
    for (const auto &c : cases)
        EXPECT_EQ(TrimBlanks(QString::fromUtf16(c.text, c.length)), QString::fromUtf16(c.trimmed));
}

TEST(SubText, ClampsStartAndCount)
{
    const struct {
        const char *text;
        qsizetype start;
        qsizetype count;
        const char *part;
    } cases[] = {
        {"20170315", 5, 4, "0315"},
        {"20170315", 9, 2, ""},
        {"20170315", 7, 10, "15"},
        {"20170315", 0, 2, "20"},
        {"20170315", -5, 3, "201"}, // start below 1 keeps the whole count
        {"20170315", 8, 1, "5"},
        {"20170315", 3, 0, ""},
        {"20170315", 3, -1, ""},
        {"abc", 2, 5, "bc"},
        {"abc", 0, 2, "ab"},
        {"abc", 1, std::numeric_limits<qsizetype>::max(), "abc"},
        {"", 1, 1, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SubText(QString::fromLatin1(c.text), c.start, c.count), QString::fromLatin1(c.part))
            << c.text << " from " << c.start << " count " << c.count;
}
