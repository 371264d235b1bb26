#include "common/text_file.h"
#include "declaration/declaration_file.h"
#include "withholdings/declaration_line.h"
#include "withholdings/grid_model.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {
constexpr int RecordCount = 500;

const DeclarationHeader header{QStringLiteral("415"), QStringLiteral("3"), QStringLiteral("2017"),
                               QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE DE PRUEBA SRL")};

QList<Withholding> manualRows()
{
    QList<Withholding> rows;
    for (int i = 1; i <= RecordCount; ++i) {
        const QString invoice = QString::number(1000 + i * 37) + QStringLiteral(".45");
        rows.append({QString::number(i), QStringLiteral("15/03/2017"), invoice,
                     QString::number((1000 + i * 37) / 200),
                     QStringLiteral("PROVEEDOR NUMERO %1 S.A.").arg(i), QStringLiteral("30-12345678-9")});
    }
    return rows;
}

void WriteDeclaration500(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("17300415.txt"));
    const QList<Withholding> rows = manualRows();
    TextFile f;
    for (auto _ : state)
        writeDeclarationFile(f, path, header, rows);
    state.SetItemsProcessed(state.iterations() * RecordCount);
}

void ReadDeclaration500(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("17300415.txt"));
    TextFile f;
    writeDeclarationFile(f, path, header, manualRows());
    for (auto _ : state) {
        const QList<DeclarationLine> lines = readDeclarationFile(f, path);
        benchmark::DoNotOptimize(lines.size());
    }
    state.SetItemsProcessed(state.iterations() * RecordCount);
}
// What "Carga Manual" does with the period's declaration: read and convert every line, then
// append the rows to an emptied grid, running total included.
void ReloadDeclaration500IntoGrid(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("17300415.txt"));
    TextFile f;
    writeDeclarationFile(f, path, header, manualRows());
    GridModel grid;
    for (auto _ : state) {
        grid.reset();
        const QList<DeclarationLine> lines = readDeclarationFile(f, path);
        if (!grid.hasRoomFor(int(lines.size()))) {
            state.SkipWithError("the reload does not fit");
            break;
        }
        for (const DeclarationLine &line : lines)
            grid.append(line.row);
        benchmark::DoNotOptimize(grid.totalText());
    }
    state.SetItemsProcessed(state.iterations() * RecordCount);
}
} // namespace

BENCHMARK(WriteDeclaration500)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(ReadDeclaration500)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);

BENCHMARK(ReloadDeclaration500IntoGrid)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
