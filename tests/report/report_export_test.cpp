#include "common/errors.h"
#include "report/font_metrics.h"
#include "report/report_engine.h"
#include "tests/report/listing_fixture.h"
#include "tests/report/pdf_probe.h"
#include "tests/support/qt_print.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {
constexpr double leftMargin = 72.0 / 2.54; // 10 mm in points
double px(double pixels)
{
    return pixels * 0.75;
} // layout pixels to points
double mm(double millimetres)
{
    return millimetres * 72.0 / 25.4;
}

// pdftotext measures a word of a non-embedded Arial from its baseline with Helvetica's
// ascent (0.718); the program puts the baseline one Arial ascent (0.905) below the item's top.
double itemTop(const PdfWord &w, double size)
{
    return w.yMin - (0.905 - 0.718) * size;
}

class ReportExport : public ::testing::Test {
protected:
    QString path(const QString &name) const { return dir.filePath(name); }

    QString exportListing(int rowCount, const QString &total = "0.00", const ProgressCallback &progress = {},
                          ReportRun *run = nullptr)
    {
        ReportDefinition report = listingLikeReport(patternImage(232, 107), patternImage(213, 107));
        report.setCaption("Qrtotal", total);
        TableRowSource rows = listingRows(rowCount);
        const QString file = path(QString("listing%1-%2.pdf").arg(rowCount).arg(++exports));
        const ReportRun done = exportReportToPdf(report, rows, file, progress);
        if (run)
            *run = done;
        return file;
    }

    QTemporaryDir dir;
    int exports = 0;
};

TEST_F(ReportExport, PagesForRowCounts)
{
    const struct {
        int rows;
        int pages;
        int linesOnLastPage;
    } cases[] = {{0, 1, 0}, {1, 1, 1}, {42, 1, 42}, {43, 2, 1}, {85, 3, 1}};
    for (const auto &c : cases) {
        const QString file = exportListing(c.rows);
        ASSERT_EQ(pageCount(file), c.pages) << c.rows;
        const auto words = wordsOf(file);
        for (int page = 1; page <= c.pages; ++page) {
            // Header and footer bands on every page, the first and last included.
            EXPECT_EQ(countWords(words, page, "Comprobante"), 1) << c.rows << " page " << page;
            EXPECT_EQ(countWords(words, page, "Retenido"), 2) << c.rows << " page " << page;
            const int lines = page < c.pages ? 42 : c.linesOnLastPage;
            EXPECT_EQ(countWords(words, page, "15/03/2017"), lines) << c.rows << " page " << page;
        }
    }
}

TEST_F(ReportExport, FileIsCheckedSevenBitPdfWithTrueXref)
{
    const QString file = exportListing(43);
    const ToolResult check = runTool("qpdf", {"--check", file});
    EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
    EXPECT_TRUE(check.output.contains("No syntax or stream encoding errors")) << check.output.toStdString();
    EXPECT_FALSE(check.output.contains("WARNING")) << check.output.toStdString();

    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    for (qsizetype i = 0; i < pdf.size(); ++i) {
        const auto b = static_cast<unsigned char>(pdf[i]);
        ASSERT_TRUE((b >= 32 && b <= 126) || b == '\r' || b == '\n') << "byte " << int(b) << " at " << i;
    }
    // Every xref entry points at the start of its own object.
    const qsizetype xref =
        pdf.mid(pdf.lastIndexOf("startxref") + 10).trimmed().split('\n').first().toLongLong();
    ASSERT_TRUE(pdf.mid(xref).startsWith("xref\n0 "));
    const QList<QByteArray> lines = pdf.mid(xref).split('\n');
    const int size = lines[1].split(' ')[1].toInt();
    ASSERT_GT(size, 8);
    for (int object = 1; object < size; ++object) {
        const qsizetype offset = lines[2 + object].left(10).toLongLong();
        EXPECT_TRUE(pdf.mid(offset).startsWith(QByteArray::number(object) + " 0 obj\n"))
            << "object " << object;
    }
    EXPECT_TRUE(pdf.contains("/BaseFont /Arial ") && pdf.contains("/BaseFont /Arial,Bold "));
    EXPECT_TRUE(pdf.contains("/Subtype /TrueType") && pdf.contains("/Encoding /WinAnsiEncoding"));
    EXPECT_FALSE(pdf.contains("/FontFile"));
    EXPECT_TRUE(pdf.contains("/MediaBox [0 0 595 841]"));
}

