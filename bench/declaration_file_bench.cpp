#include "bench/bench_check.h"
#include "common/text_file.h"
#include "declaration/declaration_file.h"
#include "withholdings/declaration_line.h"
#include "withholdings/grid_model.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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

// A row read back from its record, whose fields are padded to their widths, is the row given.
bool sameRow(const Withholding &read, const Withholding &given)
{
    return read.receipt.toLongLong() == given.receipt.toLongLong() && read.date == given.date &&
           read.invoiceAmount.toDouble() == given.invoiceAmount.toDouble() &&
           read.withheldAmount.toDouble() == given.withheldAmount.toDouble() &&
           read.companyName.trimmed() == given.companyName && read.supplierCuit == given.supplierCuit;
}

void WriteDeclaration500(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("17300415.txt"));
    const QList<Withholding> rows = manualRows();
    TextFile f;
    for (auto _ : state)
        writeDeclarationFile(f, path, header, rows);
    // The last file written reads back as the rows given.
    const QList<DeclarationLine> lines = readDeclarationFile(f, path);
    if (!checkAnswer(state,
                     lines.size() == rows.size() && sameRow(lines.front().row, rows.front()) &&
                         sameRow(lines.back().row, rows.back()),
                     "the file written does not read back as its rows"))
        return;
    state.SetItemsProcessed(state.iterations() * RecordCount);
}

void ReadDeclaration500(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("17300415.txt"));
    TextFile f;
    const QList<Withholding> expected = manualRows();
    writeDeclarationFile(f, path, header, expected);
    for (auto _ : state) {
        const QList<DeclarationLine> lines = readDeclarationFile(f, path);
        if (!checkAnswer(state, lines.size() == RecordCount && sameRow(lines.back().row, expected.back()),
                         "read " + std::to_string(lines.size()) + " lines, or the last one wrong"))
            return;
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
    // The withheld amounts are whole numbers: their plain sum is the total shown.
    long long sum = 0;
    for (const Withholding &row : manualRows())
        sum += row.withheldAmount.toLongLong();
    const QString expectedTotal = QString::number(sum);
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
        if (!checkAnswer(state, grid.Fila() == RecordCount + 1 && grid.totalText() == expectedTotal,
                         "the grid holds " + std::to_string(grid.Fila() - 1) + " rows, total " +
                             grid.totalText().toStdString()))
            return;
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

int main(int argc, char **argv)
{
    return runCheckedBenchmarks(argc, argv);
}
