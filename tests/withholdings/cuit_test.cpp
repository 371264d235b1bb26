#include "withholdings/cuit.h"

#include "header/registry.h"
#include "tests/support/qt_print.h"

#include <gtest/gtest.h>

TEST(Cuit, CheckDigitAndPrefix)
{
    const struct {
        const char *cuit;
        bool valid;
    } cases[] = {
        {"20-12345678-6", true},
        {"20-43818624-8", true}, // from the agent registry
        {"30-22255705-0", true}, // from the agent registry
        {"23-00000000-0", true}, // eleven minus the remainder is 11: check 0
        {"20-40000000-0", true},
        {"20-00000001-9", true}, // eleven minus the remainder is 10: check 9
        {"20-00000001-0", false},
        {"23-00000000-1", false},
        {"20-12345678-9", false},
        {"20-12345678-7", false},
        {"24-12345678-1", true},
        {"25-12345678-8", true},
        {"26-12345678-4", true},
        {"27-12345678-0", true},
        {"33-12345678-0", true},
        {"34-12345678-7", true},
        {"50-12345678-2", true},
        {"51-12345678-9", true},
        {"55-12345678-4", true},
        // Right check digit, prefix the agency does not assign.
        {"21-12345678-2", false},
        {"22-12345678-9", false},
        {"10-12345678-0", false},
        {"99-12345678-1", false},
        // Not a CUIT at all.
        {"", false},
        {"20123456786", false}, // the declaration holds it with its hyphens
        {"2012345678", false},
        {"201234567866", false},
        {"20 12345678 6", false},
        {"20-1234567-86", false},
        {"20-12345678- ", false},
        {" 20123456786", false},
        {"2O123456786", false},
        {"20-12345678-6 ", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(isValidCuit(QString::fromUtf8(c.cuit)), c.valid) << c.cuit;
}

TEST(Cuit, CheckDigitOfTenDigits)
{
    EXPECT_EQ(cuitCheckDigit(QStringLiteral("2012345678")), 6);
    EXPECT_EQ(cuitCheckDigit(QStringLiteral("2300000000")), 0);
    EXPECT_EQ(cuitCheckDigit(QStringLiteral("2000000001")), 9);
    EXPECT_EQ(cuitCheckDigit(QStringLiteral("201234567")), -1);
    EXPECT_EQ(cuitCheckDigit(QStringLiteral("20-1234567")), -1);
}

// The header's CUIT comes from the registry and is never asked about.
TEST(Cuit, EveryRegistryCuitIsValid)
{
    for (const AgentRecord &r : builtInAgents())
        EXPECT_TRUE(isValidCuit(r.cuit)) << r.cuit.toStdString();
}