TEST_F(ReportExport, TextsStandWhereTheBandsPutThem)
{
    const QString file = exportListing(85);
    const auto words = wordsOf(file);
    const double headerTop = mm(10);
    const double firstDetail = mm(49.4);
    const double footerTop = mm(262.9);
    const struct {
        int page;
        const char *word;
        double size;
        double left;
        double top;
    } cases[] = {
        {1, "DDJJ", 14, px(240), headerTop + px(40)},
        {1, "Periodo", 10, px(8), headerTop + px(102)},
        {1, "Nro.", 10, px(8), headerTop + px(125)},
        {1, "Cuit", 10, px(271), headerTop + px(126)}, // one pixel lower than the other titles
        {1, "Razon", 10, px(540), headerTop + px(125)},
        {1, "1", 8, px(41), firstDetail + px(2)},
        {1, "1001.00", 8, px(393), firstDetail + px(2)},
        {1, "42", 8, px(41), firstDetail + mm(41 * 5.0) + px(2)},
        {2, "43", 8, px(41), firstDetail + px(2)},
        {3, "85", 8, px(41), firstDetail + px(2)},
        {1, "Declaro", 10, px(67), footerTop + px(12)},
        {3, "Declaro", 10, px(67), footerTop + px(12)},
        {2, "Total", 10, px(417), footerTop + px(58)},
        {3, "DDJJ", 14, px(240), headerTop + px(40)},
    };
    for (const auto &c : cases) {
        const PdfWord *w = findWord(words, c.page, c.word);
        ASSERT_NE(w, nullptr) << c.word << " on page " << c.page;
        EXPECT_NEAR(w->xMin, leftMargin + c.left, 0.5) << c.word;
        EXPECT_NEAR(itemTop(*w, c.size), c.top, 0.5) << c.word;
    }
    // A detail line is one row's five fields, nothing else.
    const PdfWord *row2 = findWord(words, 1, "2");
    ASSERT_NE(row2, nullptr);
    EXPECT_EQ(lineAt(words, 1, row2->yMin), "2 15/03/2017 20-12345678-9 1002.00 Proveedor SA");
}

TEST_F(ReportExport, RightAlignedTotalKeepsItsRightEdgeOnEveryPage)
{
    const double rightEdge = leftMargin + px(656);
    double previousWidth = 0;
    for (const QString total : {"0.00", "62.50", "12345.00", "1234567890.00"}) {
        const auto words = wordsOf(exportListing(43, total));
        for (int page = 1; page <= 2; ++page) {
            const PdfWord *w = findWord(words, page, total);
            ASSERT_NE(w, nullptr) << total.toStdString() << " page " << page;
            EXPECT_NEAR(w->xMax, rightEdge, 0.5) << total.toStdString();
            EXPECT_GT(w->xMax - w->xMin, previousWidth) << "a longer total grows to the left";
            if (page == 2)
                previousWidth = w->xMax - w->xMin;
        }
    }
}

