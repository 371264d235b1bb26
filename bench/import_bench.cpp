// Importing a 500-line declaration-format file, without the file-open dialog: reading and
// converting every line, and that plus appending the rows to the grid with its total.
#include "common/text_file.h"
#include "declaration/declaration_file.h"
#include "withholdings/declaration_import.h"
#include "withholdings/grid_model.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {
constexpr int RecordCount = 500;

QString writeFile(const QTemporaryDir &dir)
{
    const DeclarationHeader header{QStringLiteral("415"), QStringLiteral("3"), QStringLiteral("2017"),
                                   QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE DE PRUEBA SRL")};
    QList<Withholding> rows;
    for (int i = 1; i <= RecordCount; ++i) {
        const int invoice = 1000 + i * 37;
        rows.append({QString::number(i), QStringLiteral("15/03/2017"),
                     QString::number(invoice) + QStringLiteral(".45"), QString::number(invoice / 200),
                     QStringLiteral("PROVEEDOR NUMERO %1 S.A.").arg(i), QStringLiteral("30-12345678-9")});
    }
    const QString path = dir.filePath(QStringLiteral("export.txt"));
    TextFile f;
    writeDeclarationFile(f, path, header, rows);
    return path;
}

void ImportFile500(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir);
    TextFile ff;
    for (auto _ : state) {
        const ImportedFile imported = importDeclarationFile(ff, path);
        if (imported.rows.size() != RecordCount || imported.amountsDisagree())
            state.SkipWithError("the file did not import cleanly");
        benchmark::DoNotOptimize(imported.rows.size());
    }
    state.SetItemsProcessed(state.iterations() * RecordCount);
}

void ImportFileIntoGrid500(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir);
    TextFile ff;
    GridModel grid;
    for (auto _ : state) {
        grid.reset();
        const ImportedFile imported = importDeclarationFile(ff, path);
        for (const Withholding &row : imported.rows)
            grid.append(row);
        benchmark::DoNotOptimize(grid.totalText());
    }
    state.SetItemsProcessed(state.iterations() * RecordCount);
}
} // namespace

BENCHMARK(ImportFile500)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(ImportFileIntoGrid500)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
