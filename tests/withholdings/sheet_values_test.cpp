#include "withholdings/sheet_columns.h"
#include "withholdings/sheet_reader.h"
#include "withholdings/sheet_values.h"

#include "tests/support/qt_print.h"

#include <gtest/gtest.h>

namespace {
QList<QStringView> views(const QStringList &texts)
{
    return QList<QStringView>(texts.begin(), texts.end());
}

constexpr NumberFormat Comma = NumberFormat::CommaDecimal;
constexpr NumberFormat Dot = NumberFormat::DotDecimal;
} // namespace

TEST(SheetValues, NumberFormatOfTheWholeFile)
{
    const struct {
        QStringList amounts;
        NumberFormat format;
    } cases[] = {
        {{QStringLiteral("1.234,56")}, Comma},
        {{QStringLiteral("1,234.56")}, Dot},
        {{QStringLiteral("1234,5")}, Comma},
        {{QStringLiteral("$ 1234.56")}, Dot},
        {{QStringLiteral("1.234.567")}, Comma},
        {{QStringLiteral("1,234,567")}, Dot},
        // A lone "1.234" goes by the file's other numbers...
        {{QStringLiteral("1.234"), QStringLiteral("6,17")}, Comma},
        {{QStringLiteral("1.234"), QStringLiteral("6.17")}, Dot},
        // ... and groups thousands when nothing else tells.
        {{QStringLiteral("1.234"), QStringLiteral("500")}, Comma},
        {{QStringLiteral("1,234"), QStringLiteral("500")}, Dot},
        {{}, Comma},
    };
    for (const auto &c : cases)
        EXPECT_EQ(decideNumberFormat(views(c.amounts)), c.format)
            << c.amounts.join(QLatin1Char(' ')).toStdString();
}

TEST(SheetValues, Amounts)
{
    const struct {
        const char *cell;
        NumberFormat format;
        const char *text;
        const char *problem;
    } cases[] = {
        {"1.234,56", Comma, "1234.56", ""},
        {"$ 1.234,56", Comma, "1234.56", ""},
        {"1234,5", Comma, "1234.50", ""},
        {"1,234.56", Dot, "1234.56", ""},
        {"1234.56", Dot, "1234.56", ""},
        {"  007 ", Dot, "7.00", ""},
        {",5", Comma, "0.50", ""},
        {"999.999.999,99", Comma, "999999999.99", ""},
        {"1.000.000.000", Comma, "", "\"1.000.000.000\" demasiado grande"},
        {"1.234", Dot, "", "\"1.234\" con más de dos decimales"},
        {"12.34,5", Comma, "", "\"12.34,5\" no válido"},
        {"1,2,3", Comma, "", "\"1,2,3\" no válido"},
        {"-5", Comma, "", "\"-5\" negativo"},
        {"(5,00)", Comma, "", "\"(5,00)\" negativo"},
        {"abc", Comma, "", "\"abc\" no válido"},
        {"1e5", Dot, "", "\"1e5\" no válido"},
        {"", Comma, "", "en blanco"},
    };
    for (const auto &c : cases) {
        const SheetAmount amount = sheetAmount(QString::fromUtf8(c.cell), c.format);
        EXPECT_EQ(amount.text, QLatin1String(c.text)) << c.cell;
        EXPECT_EQ(amount.problem, QString::fromUtf8(c.problem)) << c.cell;
    }
}