TEST_F(ReportExport, CharactersOutsideAsciiAndPdfSyntax)
{
    ReportDefinition report = listingLikeReport(QImage(), QImage());
    TableRowSource rows({"NROCOM", "FECHA", "CUIT", "IMPORTE", "RAZON"});
    rows.addRow({"1", "01/02/2017", "20-1-9", 5.0, QString::fromUtf8("Ñandú (S.A.) C:\\dir €9")});
    const QString file = path("chars.pdf");
    exportReportToPdf(report, rows, file);
    ASSERT_EQ(runTool("qpdf", {"--check", file}).exitCode, 0);
    const auto words = wordsOf(file);
    const PdfWord *first = findWord(words, 1, "Nandu");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(lineAt(words, 1, first->yMin).section(' ', 4), QString::fromUtf8("Nandu (S.A.) C:\\dir €9"));
    EXPECT_NE(findWord(words, 1, "Retencion"), nullptr);
    EXPECT_NE(findWord(words, 1, "Razon"), nullptr);
    EXPECT_NE(findWord(words, 1, "expresion"), nullptr);
}

TEST_F(ReportExport, LongNameIsNeitherWrappedNorCut)
{
    ReportDefinition report = listingLikeReport(QImage(), QImage());
    const QString name = "Distribuidora Mayorista del Litoral Argentino SRL";
    TableRowSource rows({"NROCOM", "FECHA", "CUIT", "IMPORTE", "RAZON"});
    rows.addRow({"7", "01/02/2017", "20-1-9", 5.0, name});
    const QString file = path("long.pdf");
    exportReportToPdf(report, rows, file);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    // The whole name is one text run, beyond the paper's right edge if need be.
    EXPECT_TRUE(f.readAll().contains("(" + name.toLatin1() + ") Tj"));
    const auto words = wordsOf(file);
    const PdfWord *first = findWord(words, 1, "Distribuidora");
    ASSERT_NE(first, nullptr);
    const PdfWord *last = findWord(words, 1, "Argentino");
    ASSERT_NE(last, nullptr);
    EXPECT_NEAR(last->yMin, first->yMin, 0.01);
    EXPECT_GT(last->xMax, mm(200)); // into the right margin
}

// A text too wide for its room is cut so that, with "..." after it and without the blanks
// before the cut, it fits; one that fits stays whole.
TEST(ElidedText, FitsItsWidth)
{
    const struct {
        const char *text;
        double width; // points, at Arial 8 pt
        const char *expected;
    } cases[] = {
        {"ABC", 100, "ABC"},
        {"", 10, ""},
        // "ABCDEFGH" is 44.448 pt wide, "ABCDEF..." 39.12 pt.
        {"ABCDEFGH", 44.45, "ABCDEFGH"},
        {"ABCDEFGH", 44.4, "ABCDEF..."},
        {"AB   CDEFGH", 25, "AB..."},
        {"ABCDEFGH", 5, "..."},
        {"ABCDEFGH      ", 44.45, "ABCDEFGH      "},
    };
    for (const auto &c : cases) {
        const QByteArray out = ArialMetrics::elidedText(c.text, false, 8, c.width);
        EXPECT_EQ(out, QByteArray(c.expected)) << c.text << " in " << c.width;
        if (out != c.text && out != "...") {
            EXPECT_LE(ArialMetrics::textWidth(out, false, 8), c.width) << c.text;
        }
    }
}

