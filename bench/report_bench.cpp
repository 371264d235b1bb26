#include "report/report_engine.h"
#include "tests/report/listing_fixture.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

// A 500-row listing: 12 pages with both logos on each.
static void renderListing(benchmark::State &state)
{
    const ReportDefinition report = listingLikeReport(patternImage(232, 107), patternImage(213, 107));
    for (auto _ : state) {
        TableRowSource rows = listingRows(500);
        ReportEngine engine(report);
        benchmark::DoNotOptimize(engine.renderPdf(rows));
    }
}
BENCHMARK(renderListing)->Unit(benchmark::kMillisecond);

static void exportListing(benchmark::State &state)
{
    const ReportDefinition report = listingLikeReport(patternImage(232, 107), patternImage(213, 107));
    QTemporaryDir dir;
    for (auto _ : state) {
        TableRowSource rows = listingRows(500);
        exportReportToPdf(report, rows, dir.filePath("1703 00415.pdf"));
    }
}
BENCHMARK(exportListing)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
