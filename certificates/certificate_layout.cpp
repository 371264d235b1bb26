#include "certificates/certificate_layout.h"

#include "report/font_metrics.h"
#include "report/pdf_text.h"

namespace {
constexpr int BandWidth = 718;
// The printable height of A4 less the margins, just under 277 mm: one band per page.
constexpr int BandHeight = 1040;
constexpr int CaptionLeft = 24;
constexpr int ValueLeft = 230;
constexpr int RightPadding = 16;
constexpr int LineHeight = 22;
constexpr int WrappedLineHeight = 17;
constexpr int SignatureLeft = 380;
constexpr int SignatureWidth = 320;

double pixelsToPoints(int pixels)
{
    return pixels * 72.0 / 96.0;
}

struct TextPlace {
    double widthPoints;
    bool bold;
    double size;
    int lines;
};

TextPlace placeOf(CertificateText where)
{
    switch (where) {
    case CertificateText::Words:
        return {pixelsToPoints(BandWidth - CaptionLeft - RightPadding), true, 10, 3};
    case CertificateText::Signer:
        return {pixelsToPoints(SignatureWidth), false, 10, 2};
    }
    return {0, false, 10, 1};
}

QString utf8(const char *text)
{
    return QString::fromUtf8(text);
}

ReportItem caption(const char *name, int top, const char *text, double size = 10, bool bold = false)
{
    return ReportItem::label(QString::fromLatin1(name), CaptionLeft, top, 200, 17, utf8(text))
        .withFont(size, bold);
}

ReportItem value(const QString &column, int left, int top, bool bold = false)
{
    return ReportItem::dataField(column, left, top, 200, 17).withFont(10, bold);
}

// Lays the page out from the top down.
class Page {
public:
    explicit Page(std::vector<ReportItem> &items) : items_(items) {}

    int top() const { return top_; }
    void skip(int pixels) { top_ += pixels; }

    void title(const char *name, const char *text)
    {
        skip(18);
        items_.push_back(caption(name, top_, text, 11, true));
        skip(24);
    }

    // A caption and its value on one line.
    void line(const char *name, const char *text, const char *column, bool bold = false)
    {
        items_.push_back(caption(name, top_, text));
        items_.push_back(value(QString::fromLatin1(column), ValueLeft, top_, bold));
        skip(LineHeight);
    }

private:
    std::vector<ReportItem> &items_;
    int top_ = 0;
};
} // namespace

QStringList certificateColumns()
{
    return {QStringLiteral("NROCOM"),    QStringLiteral("FECHA"),         QStringLiteral("PERIODO"),
            QStringLiteral("AGENTE"),    QStringLiteral("AGENTECUIT"),    QStringLiteral("LEGAJO"),
            QStringLiteral("PROVEEDOR"), QStringLiteral("PROVEEDORCUIT"), QStringLiteral("IMPORTE"),
            QStringLiteral("RETENIDO"),  QStringLiteral("LETRAS1"),       QStringLiteral("LETRAS2"),
            QStringLiteral("LETRAS3"),   QStringLiteral("LUGARFECHA"),    QStringLiteral("FIRMA1"),
            QStringLiteral("FIRMA2")};
}

ReportDefinition CertificateReport()
{
    ReportDefinition report; // A4 portrait, 10 mm margins, Arial 10 pt
    ReportBand band{BandWidth, BandHeight, false, 1, {}};
    std::vector<ReportItem> &items = band.items;
    Page page(items);

    items.push_back(
        ReportItem::label(QStringLiteral("titulo"), 0, 18, BandWidth, 24, utf8("Constancia de Retención"))
            .withFont(16, true)
            .withAlignment(ItemAlignment::Center));
    items.push_back(ReportItem::label(QStringLiteral("tasa"), 0, 46, BandWidth, 17,
                                      utf8("Tasa municipal retenida a proveedores"))
                        .withAlignment(ItemAlignment::Center));
    page.skip(84);
    page.line("nroConstancia", "Constancia Nro.:", "NROCOM", true);
    page.line("periodo", "Período:", "PERIODO");

    page.title("agente", "Agente de Retención");
    page.line("agenteRazon", "Razón Social:", "AGENTE");
    page.line("agenteCuit", "CUIT:", "AGENTECUIT");
    page.line("agenteLegajo", "Legajo Municipal:", "LEGAJO");

    page.title("sujeto", "Sujeto Retenido");
    page.line("sujetoRazon", "Razón Social:", "PROVEEDOR");
    page.line("sujetoCuit", "CUIT:", "PROVEEDORCUIT");

    page.title("retencion", "Retención");
    page.line("fecha", "Fecha de la retención:", "FECHA");
    page.line("importe", "Importe del comprobante:", "IMPORTE");
    items.push_back(caption("alicuota", page.top(), "Alícuota:"));
    items.push_back(ReportItem::label(QStringLiteral("alicuotaValor"), ValueLeft, page.top(), 200, 17,
                                      QStringLiteral("5 por mil")));
    page.skip(LineHeight);
    page.line("retenido", "Importe retenido:", "RETENIDO", true);
    page.skip(10);
    for (int i = 1; i <= placeOf(CertificateText::Words).lines; ++i) {
        items.push_back(value(QStringLiteral("LETRAS%1").arg(i), CaptionLeft, page.top(), true));
        page.skip(20);
    }

    page.skip(40);
    items.push_back(value(QStringLiteral("LUGARFECHA"), CaptionLeft, page.top()));

    // The signature: a line, the agent's name centred under it.
    page.skip(100);
    items.push_back(
        ReportItem::frame(QStringLiteral("firmaLinea"), SignatureLeft, page.top(), SignatureWidth, 0));
    page.skip(6);
    for (int i = 1; i <= placeOf(CertificateText::Signer).lines; ++i) {
        items.push_back(value(QStringLiteral("FIRMA%1").arg(i), SignatureLeft, page.top())
                            .withAlignment(ItemAlignment::Center));
        items.back().width = SignatureWidth;
        page.skip(WrappedLineHeight);
    }
    items.push_back(ReportItem::label(QStringLiteral("firmaAclaracion"), SignatureLeft, page.top() + 3,
                                      SignatureWidth, 17, utf8("Firma del agente de retención"))
                        .withFont(8)
                        .withAlignment(ItemAlignment::Center));
    page.skip(40);
    // The frame around the certificate, drawn first.
    items.insert(items.begin(), ReportItem::frame(QStringLiteral("marco"), 0, 0, BandWidth, page.top()));

    report.detail = std::move(band);
    return report;
}

QStringList wrapCertificateText(const QString &text, CertificateText where)
{
    const TextPlace place = placeOf(where);
    QStringList lines;
    QString current;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString candidate = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
        const bool fits =
            ArialMetrics::textWidth(toPdfText(candidate), place.bold, place.size) <= place.widthPoints;
        if (fits || current.isEmpty() || lines.size() == place.lines - 1) {
            current = candidate;
        } else {
            lines << current;
            current = word;
        }
    }
    lines << current;
    while (lines.size() < place.lines)
        lines << QString();
    return lines;
}
