#pragma once

#include "report/report_definition.h"
#include "report/row_source.h"

#include <QByteArray>
#include <QString>

#include <functional>

// Told the percentage done at every multiple of 5; returning false cancels the report
// after the row just placed.
using ProgressCallback = std::function<bool(int percent)>;

struct ReportRun {
    int pages = 0;
    int rowsPlaced = 0;
    bool cancelled = false; // the last page then has no page footer
};

// Lays the bands out on pages, in tenths of a millimetre, and renders them into a PDF held
// in memory.
class ReportEngine {
public:
    explicit ReportEngine(const ReportDefinition &definition) : definition_(definition) {}

    QByteArray renderPdf(RowSource &rows, const ProgressCallback &progress = {});
    const ReportRun &lastRun() const { return run_; }

private:
    const ReportDefinition &definition_;
    ReportRun run_;
};

// Writes a rendered PDF under fileName whole or not at all; on failure no new file is left and
// a ReportError names the file and the platform's reason.
void writePdfFile(const QString &fileName, const QByteArray &pdf);

// Runs the report and writes the PDF file only once it is complete (writePdfFile).
ReportRun exportReportToPdf(const ReportDefinition &definition, RowSource &rows, const QString &fileName,
                            const ProgressCallback &progress = {});
