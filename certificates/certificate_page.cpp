#include "certificates/certificate_page.h"

#include "certificates/amount_words.h"
#include "certificates/certificate_text.h"
#include "certificates/certificates.h"
#include "report/font_metrics.h"
#include "report/pdf_document.h"

namespace {
using CertificateGeometry::PageHeight;
using CertificateGeometry::PageWidth;

// Each copy fills half the page: its frame keeps 30 pt from the half's edges.
constexpr double HalfHeight = 841.89 / 2;
constexpr double FrameInset = 30;
constexpr double FrameLeft = 39.7; // 14 mm
constexpr double FrameRight = PageWidth - FrameLeft;
constexpr double TextLeft = FrameLeft + 8;
constexpr double TextRight = FrameRight - 8;
constexpr double ValueLeft = TextLeft + 112;
constexpr double SecondCaption = TextLeft + 290;
constexpr double SecondValue = TextLeft + 372;
constexpr double SignatureLeft = TextLeft + 270;
constexpr double BodySize = 9;
constexpr double WrapStep = 11;

using Font = PdfPage::Font;

QByteArray latin(const char *utf8)
{
    return toWinAnsi(QString::fromUtf8(utf8));
}

enum class Align { Left, Right, Center };

// One run of text whose cell starts at `top` (points from the page's top).
void text(PdfPage &page, const QByteArray &bytes, Font font, double size, double x, double top,
          Align align = Align::Left)
{
    if (bytes.isEmpty())
        return;
    if (align != Align::Left) {
        const double width = ArialMetrics::textWidth(bytes, font == Font::Bold, size);
        x -= align == Align::Right ? width : width / 2;
    }
    page.beginText();
    page.setFont(font, size);
    page.moveText(x, PageHeight - (top + ArialMetrics::ascent * size / 1000.0));
    page.showText(bytes);
    page.endText();
}

// A value set within `width` in up to `lines` lines, smaller when it must be.
void fitted(PdfPage &page, const QByteArray &bytes, Font font, double x, double top, double width, int lines,
            Align align = Align::Left)
{
    const FittedText fit = fitText(bytes, font == Font::Bold, BodySize, width, lines);
    // Set smaller, it keeps the baseline of its caption.
    const double lower = (BodySize - fit.size) * ArialMetrics::ascent / 1000.0;
    for (int i = 0; i < fit.lines.size(); ++i)
        text(page, fit.lines[i], font, fit.size, align == Align::Center ? x + width / 2 : x,
             top + lower + i * WrapStep, align);
}

// Row positions, from the top of a copy's frame.
namespace Row {
constexpr double Municipality = 8;
constexpr double Levy = 21;
constexpr double Title = 36;
constexpr double Number = 57;
constexpr double AgentTitle = 73;
constexpr double AgentName = 86;
constexpr double AgentCuit = 108;
constexpr double Domicile = 120;
constexpr double SupplierTitle = 146;
constexpr double SupplierName = 159;
constexpr double SupplierCuit = 181;
constexpr double WithholdingTitle = 197;
constexpr double Date = 210;
constexpr double Invoice = 222;
constexpr double Withheld = 234;
constexpr double Words = 248;
constexpr double PlaceAndDate = 286;
constexpr double SignatureLine = 318;
constexpr double SignatureCaption = 321;
constexpr double Signer = 331;
constexpr double Position = 342;
constexpr double Source = 344;
} // namespace Row

double frameTop(int copy)
{
    return copy * HalfHeight + FrameInset;
}

// What every page shows: frames, the cutting line, titles and captions.
PdfPage staticContent()
{
    PdfPage page;
    page.setLineWidth(0.8);
    page.setStrokeGray(0);
    for (int copy = 0; copy < 2; ++copy)
        page.rectangle(FrameLeft, PageHeight - (copy + 1) * HalfHeight + FrameInset, FrameRight - FrameLeft,
                       HalfHeight - 2 * FrameInset);
    page.stroke();
    // The cutting line, dashed, across the middle.
    page.setLineWidth(0.5);
    page.setDash(4, 3);
    page.moveTo(CertificateGeometry::EdgeClearance, PageHeight - HalfHeight);
    page.lineTo(PageWidth - CertificateGeometry::EdgeClearance, PageHeight - HalfHeight);
    page.stroke();
    page.setDash(0, 0);
    for (int copy = 0; copy < 2; ++copy) {
        const double top = frameTop(copy);
        text(page, latin("MUNICIPALIDAD DE QUENVARA"), Font::Bold, 10, TextLeft, top + Row::Municipality);
        text(page, latin("Tasas Municipales - Retención del 5 por mil"), Font::Regular, 8.5, TextLeft,
             top + Row::Levy);
        text(page, copy == 0 ? latin("ORIGINAL") : latin("DUPLICADO"), Font::Bold, 12, TextRight,
             top + Row::Municipality, Align::Right);
        text(page, copy == 0 ? latin("para el sujeto retenido") : latin("para el agente de retención"),
             Font::Regular, 7.5, TextRight, top + Row::Levy, Align::Right);
        text(page, latin("CONSTANCIA DE RETENCIÓN"), Font::Bold, 13, PageWidth / 2, top + Row::Title,
             Align::Center);
        const auto caption = [&](const char *words, double row, double x = TextLeft) {
            text(page, latin(words), Font::Regular, BodySize, x, top + row);
        };
        const auto title = [&](const char *words, double row) {
            text(page, latin(words), Font::Bold, 9.5, TextLeft, top + row);
        };
        caption("Constancia Nro.:", Row::Number);
        caption("Período:", Row::Number, SecondCaption);
        title("Agente de Retención", Row::AgentTitle);
        caption("Razón Social:", Row::AgentName);
        caption("CUIT:", Row::AgentCuit);
        caption("Legajo Municipal:", Row::AgentCuit, SecondCaption);
        caption("Domicilio:", Row::Domicile);
        title("Sujeto Retenido", Row::SupplierTitle);
        caption("Razón Social:", Row::SupplierName);
        caption("CUIT:", Row::SupplierCuit);
        title("Retención", Row::WithholdingTitle);
        caption("Fecha de la retención:", Row::Date);
        caption("Alícuota:", Row::Date, SecondCaption);
        text(page, latin("5 por mil"), Font::Regular, BodySize, SecondValue, top + Row::Date);
        caption("Importe del comprobante:", Row::Invoice);
        caption("Importe retenido:", Row::Withheld);
        page.setLineWidth(0.6);
        page.moveTo(SignatureLeft, PageHeight - (top + Row::SignatureLine));
        page.lineTo(TextRight, PageHeight - (top + Row::SignatureLine));
        page.stroke();
        text(page, latin("Firma del agente de retención"), Font::Regular, 7, (SignatureLeft + TextRight) / 2,
             top + Row::SignatureCaption, Align::Center);
    }
    return page;
}
} // namespace

