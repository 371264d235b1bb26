// Importing a 50,000-line sheet saved as CSV by a spreadsheet in Argentina (semicolons,
// Windows-1252, quoted names, "$ 1.234,56", a total row), without the file-open dialog: the file
// read, told from a declaration, its columns found and every record converted and checked; and
// that plus the appends to the grid with its total. The rows are compared with the ones the
// generator meant before anything is timed.
#include "common/text_file.h"
#include "withholdings/declaration_import.h"
#include "withholdings/grid_model.h"
#include "withholdings/sheet_import.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr int LineCount = 50000;
constexpr int Suppliers = 5000;

// A CUIT with its check digit worked out here, from the published weights.
QString supplierCuit(int n)
{
    const QString ten = QStringLiteral("20") + QString::number(10000000 + n * 7919 % 89999999);
    static const int weights[] = {5, 4, 3, 2, 7, 6, 5, 4, 3, 2};
    int sum = 0;
    for (int i = 0; i < 10; ++i)
        sum += (ten[i].unicode() - '0') * weights[i];
    int check = 11 - sum % 11;
    check = check == 11 ? 0 : check == 10 ? 9 : check;
    return ten.first(2) + QLatin1Char('-') + ten.sliced(2) + QLatin1Char('-') + QString::number(check);
}

// 123456 cents as "$ 1.234,56".
QByteArray argentineAmount(qint64 cents)
{
    QByteArray whole = QByteArray::number(cents / 100);
    for (qsizetype at = whole.size() - 3; at > 0; at -= 3)
        whole.insert(at, '.');
    return "$ " + whole + ',' + QByteArray::number(cents % 100).rightJustified(2, '0');
}

struct Generated {
    QByteArray bytes;
    QList<Withholding> rows;
};

Generated generate()
{
    Generated g;
    g.bytes = "Fecha;CUIT;Raz\xf3n Social;Nro. Comprobante;Importe Comprobante;Importe "
              "Retenci\xf3n;Observaciones\r\n";
    qint64 totalCents = 0;
    for (int i = 1; i < LineCount; ++i) {
        const int supplier = i % Suppliers;
        const qint64 invoice = 100000 + qint64(i) * 3737;
        const qint64 withheld = invoice * 5 / 1000; // hundredths truncated: same whole part as the rate
        const qint64 declared = withheld / 100 + (withheld % 100 > 50 ? 1 : 0);
        const QString cuit = supplierCuit(supplier);
        const QString name = QString::fromUtf8("PROVEEDOR %1; MUÑOZ Y CÍA S.A.").arg(supplier);
        const int day = 1 + i % 28;
        QByteArray line = QByteArray::number(day).rightJustified(2, '0') + "/03/2017;" + cuit.toLatin1() +
                          ";\"" + name.toLatin1() + "\";0001-" +
                          QByteArray::number(i).rightJustified(8, '0') + ";\"" + argentineAmount(invoice) +
                          "\";" + argentineAmount(withheld) + ";\r\n";
        // Windows-1252 is Latin-1 for these letters.
        g.bytes += line;
        g.rows.append({QStringLiteral("0001") + QString::number(i).rightJustified(8, QLatin1Char('0')),
                       QString::number(day).rightJustified(2, QLatin1Char('0')) + QStringLiteral("/03/2017"),
                       QString::number(invoice / 100) + QLatin1Char('.') +
                           QString::number(invoice % 100).rightJustified(2, QLatin1Char('0')),
                       QString::number(declared), name, cuit});
        totalCents += invoice;
    }
    g.bytes += ";;TOTAL;;" + argentineAmount(totalCents) + ";;\r\n";
    return g;
}

const SheetContext Context{{QStringLiteral("30-70000001-2"), QStringLiteral("2017"), QStringLiteral("3")},
                           {}};

SheetImport importPath(TextFile &ff, const QString &path)
{
    const QByteArray bytes = loadImportedFile(ff, path);
    if (!looksLikeSheet(bytes))
        return {};
    const Sheet sheet = readSheet(bytes);
    return convertSheet(sheet, findColumns(sheet.titles).choice, Context);
}

struct File {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("retenciones.csv"));
    File()
    {
        const Generated g = generate();
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(g.bytes) != g.bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
        f.close();
        // The answer is checked once before it is timed.
        TextFile ff;
        const SheetImport imported = importPath(ff, path);
        const QStringList review{
            QStringLiteral("Línea %1: sin CUIT ni comprobante (un total), se omitió").arg(LineCount + 1)};
        if (imported.rows != g.rows || imported.amountsDisagree() || imported.review != review) {
            std::fprintf(stderr, "the sheet did not import as generated: %lld rows of %lld, %lld to review\n",
                         static_cast<long long>(imported.rows.size()), static_cast<long long>(g.rows.size()),
                         static_cast<long long>(imported.review.size()));
            std::exit(1);
        }
    }
};

File &file()
{
    static File f;
    return f;
}

void ImportSheet50000(benchmark::State &state)
{
    TextFile ff;
    for (auto _ : state) {
        const SheetImport imported = importPath(ff, file().path);
        if (imported.rows.size() != LineCount - 1)
            state.SkipWithError("the sheet did not import");
        benchmark::DoNotOptimize(imported.rows.size());
    }
    state.SetItemsProcessed(state.iterations() * LineCount);
}

void ImportSheetIntoGrid50000(benchmark::State &state)
{
    TextFile ff;
    GridModel grid;
    for (auto _ : state) {
        grid.reset();
        const SheetImport imported = importPath(ff, file().path);
        grid.appendAll(imported.rows);
        if (grid.Fila() != LineCount)
            state.SkipWithError("the rows did not reach the grid");
        benchmark::DoNotOptimize(grid.totalText());
    }
    state.SetItemsProcessed(state.iterations() * LineCount);
}
// What every declaration-format import now pays first: telling its 50,000 lines (9.9 MB) from a
// sheet.
void TellDeclarationFromSheet50000(benchmark::State &state)
{
    QByteArray declaration;
    const QByteArray record = QByteArray("20-12345678-62017 305032017000000062000000100000123") +
                              QByteArray("PEREZ, JUAN").leftJustified(60, ' ') + "30-70000001-2" +
                              QByteArray("AGENTE").leftJustified(60, ' ') + "00001234567\r\r\n";
    for (int i = 0; i < LineCount; ++i)
        declaration += record;
    if (looksLikeSheet(declaration))
        state.SkipWithError("a declaration taken for a sheet");
    for (auto _ : state)
        benchmark::DoNotOptimize(looksLikeSheet(declaration));
}
} // namespace

BENCHMARK(TellDeclarationFromSheet50000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(ImportSheet50000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(ImportSheetIntoGrid50000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
