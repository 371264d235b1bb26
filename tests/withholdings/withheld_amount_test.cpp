#include "withholdings/withheld_amount.h"

#include "common/numbers.h"

#include <gtest/gtest.h>

TEST(WithheldAmount, FiveThousandthsWithFractionAboveOneHalfCarried)
{
    const struct {
        const char *invoice;
        qint32 withheld;
    } cases[] = {
        {"1000", 5},   {"12345.67", 62}, {"100.00", 0}, // exactly one half is dropped
        {"100.02", 1}, {"300.00", 1},    {"199.99", 1}, {"0.01", 0}, {"300.20", 2}, {"999999999.99", 5000000},
    };
    for (const auto &c : cases)
        EXPECT_EQ(withheldAmount(ParseDecimal(QString::fromLatin1(c.invoice))), c.withheld) << c.invoice;
}

TEST(InvoiceAmountInRange, NineWholeDigitsAtMost)
{
    const struct {
        const char *invoice;
        bool inRange;
    } cases[] = {
        {"0.01", true},
        {"999999999.99", true},
        {"1000000000.00", false},
        {"12345678901", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(invoiceAmountInRange(ParseDecimal(QString::fromLatin1(c.invoice))), c.inRange) << c.invoice;
}
