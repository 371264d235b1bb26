#include "withholdings/manual_entry.h"

#include "common/errors.h"
#include "tests/support/qt_print.h"

#include <gtest/gtest.h>

TEST(DateProblems, MessagesInTheirOrder)
{
    const struct {
        const char *name;
        const char *date, *month, *year;
        QStringList problems;
    } cases[] = {
        {"same period", "15032017", "3", "2017", {}},
        {"declared with blanks and a zero", "15032017", " 03 ", "2017", {}},
        {"month differs", "15032017", "4", "2017", {DateMonthMessage}},
        {"year differs", "15032017", "3", "2018", {DateYearMessage}},
        {"both differ, month first", "15032017", "4", "2018", {DateMonthMessage, DateYearMessage}},
        {"day not checked", "31022017", "2", "2017", {}},
        {"day 00", "00022017", "02", "2017", {}},
        // __/03/2017 has the value 032017: month 20 and year 17.
        {"blank day", "032017", "3", "2017", {DateMonthMessage, DateYearMessage}},
        {"untouched", "", "3", "2017", {DateErrorMessage}},
        {"blanks only", "  ", "3", "2017", {DateErrorMessage}},
        // 15/__/2017 and a year alone name no month: refused, not passed by a conversion error.
        {"blank month", "15  2017", "3", "2017", {DateErrorMessage}},
        {"year only", "2017", "3", "2017", {DateErrorMessage}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(dateProblems(QString::fromLatin1(c.date), QString::fromLatin1(c.month),
                               QString::fromLatin1(c.year)),
                  c.problems)
            << c.name;
    }
}

// ADICIONA appends only what the checks of the date and the invoice amount let through, with
// the withheld amount of the invoice amount now in its box.
TEST(EntryAddition, RowOrTheBoxAndItsMessages)
{
    const struct {
        const char *name;
        const char *date, *invoice, *withheld;
        EntryBox refused;
        QStringList messages;
        const char *rowDate, *rowInvoice, *rowWithheld;
    } cases[] = {
        {"checked entry", "15032017", "12345.67", "62", EntryBox::None, {}, "15/03/2017", "12345.67", "62"},
        {"date never typed into", "", "1000.00", "5", EntryBox::None, {}, "//", "1000.00", "5"},
        {"amount typed over, not left",
         "15032017",
         "1000",
         "62",
         EntryBox::None,
         {},
         "15/03/2017",
         "1000.00",
         "5"},
        {"blank month", "15  2017", "1000.00", "5", EntryBox::Date, {DateErrorMessage}, {}, {}, {}},
        {"other month", "15042017", "1000.00", "5", EntryBox::Date, {DateMonthMessage}, {}, {}, {}},
        {"blank day",
         "032017",
         "1000.00",
         "5",
         EntryBox::Date,
         {DateMonthMessage, DateYearMessage},
         {},
         {},
         {}},
        {"amount 0 left",
         "15032017",
         "0.00",
         "62",
         EntryBox::InvoiceAmount,
         {AmountNotPositiveMessage},
         {},
         {},
         {}},
        {"amount too large",
         "15032017",
         "1000000000",
         "5",
         EntryBox::InvoiceAmount,
         {AmountOutOfRangeMessage},
         {},
         {},
         {}},
        {"amount no number", "15032017", "1,5", "62", EntryBox::InvoiceAmount, {}, {}, {}, {}},
    };
    for (const auto &c : cases) {
        const ManualEntry entry{"20123456786", "A", c.date, "123", c.invoice, c.withheld};
        const EntryAddition addition = entryAddition(entry, QStringLiteral("3"), QStringLiteral("2017"));
        EXPECT_EQ(addition.refusedBox, c.refused) << c.name;
        EXPECT_EQ(addition.messages, c.messages) << c.name;
        EXPECT_EQ(addition.conversionError.isEmpty(), std::string(c.name) != "amount no number") << c.name;
        if (addition.accepted()) {
            EXPECT_EQ(addition.row,
                      (Withholding{"123", c.rowDate, c.rowInvoice, c.rowWithheld, "A", "20-12345678-6"}))
                << c.name;
        }
    }
}

TEST(CheckInvoiceAmount, FormattedTextAndWithheldAmountOrProblem)
{
    const struct {
        const char *typed, *formatted, *withheld;
        QString problem;
    } cases[] = {
        {"1000", "1000.00", "5", {}},
        {"12345.67", "12345.67", "62", {}},
        {"100.00", "100.00", "0", {}},
        {"100.02", "100.02", "1", {}},
        {"300.00", "300.00", "1", {}},
        {"199.99", "199.99", "1", {}},
        {"0.01", "0.01", "0", {}},
        {"1234.5", "1234.50", "6", {}},
        {"999999999.99", "999999999.99", "5000000", {}},
        {"", "0.00", "", AmountNotPositiveMessage},
        {"   ", "0.00", "", AmountNotPositiveMessage},
        {"0", "0.00", "", AmountNotPositiveMessage},
        {"-5", "-5.00", "", AmountNotPositiveMessage},
        {"1000000000", "1000000000.00", "", AmountOutOfRangeMessage},
    };
    for (const auto &c : cases) {
        const InvoiceAmountCheck check = checkInvoiceAmount(QString::fromLatin1(c.typed));
        EXPECT_EQ(check.formatted, QString::fromLatin1(c.formatted)) << c.typed;
        EXPECT_EQ(check.withheld, QString::fromLatin1(c.withheld)) << c.typed;
        EXPECT_EQ(check.problem, c.problem) << c.typed;
    }
    for (const char *text : {"1,000", "1.2.3", "abc"})
        EXPECT_THROW(checkInvoiceAmount(QString::fromLatin1(text)), ConversionError) << text;
}

TEST(RequiredFields, LegajoReceiptCuitAndWithheldAmount)
{
    const ManualEntry full{QStringLiteral("20123456786"), QString(), QString(),
                           QStringLiteral("123"),         QString(), QStringLiteral("5")};
    EXPECT_TRUE(requiredFieldsPresent(QStringLiteral("415"), full));
    // A blank counts as something typed.
    EXPECT_TRUE(requiredFieldsPresent(QStringLiteral(" "), full));

    ManualEntry noCuit = full, noReceipt = full, noWithheld = full;
    noCuit.supplierCuit.clear();
    noReceipt.receipt.clear();
    noWithheld.withheldAmount.clear();
    EXPECT_FALSE(requiredFieldsPresent(QStringLiteral("415"), noCuit));
    EXPECT_FALSE(requiredFieldsPresent(QStringLiteral("415"), noReceipt));
    EXPECT_FALSE(requiredFieldsPresent(QStringLiteral("415"), noWithheld));
    EXPECT_FALSE(requiredFieldsPresent(QString(), full));
}

TEST(ManualRow, TextsTrimmedDateAndCuitPunctuated)
{
    const struct {
        ManualEntry entry;
        Withholding row;
    } cases[] = {
        {{"20123456786", " FERRETERIA ", "05032017", " 123 ", "12345.67", "62"},
         {"123", "05/03/2017", "12345.67", "62", "FERRETERIA", "20-12345678-6"}},
        // An untouched date and no company name still make a row.
        {{"30111111118", "", "", "124", "0.01", "0"}, {"124", "//", "0.01", "0", "", "30-11111111-8"}},
        // Only the year typed: the value is the year, cut as it stands.
        {{"30111111118", "A", "2017", "1", "1.00", "0"}, {"1", "20/17/", "1.00", "0", "A", "30-11111111-8"}},
        // A CUIT cut short keeps its dashes.
        {{"2012", "A", "15032017", "1", "1.00", "0"}, {"1", "15/03/2017", "1.00", "0", "A", "20-12-"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(manualRow(c.entry), c.row) << c.entry.supplierCuit.toStdString();
}
