#include "withholdings/declaration_import.h"

#include "common/errors.h"
#include "common/text_file.h"
#include "declaration/declaration_file.h"
#include "tests/support/qt_print.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
// A record of March 2017 as the writer lays it out (columns 1 to 195).
QString record(const char *receipt, const char *withheld, const char *invoice, const char *date = "05032017",
               const char *name = "PROVEEDOR")
{
    return QStringLiteral("30-12345678-9") + QStringLiteral("2017 3") + QLatin1String(date) +
           QLatin1String(withheld) + QLatin1String(receipt) +
           QString::fromLatin1(name).leftJustified(60, QLatin1Char(' ')) + QStringLiteral("30-70000001-2") +
           QStringLiteral("AGENTE").leftJustified(60, QLatin1Char(' ')) + QLatin1String(invoice);
}

QByteArray bytesOf(const QStringList &lines, const QByteArray &lineEnd)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toLatin1() + lineEnd;
    return bytes;
}

class ImportFile : public ::testing::Test {
protected:
    void write(const QByteArray &bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("export.txt"));
    TextFile ff;
};
} // namespace

// The check takes the whole part of the stored amount; it agrees with the truncated rate or
// with manual entry's rounding. The grid gets the stored amount rounded to a whole number.
TEST(ImportLine, CheckAndGridAmount)
{
    const struct {
        const char *withheld;
        const char *invoice;
        bool agrees;
        const char *gridAmount;
        const char *expected; // shown in the details when the line disagrees
    } cases[] = {
        {"00000006173", "00001234567", true, "62", nullptr},      // 61.73 for 12345.67: x = 61.72835
        {"00000006200", "00001234567", true, "62", nullptr},      // what this program writes for 12345.67
        {"00000006100", "00001234567", true, "61", nullptr},      // truncated
        {"00000006240", "00001234567", true, "62", nullptr},      // rounds to manual entry's 62
        {"00000006251", "00001234567", false, "63", "62"},        // would be declared as 63
        {"00000006299", "00001234567", false, "63", "62"},        //
        {"00000006300", "00001234567", false, "63", "62"},        // neither
        {"00000007000", "00001234567", false, "70", "62"},        //
        {"00000000150", "00000030000", true, "1", nullptr},       // x = 1.5: one half is dropped
        {"00000000151", "00000030000", true, "2", nullptr},       // above one half adds one
        {"00000000000", "00000010000", true, "0", nullptr},       // x = 0.5
        {"00000000100", "00000010002", true, "1", nullptr},       // x = 0.5001 rounds up
        {"00000000500", "00000100000", true, "5", nullptr},       //
        {"00000000100", "00000000001", false, "1", "0"},          // 0.01 withholds nothing
        {"00500000000", "99999999999", true, "5000000", nullptr}, // the largest amounts a field holds
        // No rule gives a negative amount, even where the whole parts agree.
        {"-0000006100", "-0001234567", false, "-61", "-61"},
        {"00000000000", "-0000000001", false, "0", "0"},
        {"-0000000040", "00000000001", false, "0", "0"},
    };
    for (const auto &c : cases) {
        const std::optional<ImportedLine> line =
            importLine(record("0000000000123", c.withheld, c.invoice), 7);
        ASSERT_TRUE(line.has_value()) << c.withheld << " " << c.invoice;
        EXPECT_EQ(line->row.withheldAmount, QLatin1String(c.gridAmount)) << c.withheld << " " << c.invoice;
        EXPECT_EQ(!line->mismatch, c.agrees) << c.withheld << " " << c.invoice;
        if (line->mismatch) {
            EXPECT_EQ(line->mismatch->lineNumber, 7);
            EXPECT_EQ(line->mismatch->expectedAmount, QLatin1String(c.expected));
        }
    }
}