// An item with a width limit ends its text with "..." inside it; an item for the last page
// shows only there, and not on a page where the report was cancelled.
TEST_F(ReportExport, WidthLimitAndLastPageOnlyItems)
{
    ReportDefinition report = listingLikeReport(QImage(), QImage());
    for (ReportItem &item : report.detail->items)
        if (item.field == "RAZON")
            item.maxWidth = 718 - item.left;
    ReportItem summary = ReportItem::label("summary", 67, 75, 584, 15, "FINAL LINE").withFont(8);
    summary.lastPageOnly = true;
    report.pageFooter->items.push_back(summary);
    TableRowSource rows = listingRows(43);
    rows.addRow({"44", "01/02/2017", "20-1-9", 5.0,
                 QString("DISTRIBUIDORA MAYORISTA DEL LITORAL ARGENTINO ") + "S.R.L. "
                                                                             "SUCURSAL 12"});
    const QString file = path("limits.pdf");
    exportReportToPdf(report, rows, file);
    const auto words = wordsOf(file);
    EXPECT_EQ(findWord(words, 1, "FINAL"), nullptr);
    ASSERT_NE(findWord(words, 2, "FINAL"), nullptr);
    const PdfWord *first = findWord(words, 2, "DISTRIBUIDORA");
    ASSERT_NE(first, nullptr);
    double right = 0;
    QString line;
    for (const PdfWord &w : words)
        if (w.page == 2 && std::abs(w.yMin - first->yMin) < 0.5 && w.xMin >= first->xMin) {
            right = std::max(right, w.xMax);
            line += (line.isEmpty() ? "" : " ") + w.text;
        }
    EXPECT_TRUE(line.startsWith("DISTRIBUIDORA MAYORISTA")) << line.toStdString();
    EXPECT_TRUE(line.endsWith("...")) << line.toStdString();
    EXPECT_LE(right, mm(200) + 0.5);
}

TEST_F(ReportExport, LogosAreCutNotScaled)
{
    const QString file = exportListing(43);
    const ToolResult list = runTool("pdfimages", {"-list", file});
    ASSERT_EQ(list.exitCode, 0);
    // Two pages, each showing the same two pictures, stored once.
    const QStringList lines = QString::fromLatin1(list.output).split('\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_EQ(lines.size(), 4);
    QSet<QString> objects;
    for (const QString &line : lines)
        objects.insert(line.simplified().section(' ', 10, 10));
    EXPECT_EQ(objects.size(), 2);

    ASSERT_EQ(runTool("pdfimages", {"-f", "1", "-l", "1", "-png", file, path("img")}).exitCode, 0);
    const struct {
        const char *file;
        QSize picture;
        QSize shown;
    } cases[] = {{"img-000.png", {232, 107}, {209, 87}}, {"img-001.png", {213, 107}, {209, 82}}};
    for (const auto &c : cases) {
        const QImage shown(path(c.file));
        ASSERT_EQ(shown.size(), c.shown) << c.file;
        const QImage expected =
            patternImage(c.picture.width(), c.picture.height()).copy(QRect({0, 0}, c.shown));
        EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32), expected) << c.file;
    }
    // Drawn one picture pixel per layout pixel at the items' corners.
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    EXPECT_TRUE(pdf.contains("156.75 0 0 65.25 38.096 740.654 cm\n/Im0 Do")) << "left logo";
    EXPECT_TRUE(pdf.contains("156.75 0 0 61.5 398.096 744.404 cm\n/Im1 Do")) << "right logo";
    EXPECT_TRUE(pdf.contains("1 w\n0 G\n28.346 700.904 538.5 111.75 re\nS")) << "header frame";
}

