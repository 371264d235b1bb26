#include "withholdings/sheet_import.h"

#include "declaration/declaration_file.h"
#include "tests/support/qt_print.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {
const DeclaredHeader March2017{QStringLiteral("30-70000001-2"), QStringLiteral("2017"), QStringLiteral("3")};

// A record of the declaration laid out by hand, column by column, for the header of March 2017
// of agent 30-70000001-2.
QString expectedRecord(const char *cuit, const char *date, const char *withheld, const char *receipt,
                       const QString &name, const char *invoice)
{
    return QLatin1String(cuit) + QStringLiteral("2017 3") + QLatin1String(date) + QLatin1String(withheld) +
           QLatin1String(receipt) + name.leftJustified(60, QLatin1Char(' ')) +
           QStringLiteral("30-70000001-2") + QStringLiteral("AGENTE").leftJustified(60, QLatin1Char(' ')) +
           QLatin1String(invoice);
}

QStringList declared(const QList<Withholding> &rows)
{
    const DeclarationHeader header{QStringLiteral("415"), QStringLiteral("3"), QStringLiteral("2017"),
                                   QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE")};
    QStringList records;
    for (const Withholding &row : rows)
        records << declarationRecord(row, header);
    return records;
}

SheetImport importBytes(const QByteArray &bytes, const SheetContext &context = {March2017, {}})
{
    const Sheet sheet = readSheet(bytes);
    const ColumnSearch search = findColumns(sheet.titles);
    EXPECT_TRUE(search.complete()) << sheet.titles.join(QLatin1Char('|')).toStdString();
    return convertSheet(sheet, search.choice, context);
}

const QString Munoz = QString::fromUtf8("MUÑOZ Y CÍA S.A.");
} // namespace

