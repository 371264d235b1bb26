#include "bench/bench_check.h"
#include "report/report_engine.h"
#include "tests/report/listing_fixture.h"

#include <QFile>
#include <QTemporaryDir>

// A whole file of 12 pages (each a page object, and the page tree counting them) holding the
// 500 rows.
static bool wholeListing(const QByteArray &pdf, const ReportRun &run)
{
    return run.pages == 12 && run.rowsPlaced == 500 && !run.cancelled && pdf.startsWith("%PDF-1.") &&
           pdf.trimmed().endsWith("%%EOF") && pdf.count("/Type /Page /Parent") == 12 &&
           pdf.contains("/Count 12 ");
}

// A 500-row listing: 12 pages with both logos on each.
static void renderListing(benchmark::State &state)
{
    const ReportDefinition report = listingLikeReport(patternImage(232, 107), patternImage(213, 107));
    for (auto _ : state) {
        TableRowSource rows = listingRows(500);
        ReportEngine engine(report);
        const QByteArray pdf = engine.renderPdf(rows);
        if (!checkAnswer(state, wholeListing(pdf, engine.lastRun()),
                         "not a whole 12-page listing of 500 rows"))
            return;
    }
}
BENCHMARK(renderListing)->Unit(benchmark::kMillisecond);

static void exportListing(benchmark::State &state)
{
    const ReportDefinition report = listingLikeReport(patternImage(232, 107), patternImage(213, 107));
    QTemporaryDir dir;
    for (auto _ : state) {
        TableRowSource rows = listingRows(500);
        const ReportRun run = exportReportToPdf(report, rows, dir.filePath("1703 00415.pdf"));
        QFile file(dir.filePath("1703 00415.pdf"));
        if (!checkAnswer(state, file.open(QIODevice::ReadOnly) && wholeListing(file.readAll(), run),
                         "not a whole 12-page listing of 500 rows"))
            return;
    }
}
BENCHMARK(exportListing)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return runCheckedBenchmarks(argc, argv);
}