// A listing shows the logos it was given, export after export: the same picture is encoded
// once, and a picture changed since, even in place, is encoded again.
TEST_F(ReportExport, EachListingShowsTheLogosItWasGiven)
{
    QImage logo = patternImage(232, 107);
    const QImage other = patternImage(213, 107);
    const auto exportWith = [&](int run) {
        ReportDefinition report = listingLikeReport(logo, other);
        TableRowSource rows = listingRows(3);
        const QString file = path(QString("logos%1.pdf").arg(run));
        exportReportToPdf(report, rows, file);
        const QString prefix = path(QString("logos%1").arg(run));
        EXPECT_EQ(runTool("pdfimages", {"-f", "1", "-l", "1", "-png", file, prefix}).exitCode, 0);
        return QImage(prefix + "-000.png").convertToFormat(QImage::Format_RGB32);
    };
    const QImage first = exportWith(1);
    EXPECT_EQ(exportWith(2), first);
    logo.setPixel(0, 0, qRgb(255, 0, 0));
    const QImage changed = exportWith(3);
    ASSERT_FALSE(changed.isNull());
    EXPECT_EQ(changed.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(changed.copy(1, 0, changed.width() - 1, changed.height()),
              first.copy(1, 0, first.width() - 1, first.height()));
}

TEST_F(ReportExport, ExportToMissingFolderRaisesAndLeavesNoFile)
{
    ReportDefinition report = listingLikeReport(QImage(), QImage());
    TableRowSource rows = listingRows(3);
    const QString file = path("missing/1703 00415.pdf");
    try {
        exportReportToPdf(report, rows, file);
        FAIL() << "no error raised";
    } catch (const ReportError &e) {
        const QString prefix = "Cannot create file \"" + file + "\". ";
        EXPECT_TRUE(e.message().startsWith(prefix)) << e.message().toStdString();
        EXPECT_GT(e.message().size(), prefix.size()) << "the platform's reason follows";
    }
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

TEST_F(ReportExport, FailedExportKeepsThePreviousFile)
{
    // A folder standing where the file should go cannot be replaced.
    const QString file = path("taken.pdf");
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.pdf"));
    ReportDefinition report = listingLikeReport(QImage(), QImage());
    TableRowSource rows = listingRows(3);
    EXPECT_THROW(exportReportToPdf(report, rows, file), ReportError);
    EXPECT_TRUE(QFileInfo(file).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"taken.pdf"});
}

TEST_F(ReportExport, ExportReplacesAnEarlierListing)
{
    const QString file = path("same.pdf");
    ReportDefinition report = listingLikeReport(QImage(), QImage());
    for (const int n : {85, 1}) {
        TableRowSource rows = listingRows(n);
        exportReportToPdf(report, rows, file);
    }
    EXPECT_EQ(pageCount(file), 1);
}

TEST_F(ReportExport, ProgressAtEveryFifthPercent)
{
    const struct {
        int rows;
        std::vector<int> expected;
    } cases[] = {
        {0, {100}},
        {3, {30, 65, 100}},
        {500, {5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55, 60, 65, 70, 75, 80, 85, 90, 95, 100}},
    };
    for (const auto &c : cases) {
        std::vector<int> seen;
        exportListing(c.rows, "0.00", [&](int p) {
            seen.push_back(p);
            return true;
        });
        EXPECT_EQ(seen, c.expected) << c.rows << " rows";
    }
}

TEST_F(ReportExport, CancelStopsAfterTheRowAndLeavesTheLastPageWithoutFooter)
{
    // 85 rows: 50 % is reached with row 43, the first of page 2.
    ReportRun run;
    const QString file = exportListing(
        85, "99.00", [](int p) { return p < 50; }, &run);
    EXPECT_TRUE(run.cancelled);
    EXPECT_EQ(run.rowsPlaced, 43);
    EXPECT_EQ(run.pages, 2);
    ASSERT_EQ(runTool("qpdf", {"--check", file}).exitCode, 0);
    ASSERT_EQ(pageCount(file), 2);
    const auto words = wordsOf(file);
    EXPECT_NE(findWord(words, 1, "Declaro"), nullptr);
    EXPECT_NE(findWord(words, 1, "99.00"), nullptr);
    EXPECT_NE(findWord(words, 2, "43"), nullptr);
    EXPECT_EQ(findWord(words, 2, "44"), nullptr);
    EXPECT_EQ(findWord(words, 2, "Declaro"), nullptr);
    EXPECT_EQ(findWord(words, 2, "99.00"), nullptr);
    EXPECT_NE(findWord(words, 2, "DDJJ"), nullptr);

    // A cancel that arrives with the last row placed stops nothing.
    const QString whole = exportListing(
        3, "1.00", [](int p) { return p < 100; }, &run);
    EXPECT_FALSE(run.cancelled);
    EXPECT_NE(findWord(wordsOf(whole), 1, "Declaro"), nullptr);
}
} // namespace
