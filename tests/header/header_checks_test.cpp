#include "header/header_checks.h"

#include "common/errors.h"
#include "tests/support/qt_print.h"

#include <gtest/gtest.h>

namespace {

enum class Outcome { Accepted, Refused, ConversionError };

struct CheckCase {
    const char *name;
    QString text;
    Outcome outcome;
};

Outcome outcomeOf(bool (*check)(const QString &), const QString &text, QString *errorMessage)
{
    try {
        return check(text) ? Outcome::Accepted : Outcome::Refused;
    } catch (const ConversionError &error) {
        *errorMessage = error.message();
        return Outcome::ConversionError;
    }
}

std::string caseName(const testing::TestParamInfo<CheckCase> &info)
{
    return info.param.name;
}

class MonthCheck : public testing::TestWithParam<CheckCase> {};

TEST_P(MonthCheck, AcceptsOneToTwelve)
{
    QString message;
    EXPECT_EQ(outcomeOf(monthAccepted, GetParam().text, &message), GetParam().outcome);
    if (GetParam().outcome == Outcome::ConversionError) {
        EXPECT_EQ(message, "''" + GetParam().text + "'' is not a valid integer value");
    }
}

INSTANTIATE_TEST_SUITE_P(Header, MonthCheck,
                         testing::Values(CheckCase{"one", "1", Outcome::Accepted},
                                         CheckCase{"twelve", "12", Outcome::Accepted},
                                         CheckCase{"leading_zero", "07", Outcome::Accepted},
                                         CheckCase{"two_leading_zeros", "003", Outcome::Accepted},
                                         CheckCase{"leading_blank", " 5", Outcome::Accepted},
                                         CheckCase{"thirteen", "13", Outcome::Refused},
                                         CheckCase{"zero", "0", Outcome::Refused},
                                         CheckCase{"double_zero", "00", Outcome::Refused},
                                         CheckCase{"empty", "", Outcome::Refused},
                                         CheckCase{"blanks_only", "  ", Outcome::Refused},
                                         CheckCase{"tab_only", "\t", Outcome::Refused},
                                         CheckCase{"pasted_negative", "-3", Outcome::Refused},
                                         CheckCase{"pasted_minus_zero", "-0", Outcome::Refused},
                                         CheckCase{"largest_integer", "2147483647", Outcome::Refused},
                                         CheckCase{"trailing_blank", "5 ", Outcome::ConversionError},
                                         CheckCase{"letters", "abc", Outcome::ConversionError},
                                         CheckCase{"tab_before_digits", "\t5", Outcome::ConversionError},
                                         CheckCase{"beyond_32_bits", "2147483648", Outcome::ConversionError}),
                         caseName);

class YearCheck : public testing::TestWithParam<CheckCase> {};

TEST_P(YearCheck, Accepts2015To2025)
{
    QString message;
    EXPECT_EQ(outcomeOf(yearAccepted, GetParam().text, &message), GetParam().outcome);
    if (GetParam().outcome == Outcome::ConversionError) {
        EXPECT_EQ(message, "''" + GetParam().text + "'' is not a valid integer value");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Header, YearCheck,
    testing::Values(
        CheckCase{"first", "2015", Outcome::Accepted}, CheckCase{"last", "2025", Outcome::Accepted},
        CheckCase{"leading_zero", "02017", Outcome::Accepted}, CheckCase{"before", "2014", Outcome::Refused},
        CheckCase{"after", "2026", Outcome::Refused}, CheckCase{"two_digits", "17", Outcome::Refused},
        CheckCase{"empty", "", Outcome::Refused}, CheckCase{"blanks_only", "   ", Outcome::Refused},
        CheckCase{"inner_blank", "20 17", Outcome::ConversionError},
        CheckCase{"letters", "dos mil", Outcome::ConversionError},
        CheckCase{"beyond_32_bits", "99999999999", Outcome::ConversionError}),
    caseName);

} // namespace
