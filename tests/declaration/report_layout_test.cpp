#include "common/regional.h"
#include "declaration/report_layout.h"
#include "report/report_engine.h"
#include "tests/support/qt_print.h"

#include <gtest/gtest.h>

namespace {
QByteArray render(ReportDefinition &report, TableRowSource &rows)
{
    ReportEngine engine(report);
    return engine.renderPdf(rows);
}

TableRowSource retenRows(int n, const QVariant &importe = 62.0)
{
    TableRowSource rows({"NROCOM", "FECHA", "CUIT", "IMPORTE", "RAZON"});
    for (int i = 1; i <= n; ++i)
        rows.addRow({QString::number(i), "15/03/2017", "20-12345678-9", importe, "Proveedor SA"});
    return rows;
}

class ListingLayout : public ::testing::Test {
protected:
    ~ListingLayout() override { SetDecimalSeparator('.'); }
    ReportDefinition report =
        ListingReport(QImage(232, 107, QImage::Format_RGB32), QImage(213, 107, QImage::Format_RGB32));
};

TEST_F(ListingLayout, FortyTwoLinesAPageWithHeaderAndFooterOnEach)
{
    const struct {
        int rows;
        int pages;
    } cases[] = {{0, 1}, {42, 1}, {43, 2}, {85, 3}};
    for (const auto &c : cases) {
        TableRowSource rows = retenRows(c.rows);
        const QByteArray pdf = render(report, rows);
        EXPECT_EQ(pdf.count("/Type /Page "), c.pages) << c.rows;
        EXPECT_EQ(pdf.count("(Nro. Comprobante) Tj"), c.pages) << c.rows;
        EXPECT_EQ(pdf.count("(Total Retenido ====>) Tj"), c.pages) << c.rows;
        EXPECT_EQ(pdf.count("(15/03/2017) Tj"), c.rows);
    }
}

TEST_F(ListingLayout, AmountsWithTwoDecimalsAndTheRegionalSeparator)
{
    const struct {
        QChar separator;
        QVariant importe;
        const char *printed;
    } cases[] = {
        {'.', 62.0, "(62.00) Tj"}, {'.', 62.5, "(62.50) Tj"},       {',', 62.0, "(62,00) Tj"},
        {'.', 0.125, "(0.13) Tj"}, {'.', 12345.0, "(12345.00) Tj"},
    };
    for (const auto &c : cases) {
        SetDecimalSeparator(c.separator);
        TableRowSource rows = retenRows(1, c.importe);
        EXPECT_TRUE(render(report, rows).contains(c.printed)) << c.printed;
    }
}

TEST_F(ListingLayout, CaptionsSetByTheGenerationOnEveryPage)
{
    ASSERT_TRUE(report.setCaption("periodo", "Periodo: 03/2017  Legajo: 415"));
    ASSERT_TRUE(report.setCaption("Qrtotal", "12345.00"));
    TableRowSource rows = retenRows(43);
    const QByteArray pdf = render(report, rows);
    EXPECT_EQ(pdf.count("/F2 10 Tf\n"), 4) << "period line and total, bold, on both pages";
    EXPECT_EQ(pdf.count("(Periodo: 03/2017  Legajo: 415) Tj"), 2);
    // The total's right edge stays at 656 px from the band's left edge: 10 mm + 492 pt less
    // the width of "12345.00" in Arial Bold 10 pt (41.7 pt).
    EXPECT_EQ(pdf.count("/F2 10 Tf\n478.646 "), 2);
    EXPECT_EQ(pdf.count("(12345.00) Tj"), 2);
}

// A company name of up to 60 characters fits the declaration file but not the page: cut at the
// right margin with "...", a short one whole.
TEST_F(ListingLayout, LongCompanyNamesEndInDotsAtTheRightMargin)
{
    const QString longest = QStringLiteral("DISTRIBUIDORA MAYORISTA DEL LITORAL ARGENTINO S.R.L. SUC 12");
    ASSERT_EQ(longest.size(), 59);
    TableRowSource rows({"NROCOM", "FECHA", "CUIT", "IMPORTE", "RAZON"});
    rows.addRow({"1", "15/03/2017", "20-12345678-9", 62.0, longest});
    rows.addRow({"2", "15/03/2017", "20-12345678-9", 62.0, "PROVEEDOR SA"});
    const QByteArray pdf = render(report, rows);
    EXPECT_TRUE(pdf.contains("(DISTRIBUIDORA MAYORISTA DE...) Tj")) << pdf.toStdString();
    EXPECT_TRUE(pdf.contains("(PROVEEDOR SA) Tj"));
}
} // namespace
