#include "report/report_engine.h"

#include "common/errors.h"
#include "common/safe_file.h"
#include "report/font_metrics.h"
#include "report/pdf_document.h"
#include "report/pdf_text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace {
constexpr double pointsPerPixel = 72.0 / 96.0;

double tenthsToPoints(double tenths)
{
    return tenths * 72.0 / 254.0;
}
double pixelsToTenths(int pixels)
{
    return pixels * 254.0 / 96.0;
}
int roundToTenth(double tenths)
{
    return static_cast<int>(std::lround(tenths));
}
double bandHeightTenths(const std::optional<ReportBand> &band)
{
    return band ? pixelsToTenths(band->height) : 0;
}

class PageRenderer {
public:
    PageRenderer(const ReportDefinition &definition, PdfDocument &document)
        : definition_(definition), document_(document), leftPoints_(tenthsToPoints(definition.leftMargin))
    {
    }

    void startPage() { page_ = &document_.addPage(); }

    void placeBand(const ReportBand &band, int topTenths, const RowSource *row, const ReportContext &context)
    {
        const double top = tenthsToPoints(topTenths);
        if (band.frame)
            strokeRectangle(leftPoints_, top, band.width * pointsPerPixel, band.height * pointsPerPixel,
                            band.frameWidth);
        for (const ReportItem &item : band.items)
            placeItem(item, top, row, context);
    }

private:
    double pdfY(double topPoints) const { return document_.pageHeight() - topPoints; }

    void strokeRectangle(double x, double top, double width, double height, double lineWidth)
    {
        page_->setLineWidth(lineWidth);
        page_->setStrokeGray(0);
        page_->rectangle(x, pdfY(top + height), width, height);
        page_->stroke();
    }

    void placeItem(const ReportItem &item, double bandTop, const RowSource *row, const ReportContext &context)
    {
        if (item.lastPageOnly && !context.lastPage)
            return;
        const double x = leftPoints_ + item.left * pointsPerPixel;
        const double top = bandTop + item.top * pointsPerPixel;
        switch (item.kind) {
        case ReportItem::Kind::Frame:
            strokeRectangle(x, top, item.width * pointsPerPixel, item.height * pointsPerPixel,
                            item.lineWidth);
            return;
        case ReportItem::Kind::Image:
            placeImage(item, x, top);
            return;
        case ReportItem::Kind::Label:
            placeText(item, item.caption, x, top);
            return;
        case ReportItem::Kind::DataField: {
            const QVariant value = row ? row->value(item.field) : QVariant();
            placeText(item, item.display ? item.display(value) : value.toString(), x, top);
            return;
        }
        case ReportItem::Kind::Expression:
            placeText(item, item.expression ? item.expression(context) : QString(), x, top);
            return;
        }
    }

    void placeImage(const ReportItem &item, double x, double top)
    {
        if (item.picture.isNull())
            return;
        // One picture pixel per layout pixel, never scaled: the item's rectangle cuts it.
        const int width = std::min(item.width, item.picture.width());
        const int height = std::min(item.height, item.picture.height());
        if (width <= 0 || height <= 0)
            return;
        auto found = images_.find(&item);
        if (found == images_.end())
            found = images_.emplace(&item, document_.addImage(item.picture, QSize(width, height))).first;
        page_->drawImage(found->second, x, pdfY(top + height * pointsPerPixel), width * pointsPerPixel,
                         height * pointsPerPixel);
    }

    void placeText(const ReportItem &item, const QString &text, double x, double top)
    {
        if (text.isEmpty())
            return;
        const ReportFont font = item.font.value_or(definition_.defaultFont);
        toPdfText(text, text_);
        const QByteArray bytes = item.maxWidth > 0 ? ArialMetrics::elidedText(text_, font.bold, font.size,
                                                                              item.maxWidth * pointsPerPixel)
                                                   : text_;
        const double textWidth = ArialMetrics::textWidth(bytes, font.bold, font.size);
        const double width = item.width * pointsPerPixel;
        double textX = x;
        if (item.alignment == ItemAlignment::Right)
            textX = x + width - textWidth;
        else if (item.alignment == ItemAlignment::Center)
            textX = x + (width - textWidth) / 2;
        if (!item.autoSize) {
            page_->saveState();
            page_->rectangle(x, pdfY(top + item.height * pointsPerPixel), width,
                             item.height * pointsPerPixel);
            page_->clipAndEndPath();
        }
        // The text's cell starts at the item's top: the baseline lies one ascent below it.
        const double baseline = top + ArialMetrics::ascent * font.size / 1000.0;
        page_->beginText();
        page_->setFont(font.bold ? PdfPage::Font::Bold : PdfPage::Font::Regular, font.size);
        page_->moveText(textX, pdfY(baseline));
        page_->showText(bytes);
        page_->endText();
        if (!item.autoSize)
            page_->restoreState();
    }

