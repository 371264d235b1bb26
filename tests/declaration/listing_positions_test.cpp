// The declaration listing as a reader of the PDF sees it: every text of the three bands at
// the place the layout gives it, measured with pdftotext.
#include "declaration/report_layout.h"
#include "report/report_engine.h"
#include "tests/report/pdf_probe.h"
#include "tests/support/qt_print.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
constexpr double leftMargin = 72.0 / 2.54; // 10 mm in points
double px(double pixels)
{
    return pixels * 0.75;
}
double mm(double millimetres)
{
    return millimetres * 72.0 / 25.4;
}
// pdftotext measures a non-embedded Arial from its baseline with Helvetica's ascent (0.718);
// the baseline lies one Arial ascent (0.905) below the item's top.
double itemTop(const PdfWord &w, double size)
{
    return w.yMin - (0.905 - 0.718) * size;
}

TEST(ListingPositions, EveryTextWhereItsBandPutsIt)
{
    QTemporaryDir dir;
    ReportDefinition report =
        ListingReport(QImage(232, 107, QImage::Format_RGB32), QImage(213, 107, QImage::Format_RGB32));
    report.setCaption("periodo", "Periodo : 3/2017 Legajo : 415 EMPRESA");
    report.setCaption("Qrtotal", "12345.00");
    report.setCaption("resumen",
                      "Archivo 17300415.txt: 43 retenciones, total 12345.00, SHA-256 0123456789abcdef");
    TableRowSource rows({"NROCOM", "FECHA", "CUIT", "IMPORTE", "RAZON"});
    for (int i = 1; i <= 43; ++i)
        rows.addRow({QString("R%1").arg(i), "15/03/2017", "20-12345678-9", 62.0, QString("PROV%1").arg(i)});
    const QString file = dir.filePath("listing.pdf");
    exportReportToPdf(report, rows, file);
    const auto words = wordsOf(file);

    const double header = mm(10);
    const double detail = mm(49.4);
    const double footer = mm(262.9);
    const struct {
        int page;
        const char *word;
        double size;
        double left;
        double top;
    } cases[] = {
        {1, "DDJJ", 14, px(240), header + px(40)},
        {1, "Periodo", 10, px(8), header + px(102)},
        {1, "Nro.", 10, px(8), header + px(125)},
        {1, "Fecha", 10, px(175), header + px(125)},
        {1, "Cuit", 10, px(271), header + px(126)},
        {1, "Importe", 10, px(374), header + px(125)},
        {1, "Razon", 10, px(540), header + px(125)},
        {1, "R1", 8, px(41), detail + px(2)},
        {1, "15/03/2017", 8, px(175), detail + px(2)},
        {1, "20-12345678-9", 8, px(273), detail + px(2)},
        {1, "62.00", 8, px(393), detail + px(2)},
        {1, "PROV1", 8, px(539), detail + px(2)},
        {1, "R42", 8, px(41), detail + mm(41 * 5.0) + px(2)},
        {2, "R43", 8, px(41), detail + px(2)},
        {1, "Declaro", 10, px(67), footer + px(12)},
        {1, "confeccionados", 10, px(67), footer + px(35)},
        {1, "Total", 10, px(417), footer + px(58)},
        {2, "Total", 10, px(417), footer + px(58)},
        {2, "Archivo", 8, px(67), footer + px(75)},
    };
    for (const auto &c : cases) {
        const PdfWord *w = findWord(words, c.page, c.word);
        ASSERT_NE(w, nullptr) << c.word << " on page " << c.page;
        EXPECT_NEAR(w->xMin, leftMargin + c.left, 0.5) << c.word;
        EXPECT_NEAR(itemTop(*w, c.size), c.top, 0.5) << c.word;
    }
    // The line under the total is the last page's alone, and ends on the page.
    EXPECT_EQ(findWord(words, 1, "Archivo"), nullptr);
    const PdfWord *fingerprint = findWord(words, 2, "0123456789abcdef");
    ASSERT_NE(fingerprint, nullptr);
    EXPECT_LT(fingerprint->xMax, mm(200));
    EXPECT_LT(fingerprint->yMax, mm(287));
    // The total keeps its right edge at 656 px on every page.
    for (int page : {1, 2}) {
        const PdfWord *total = findWord(words, page, "12345.00");
        ASSERT_NE(total, nullptr) << page;
        EXPECT_NEAR(total->xMax, leftMargin + px(656), 0.5) << page;
    }
}
} // namespace