TEST(SheetValues, DatesCuitsReceipts)
{
    const struct {
        QString (*convert)(QStringView);
        const char *cell;
        const char *text;
    } cases[] = {
        {sheetDate, "05/03/2017", "05/03/2017"},
        {sheetDate, "5/3/17", "05/03/2017"},
        {sheetDate, "2017-03-05", "05/03/2017"},
        {sheetDate, "05-03-2017", "05/03/2017"},
        {sheetDate, "05/03/2017 00:00:00", "05/03/2017"},
        {sheetDate, "2017-03-05T10:00", "05/03/2017"},
        {sheetDate, "29/02/2016", "29/02/2016"},
        {sheetDate, "29/02/2017", ""},
        {sheetDate, "2017/13/01", ""},
        {sheetDate, "5/3/201", ""},
        {sheetDate, "05032017", ""},
        {sheetDate, "", ""},
        {sheetCuit, "20-12345678-6", "20-12345678-6"},
        {sheetCuit, "20123456786", "20-12345678-6"},
        {sheetCuit, "20.123.456.786", "20-12345678-6"},
        {sheetCuit, "2012345678", ""},
        {sheetCuit, "20-12345678-6X", ""},
        {sheetReceipt, "123", "123"},
        {sheetReceipt, "0001-00000123", "000100000123"},
        {sheetReceipt, "1234567890123", "1234567890123"},
        {sheetReceipt, "12345678901234", ""},
        {sheetReceipt, "000", ""},
        {sheetReceipt, "A-0001-123", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.convert(QString::fromUtf8(c.cell)), QLatin1String(c.text)) << c.cell;
}

TEST(SheetColumns, FoundByTheirTitles)
{
    const QStringList titles{
        QStringLiteral("Nº"),      QString::fromUtf8("IMPORTE RETENCIÓN"), QStringLiteral("Nro. Comprobante"),
        QStringLiteral(" fecha "), QString::fromUtf8("Razón  Social"),     QStringLiteral("Importe"),
        QStringLiteral("C.U.I.T.")};
    const ColumnSearch search = findColumns(titles);
    EXPECT_TRUE(search.complete());
    EXPECT_EQ(search.choice, (ColumnChoice{6, 4, 3, 2, 5, 1, -1}));

    const ColumnSearch twice =
        findColumns({QStringLiteral("CUIT"), QStringLiteral("Fecha"), QStringLiteral("Fecha Retención"),
                     QStringLiteral("Proveedor"), QStringLiteral("Empresa"), QStringLiteral("Importe")});
    EXPECT_EQ(twice.missing, (QList<SheetField>{SheetField::Receipt, SheetField::WithheldAmount}));
    EXPECT_EQ(twice.claimedTwice, (QList<SheetField>{SheetField::CompanyName, SheetField::Date}));
}

// The clerk's choice comes back for the same titles only, and a damaged memory is no choice.
TEST(SheetColumns, RememberedChoices)
{
    const QStringList titles{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                             QStringLiteral("D"), QStringLiteral("E"), QStringLiteral("F")};
    const ColumnChoice choice{5, 4, 3, 2, 1, 0, -1};
    QByteArray memory = rememberChoice("garbage\nx\ty\n", titles, choice);
    EXPECT_EQ(rememberedChoice(memory, titles), choice);
    EXPECT_EQ(rememberedChoice(memory, titles.mid(1)), std::nullopt);

    const ColumnChoice other{0, 1, 2, 3, 4, 5, -1};
    memory = rememberChoice(memory, titles, other);
    EXPECT_EQ(rememberedChoice(memory, titles), other);
    EXPECT_EQ(memory.count(memory.first(memory.indexOf('\t') + 1)), 1); // one line per titles

    EXPECT_EQ(rememberedChoice("a;b;c;d;e;f\t0,0,1,2,3,4,-1\n", titles), std::nullopt); // a column twice
    EXPECT_EQ(rememberedChoice("a;b;c;d;e;f\t0,1,2,3,4,9,-1\n", titles), std::nullopt); // no such column
}

// Records keep the line an editor shows them on, whatever ends the lines, quoted line breaks
// included; the text is read in the encoding its bytes have.
TEST(SheetReader, LinesAndEncodings)
{
    const Sheet sheet = readSheet("\r\nA;B\r\n1;\"x\r\ny\"\r\n\r\n2;z\n3;\"w\"\"\rv\"\r4;u");
    EXPECT_EQ(sheet.titleLine, 2);
    EXPECT_EQ(sheet.separator, ';');
    QList<int> lines;
    QStringList second;
    for (const SheetRecord &record : sheet.records) {
        lines << record.lineNumber;
        second << (record.fieldCount() > 1 ? record.field(1).toString() : QStringLiteral("-"));
    }
    EXPECT_EQ(lines, (QList<int>{3, 5, 6, 7, 9}));
    EXPECT_EQ(second, (QStringList{QStringLiteral("x\r\ny"), QStringLiteral("-"), QStringLiteral("z"),
                                   QStringLiteral("w\"\rv"), QStringLiteral("u")}));

    EXPECT_EQ(sheetEncoding("CUIT;Raz\xc3\xb3n"), SheetEncoding::Utf8);
    EXPECT_EQ(sheetEncoding("CUIT;Raz\xf3n"), SheetEncoding::Windows1252);
    EXPECT_EQ(sheetEncoding("\xEF\xBB\xBF"
                            "CUIT"),
              SheetEncoding::Utf8WithBom);
    EXPECT_EQ(readSheet("Raz\xf3n\tX").titles,
              (QStringList{QString::fromUtf8("Razón"), QStringLiteral("X")}));
    EXPECT_EQ(readSheet("\xEF\xBB\xBF"
                        "a,b;c,d")
                  .titles,
              (QStringList{QStringLiteral("a"), QStringLiteral("b;c"), QStringLiteral("d")}));
}
