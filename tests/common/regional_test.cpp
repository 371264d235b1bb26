#include "common/numbers.h"
#include "common/regional.h"

#include "tests/support/qt_print.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

// Off Windows there are no regional settings to follow: start-up keeps the decimal point (or
// the separator the program set), even on a desktop whose language writes a decimal comma.
TEST(RegionalSettings, StartUpOffWindowsKeepsTheSeparatorInForce)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Windows takes the user's own settings";
#endif
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
    for (const QChar separator : {QLatin1Char('.'), QLatin1Char(',')}) {
        SetDecimalSeparator(separator);
        FollowRegionalSettings();
        EXPECT_EQ(DecimalSeparator(), separator);
        EXPECT_EQ(ThousandsSeparator(), QLatin1Char(','));
    }
    SetDecimalSeparator(QLatin1Char('.'));
    QLocale::setDefault(before);
    EXPECT_EQ(DecimalText(1234.5L), QStringLiteral("1234.5"));
}

} // namespace