struct CertificatePrinter::Private {
    PdfDocument document{PageWidth, PageHeight};
    int form = document.addForm(staticContent());
};

CertificatePrinter::CertificatePrinter() : d_(std::make_unique<Private>()) {}

CertificatePrinter::~CertificatePrinter() = default;

int CertificatePrinter::pages() const
{
    return d_->document.pageCount();
}

void CertificatePrinter::add(const Certificate &c, const CertificateSheet &sheet)
{
    PdfPage &page = d_->document.addPage();
    page.drawForm(d_->form);
    const QByteArray number = toWinAnsi(c.receipt);
    const QByteArray period = toWinAnsi(c.period);
    const QByteArray agent = toWinAnsi(c.agentName);
    const QByteArray agentCuit = toWinAnsi(c.agentCuit);
    const QByteArray legajo = toWinAnsi(sheet.legajo);
    const QByteArray domicile = toWinAnsi(sheet.agent.domicile);
    const QByteArray supplier = toWinAnsi(c.supplierName);
    const QByteArray supplierCuit = toWinAnsi(c.supplierCuit);
    const QByteArray date = toWinAnsi(c.date);
    const QByteArray invoice = toWinAnsi(amountInFigures(c.invoiceCents));
    const QByteArray withheld = toWinAnsi(amountInFigures(c.withheldCents));
    const FittedText words = fitText(toWinAnsi(QStringLiteral("SON PESOS ") + amountInWords(c.withheldCents)),
                                     true, BodySize, TextRight - TextLeft, 3);
    const QByteArray placeAndDate = toWinAnsi(sheet.placeAndDate);
    const QByteArray signer = toWinAnsi(sheet.agent.signer);
    const QByteArray position = toWinAnsi(sheet.agent.position);
    const QByteArray source = toWinAnsi(sheet.source);
    const double valueWidth = TextRight - ValueLeft;
    const double secondWidth = TextRight - SecondValue;
    const double signatureWidth = TextRight - SignatureLeft;
    for (int copy = 0; copy < 2; ++copy) {
        const double top = frameTop(copy);
        fitted(page, number, Font::Bold, ValueLeft, top + Row::Number, SecondCaption - ValueLeft - 8, 1);
        fitted(page, period, Font::Regular, SecondValue, top + Row::Number, secondWidth, 1);
        fitted(page, agent, Font::Regular, ValueLeft, top + Row::AgentName, valueWidth, 2);
        fitted(page, agentCuit, Font::Regular, ValueLeft, top + Row::AgentCuit, SecondCaption - ValueLeft - 8,
               1);
        fitted(page, legajo, Font::Regular, SecondValue, top + Row::AgentCuit, secondWidth, 1);
        fitted(page, domicile, Font::Regular, ValueLeft, top + Row::Domicile, valueWidth, 2);
        fitted(page, supplier, Font::Regular, ValueLeft, top + Row::SupplierName, valueWidth, 2);
        fitted(page, supplierCuit, Font::Regular, ValueLeft, top + Row::SupplierCuit, valueWidth, 1);
        fitted(page, date, Font::Regular, ValueLeft, top + Row::Date, SecondCaption - ValueLeft - 8, 1);
        fitted(page, invoice, Font::Regular, ValueLeft, top + Row::Invoice, valueWidth, 1);
        fitted(page, withheld, Font::Bold, ValueLeft, top + Row::Withheld, valueWidth, 1);
        for (int i = 0; i < words.lines.size(); ++i)
            text(page, words.lines[i], Font::Bold, words.size, TextLeft, top + Row::Words + i * WrapStep);
        fitted(page, placeAndDate, Font::Regular, TextLeft, top + Row::PlaceAndDate, TextRight - TextLeft, 1);
        if (signer.trimmed().isEmpty() && position.trimmed().isEmpty()) {
            // Left for a pen.
            text(page, latin("Aclaración:"), Font::Regular, 8.5, SignatureLeft, top + Row::Signer);
            text(page, latin("Cargo:"), Font::Regular, 8.5, SignatureLeft, top + Row::Position);
        } else {
            fitted(page, signer, Font::Regular, SignatureLeft, top + Row::Signer, signatureWidth, 1,
                   Align::Center);
            fitted(page, position, Font::Regular, SignatureLeft, top + Row::Position, signatureWidth, 1,
                   Align::Center);
        }
        if (!source.isEmpty()) {
            const FittedText small = fitText(source, false, 6.5, SignatureLeft - TextLeft - 12, 1);
            if (!small.lines.isEmpty())
                text(page, small.lines.front(), Font::Regular, small.size, TextLeft, top + Row::Source);
        }
    }
}

QByteArray CertificatePrinter::pdf(const QByteArray &subject) const
{
    d_->document.setSubject(subject);
    return d_->document.bytes();
}
