// Importing a 500-line declaration-format file, without the file-open dialog: reading and
// converting every line, and that plus appending the rows to the grid with its total.
#include "bench/bench_check.h"
#include "common/text_file.h"
#include "declaration/declaration_file.h"
#include "withholdings/declaration_import.h"
#include "withholdings/grid_model.h"

#include <QFile>
#include <QTemporaryDir>

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
        if (!checkAnswer(state,
                         imported.rows.size() == RecordCount && !imported.amountsDisagree() &&
                             imported.rows.back().receipt.toInt() == RecordCount,
                         "the file did not import cleanly"))
            return;
    }
    state.SetItemsProcessed(state.iterations() * RecordCount);
}

void ImportFileIntoGrid500(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir);
    TextFile ff;
    GridModel grid;
    // Whole withheld amounts: their plain sum is the total shown.
    long long sum = 0;
    for (int i = 1; i <= RecordCount; ++i)
        sum += (1000 + i * 37) / 200;
    const QString expectedTotal = QString::number(sum);
    for (auto _ : state) {
        grid.reset();
        const ImportedFile imported = importDeclarationFile(ff, path);
        for (const Withholding &row : imported.rows)
            grid.append(row);
        if (!checkAnswer(state, grid.Fila() == RecordCount + 1 && grid.totalText() == expectedTotal,
                         "the grid holds " + std::to_string(grid.Fila() - 1) + " rows, total " +
                             grid.totalText().toStdString()))
            return;
    }
    state.SetItemsProcessed(state.iterations() * RecordCount);
}
} // namespace

BENCHMARK(ImportFile500)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(ImportFileIntoGrid500)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);

int main(int argc, char **argv)
{
    return runCheckedBenchmarks(argc, argv);
}