// Sheets as spreadsheets and accounting programs save them, each with the declaration it must give
// and the lines the clerk is shown.
TEST(SheetImport, RealLookingFilesGiveTheirDeclaration)
{
    const struct {
        const char *what;
        QByteArray bytes;
        QStringList records;
        QStringList review;
        bool disagree = false;
    } cases[] = {
        {"a spreadsheet in Argentina: a caption, semicolons, Windows-1252, CR LF, a total row",
         QByteArray("Retenciones de marzo 2017;;;;;\r\n"
                    "CUIT;Raz\xf3n Social;Fecha;Nro. Comprobante;Importe Comprobante;Importe Retenci\xf3n\r\n"
                    "20-12345678-6;MU\xd1OZ Y C\xcd"
                    "A S.A.;05/03/2017;0001-00000123;\"$ 12.345,67\";61,73\r\n"
                    "30-12345678-1;PEREZ JUAN;6/3/17;124;300,00;1,51\r\n"
                    ";;;;12.645,67;63,24\r\n"),
         {expectedRecord("20-12345678-6", "05032017", "00000006200", "0000100000123", Munoz, "00001234567"),
          expectedRecord("30-12345678-1", "06032017", "00000000200", "0000000000124",
                         QStringLiteral("PEREZ JUAN"), "00000030000")},
         {QString::fromUtf8("Línea 5: sin CUIT ni comprobante (un total), se omitió")}},
        {"a spreadsheet in English: commas, UTF-8 with its mark, quotes, ISO dates",
         QByteArray("\xEF\xBB\xBF"
                    "Fecha,Proveedor,CUIT,Comprobante,Importe,Retencion,Notes\n"
                    "2017-03-05,\"Smith, John \"\"Jr\"\"\",20123456786,123,\"1,234.56\",6.17,paid\n"
                    "2017-03-31,") +
             Munoz.toUtf8() + QByteArray(",30 12345678 1,99,500,2.50,\n"),
         {expectedRecord("20-12345678-6", "05032017", "00000000600", "0000000000123",
                         QStringLiteral("Smith, John \"Jr\""), "00000123456"),
          expectedRecord("30-12345678-1", "31032017", "00000000200", "0000000000099", Munoz, "00000050000")},
         {}},
        {"tabs, old Mac line ends, a name over two lines, a blank line, a line that does not read",
         QByteArray("cuit\tnombre\tfecha\tnumero\tbase\tretenido\r"
                    "20123456786\t\"ACME\rSUR\"\t05.03.2017\t7\t1234,5\t6\r"
                    "\r"
                    "30123456781\tOTRO\t31/02/2017\t8\t100\t0\r"
                    "30123456781\tOTRO\t01/03/2017\t9\t1.000\t5\r"),
         {expectedRecord("20-12345678-6", "05032017", "00000000600", "0000000000007",
                         QStringLiteral("ACME SUR"), "00000123450"),
          expectedRecord("30-12345678-1", "01032017", "00000000500", "0000000000009", QStringLiteral("OTRO"),
                         "00000100000")},
         {QString::fromUtf8("Línea 4: en blanco, se omitió"),
          QString::fromUtf8("Línea 5: fecha \"31/02/2017\" no válida; no se importó")}},
        {"an accounting export: other order and case, extra columns, checks to look at",
         QByteArray(
             "ID;IMPORTE RETENIDO;NRO COMPROBANTE;FECHA RETENCION;RAZON SOCIAL;MONTO;C.U.I.T.;CUIT Agente\n"
             "1;70,00;500;15/03/2017;MALO;14.000,00;20-12345678-0;30-70000001-2\n"
             "2;70,00;500;15/02/2017;BUENO;14.000,00;20-12345678-6;30-70000009-9\n"),
         {expectedRecord("20-12345678-0", "15032017", "00000007000", "0000000000500", QStringLiteral("MALO"),
                         "00001400000"),
          expectedRecord("20-12345678-6", "15022017", "00000007000", "0000000000500", QStringLiteral("BUENO"),
                         "00001400000")},
         {QString::fromUtf8("Línea 2, Comprobante 500: CUIT 20-12345678-0 inválido"),
          QString::fromUtf8("Línea 3, Comprobante 500: período 2/2017, se declara 3/2017; CUIT del agente "
                            "30-70000009-9, se declara 30-70000001-2; comprobante repetido (línea 2)")}},
        {"a withheld amount the rate does not give",
         QByteArray("CUIT;Empresa;Fecha;Comprobante;Base;Retencion\n"
                    "20-12345678-6;ACME;05/03/2017;1;12345,67;62,51\n"),
         {expectedRecord("20-12345678-6", "05032017", "00000006300", "0000000000001", QStringLiteral("ACME"),
                         "00001234567")},
         {},
         true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const SheetImport imported = importBytes(c.bytes);
        EXPECT_EQ(declared(imported.rows), c.records);
        EXPECT_EQ(imported.review, c.review);
        EXPECT_EQ(imported.amountsDisagree(), c.disagree);
    }
}

// The register and the total take the rows as manual entry would have typed them.
TEST(SheetImport, RowsAreTheGridsTexts)
{
    const SheetImport imported = importBytes("CUIT;Empresa;Fecha;Comprobante;Base;Retencion\n"
                                             "20123456786;ACME;5/3/17;0001-00000123;$ 1.234,5;6,17\n");
    ASSERT_EQ(imported.rows.size(), 1);
    EXPECT_EQ(imported.rows[0], (Withholding{QStringLiteral("000100000123"), QStringLiteral("05/03/2017"),
                                             QStringLiteral("1234.50"), QStringLiteral("6"),
                                             QStringLiteral("ACME"), QStringLiteral("20-12345678-6")}));
}

// A receipt the grid already holds is shown, and the row still comes.
TEST(SheetImport, ReceiptAlreadyInTheGrid)
{
    const SheetContext context{March2017,
                               [](const QString &receipt) { return receipt == QStringLiteral("7"); }};
    const SheetImport imported = importBytes("CUIT;Empresa;Fecha;Comprobante;Base;Retencion\n"
                                             "20123456786;ACME;5/3/17;7;1000;5\n",
                                             context);
    EXPECT_EQ(imported.rows.size(), 1);
    EXPECT_EQ(imported.review,
              QStringList{QString::fromUtf8("Línea 2, Comprobante 7: comprobante ya cargado en la grilla")});
}

// A name is kept as the sheet writes it, within what the declaration can hold.
TEST(SheetImport, NamesTheDeclarationCanHold)
{
    const QString longName = QStringLiteral("X").repeated(70);
    const SheetImport imported = importBytes(
        QByteArray("CUIT;Empresa;Fecha;Comprobante;Base;Retencion\n") + "20123456786;" + longName.toUtf8() +
        ";5/3/17;1;1000;5\n" + "20123456786;" + QString::fromUtf8("ŁÓDŹ €").toUtf8() + ";5/3/17;2;1000;5\n");
    ASSERT_EQ(imported.rows.size(), 2);
    EXPECT_EQ(imported.rows[0].companyName, QStringLiteral("X").repeated(60));
    EXPECT_EQ(imported.rows[1].companyName, QString::fromUtf8("LÓDZ €"));
    EXPECT_EQ(imported.review,
              (QStringList{QString::fromUtf8("Línea 2, Comprobante 1: razón social cortada a 60 caracteres"),
                           QString::fromUtf8(
                               "Línea 3, Comprobante 2: razón social con caracteres cambiados: LÓDZ €")}));
}

TEST(SheetImport, TellsSheetsFromDeclarations)
{
    const struct {
        QByteArray bytes;
        bool sheet;
    } cases[] = {
        {"CUIT;Razon Social;Fecha\r\n1;2;3\r\n", true},
        {"\xEF\xBB\xBF"
         "Proveedor,Importe\n",
         true},
        {"\r\n\r\nA\tB\tC\n", true}, // titles the import does not know, no digit: the window asks
        {"Retenciones 3/2017\nCUIT,Importe,X\n", true}, // a caption above the titles
        {"Columna 1;Columna 2\n", false},               // numbered titles it does not know
        {"CUIT\n20123456786\n", false},                 // one column
        {"30-12345678-1 2017 305032017000000061730000000000123PEREZ, JUAN", false},
        {"", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(looksLikeSheet(c.bytes), c.sheet) << c.bytes.toStdString();
}