// The cells of a row, and the date taken from the record's own date field: columns 14-21
// would turn 05/03/2017 into "05/ 3/2017", which a confirmed import then writes as "05 32017".
TEST(ImportLine, CellsAndDate)
{
    const struct {
        const char *date;
        const char *dateCell;
    } cases[] = {{"05032017", "05/03/2017"},
                 {"31122017", "31/12/2017"},
                 // A blank date field has no date, and an empty cell writes it back blank.
                 {"        ", ""}};
    for (const auto &c : cases) {
        const std::optional<ImportedLine> line =
            importLine(record("0000000000123", "00000006200", "00001234567", c.date, "  FERRETERIA SA  "));
        ASSERT_TRUE(line.has_value());
        const Withholding expected = {QStringLiteral("0000000000123"), QLatin1String(c.dateCell),
                                      QStringLiteral("000012345.67"),  QStringLiteral("62"),
                                      QStringLiteral("FERRETERIA SA"), QStringLiteral("30-12345678-9")};
        EXPECT_EQ(line->row, expected) << c.date;
    }
}

// A line cut inside the receipt number keeps what is there; the missing invoice amount
// reads as 0, so a stored withheld amount disagrees.
TEST(ImportLine, LineCutShort)
{
    const std::optional<ImportedLine> line =
        importLine(record("1234567890123", "00000006200", "00001234567").left(45));
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->row.receipt, QStringLiteral("1234567"));
    EXPECT_EQ(line->row.invoiceAmount, QStringLiteral("."));
    EXPECT_EQ(line->row.companyName, QString());
    ASSERT_TRUE(line->mismatch.has_value());
    EXPECT_EQ(line->mismatch->expectedAmount, QStringLiteral("0"));
}

// A receipt number of 0 or less skips the line before anything else is converted.
TEST(ImportLine, SkippedLines)
{
    for (const char *receipt : {"0000000000000", "-000000000001", "           +0"}) {
        EXPECT_FALSE(importLine(record(receipt, "00000006200", "00001234567")).has_value()) << receipt;
        EXPECT_FALSE(importLine(record(receipt, "NOTANUMBER!", "xxxxxxxxxxx")).has_value()) << receipt;
    }
}

// Receipts as manual entry takes them, up to 13 digits, import like any other.
TEST(ImportLine, ThirteenDigitReceipts)
{
    for (const char *receipt : {"0002200001234", "0002147483648", "9999999999999"}) {
        const std::optional<ImportedLine> line = importLine(record(receipt, "00000006200", "00001234567"));
        ASSERT_TRUE(line.has_value()) << receipt;
        EXPECT_EQ(line->row.receipt, QLatin1String(receipt));
    }
}

TEST(ImportLine, ConversionErrors)
{
    const struct {
        QString line;
        const char *message;
    } cases[] = {
        {QString(), "'''' is not a valid integer value"}, // an empty line
        {record("0000000000123", "00000006200", "00001234567").left(38), "'''' is not a valid integer value"},
        {record("123          ", "00000006200", "00001234567"),
         "''123          '' is not a valid integer value"},
        {record("0000000000123", "00000006200", "0000ABC4567"),
         "'0000ABC45.67' is not a valid floating point value"},
        {record("0000000000123", "0000006,200", "00001234567"),
         "'0000006,2.00' is not a valid floating point value"},
        // Both amounts bad: the invoice amount is converted first.
        {record("0000000000123", "0000006,200", "000012345,7"),
         "'000012345.,7' is not a valid floating point value"},
    };
    for (const auto &c : cases) {
        try {
            importLine(c.line);
            ADD_FAILURE() << "no error for " << c.line.toStdString();
        } catch (const ConversionError &e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(c.message)) << c.line.toStdString();
        }
    }
}