    const ReportDefinition &definition_;
    PdfDocument &document_;
    PdfPage *page_ = nullptr;
    double leftPoints_;
    // A text's bytes, in room kept from one text to the next.
    QByteArray text_;
    // Each picture goes into the file once, however many pages show it.
    std::unordered_map<const ReportItem *, int> images_;
};
} // namespace

QByteArray ReportEngine::renderPdf(RowSource &rows, const ProgressCallback &progress)
{
    const ReportDefinition &def = definition_;
    // The page box is the paper cut to whole points.
    PdfDocument document(std::floor(tenthsToPoints(def.paperWidth)),
                         std::floor(tenthsToPoints(def.paperHeight)));
    PageRenderer renderer(def, document);
    run_ = {};
    ReportContext context;

    const double footerHeight = bandHeightTenths(def.pageFooter);
    const int footerTop = roundToTenth(def.paperHeight - def.bottomMargin - footerHeight);
    const int headerAdvance = roundToTenth(bandHeightTenths(def.pageHeader));
    const int detailAdvance = roundToTenth(bandHeightTenths(def.detail));
    int position = 0;
    int detailsOnPage = 0;

    auto beginPage = [&] {
        renderer.startPage();
        ++context.pageNumber;
        position = def.topMargin;
        detailsOnPage = 0;
        if (def.pageHeader) {
            renderer.placeBand(*def.pageHeader, position, nullptr, context);
            position += headerAdvance;
        }
    };
    auto finishPage = [&] {
        if (def.pageFooter)
            renderer.placeBand(*def.pageFooter, footerTop, nullptr, context);
    };

    const int total = rows.rowCount();
    int reported = 0;
    beginPage();
    while (def.detail && rows.next()) {
        const int spaceLeft = roundToTenth(def.paperHeight - def.bottomMargin - footerHeight - position);
        // A band taller than a whole page still goes on a page of its own rather than forever on the next.
        if (detailAdvance > spaceLeft && detailsOnPage > 0) {
            finishPage();
            beginPage();
        }
        renderer.placeBand(*def.detail, position, &rows, context);
        position += detailAdvance;
        ++detailsOnPage;
        context.rowsPlaced = ++run_.rowsPlaced;
        if (progress && total > 0) {
            const int percent = std::min(100, run_.rowsPlaced * 100 / total);
            if (percent - percent % 5 > reported) {
                reported = percent - percent % 5;
                // A cancel that arrives with the last row placed has nothing left to stop.
                if (!progress(reported) && run_.rowsPlaced < total) {
                    run_.cancelled = true;
                    break;
                }
            }
        }
    }
    if (!run_.cancelled) {
        context.lastPage = true;
        finishPage();
        if (progress && reported < 100)
            progress(100);
    }
    run_.pages = document.pageCount();
    return document.bytes();
}

void writePdfFile(const QString &fileName, const QByteArray &pdf)
{
    // A failure leaves the previous file, if any, as it was and no partial one.
    if (const int error = writeFileSafely(fileName, pdf))
        throw ReportError(QStringLiteral("Cannot create file \"%1\". %2")
                              .arg(fileName, QString::fromLocal8Bit(std::strerror(error))));
}

ReportRun exportReportToPdf(const ReportDefinition &definition, RowSource &rows, const QString &fileName,
                            const ProgressCallback &progress)
{
    ReportEngine engine(definition);
    writePdfFile(fileName, engine.renderPdf(rows, progress));
    return engine.lastRun();
}