// LF, CR LF and the declaration's own CR CR LF read the same; so does a last line without
// a line end. A byte 26 at the start of a line ends the file.
TEST_F(ImportFile, LineEnds)
{
    const QStringList lines = {record("0000000000001", "00000006200", "00001234567"),
                               record("0000000000000", "00000000000", "00000000000"),
                               record("0000000000003", "00000000500", "00000100000")};
    for (const QByteArray &bytes :
         {bytesOf(lines, "\n"), bytesOf(lines, "\r\n"), bytesOf(lines, "\r\r\n"),
          bytesOf(lines, "\r\r\n").chopped(3), bytesOf(lines, "\r\n") + "\x1a" + bytesOf(lines, "\r\n")}) {
        write(bytes);
        const ImportedFile imported = importDeclarationFile(ff, path);
        EXPECT_FALSE(ff.isOpen());
        ASSERT_EQ(imported.rows.size(), 2) << bytes.toStdString();
        EXPECT_EQ(imported.rows[0].receipt, QStringLiteral("0000000000001"));
        EXPECT_EQ(imported.rows[1].receipt, QStringLiteral("0000000000003"));
        EXPECT_EQ(imported.rows[1].withheldAmount, QStringLiteral("5"));
        EXPECT_FALSE(imported.amountsDisagree());
    }
}

// Every line is read although the third disagrees; the details name it by its line number,
// counting the skipped line too.
TEST_F(ImportFile, MismatchDetails)
{
    write(bytesOf({record("0000000000001", "00000006200", "00001234567"),
                   record("0000000000000", "00000006200", "00001234567"),
                   record("0000000000003", "00000007000", "00001234567"),
                   record("0000000000004", "00000000500", "00000100000"),
                   record("0000000000005", "00000000900", "00000100000")},
                  "\r\r\n"));
    const ImportedFile imported = importDeclarationFile(ff, path);
    EXPECT_EQ(imported.rows.size(), 4);
    ASSERT_EQ(imported.mismatches.size(), 2);
    EXPECT_EQ(mismatchDetails(imported.mismatches),
              QString::fromUtf8("Línea 3, Comprobante 0000000000003: Importe Comp. 000012345.67, "
                                "Importe Ret. 000000070.00, corresponde 62\n"
                                "Línea 5, Comprobante 0000000000005: Importe Comp. 000001000.00, "
                                "Importe Ret. 000000009.00, corresponde 5"));
}

// A declaration this program wrote from manual entry imports without a mismatch, and written
// again from the imported rows it gives the same records: dates, amounts and all.
TEST_F(ImportFile, OwnDeclarationImportsCleanly)
{
    const DeclarationHeader header{QStringLiteral("415"), QStringLiteral("3"), QStringLiteral("2017"),
                                   QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE DE PRUEBA SRL")};
    const auto row = [](const char *receipt, const char *date, const char *invoice, const char *withheld) {
        return Withholding{QLatin1String(receipt),       QLatin1String(date),
                           QLatin1String(invoice),       QLatin1String(withheld),
                           QStringLiteral("FERRETERIA"), QStringLiteral("30-12345678-9")};
    };
    const QList<Withholding> rows = {
        row("123", "05/03/2017", "12345.67", "62"), row("124", "31/03/2017", "100.02", "1"),
        row("125", "01/03/2017", "100.00", "0"), row("126", "15/03/2017", "199.99", "1"),
        row("127", "09/03/2017", "999999999.99", "5000000")};
    TextFile f;
    writeDeclarationFile(f, path, header, rows);

    const ImportedFile imported = importDeclarationFile(ff, path);
    EXPECT_FALSE(imported.amountsDisagree()) << mismatchDetails(imported.mismatches).toStdString();
    ASSERT_EQ(imported.rows.size(), rows.size());

    const QString copy = dir.filePath(QStringLiteral("again.txt"));
    writeDeclarationFile(f, copy, header, imported.rows);
    QFile first(path), second(copy);
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    ASSERT_TRUE(second.open(QIODevice::ReadOnly));
    EXPECT_EQ(second.readAll(), first.readAll());
}
