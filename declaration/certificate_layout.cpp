#include "declaration/certificate_layout.h"

#include "report/font_metrics.h"
#include "report/pdf_text.h"

namespace {
constexpr int BandWidth = 718;
// The printable height of A4 less the margins, just under 277 mm: one band per page.
constexpr int BandHeight = 1040;
constexpr int CaptionLeft = 24;
constexpr int ValueLeft = 230;
constexpr int WordsLeft = 24;
constexpr double WordsFontSize = 10;
// The words stop short of the frame's right edge.
constexpr double WordsWidthPoints = (BandWidth - WordsLeft - 24) * 72.0 / 96.0;
constexpr int WordsLines = 3;

QString utf8(const char *text)
{
    return QString::fromUtf8(text);
}

ReportItem caption(const char *name, int left, int top, const char *text)
{
    return ReportItem::label(QString::fromLatin1(name), left, top, 200, 17, utf8(text));
}

ReportItem value(const char *column, int left, int top, bool bold = false)
{
    return ReportItem::dataField(QString::fromLatin1(column), left, top, 200, 17).withFont(10, bold);
}

// A caption and its value on one line.
void line(std::vector<ReportItem> &items, const char *name, int top, const char *text, const char *column,
          bool bold = false)
{
    items.push_back(caption(name, CaptionLeft, top, text));
    items.push_back(value(column, ValueLeft, top, bold));
}
} // namespace

QStringList certificateColumns()
{
    return {QStringLiteral("NROCOM"),    QStringLiteral("FECHA"),         QStringLiteral("PERIODO"),
            QStringLiteral("AGENTE"),    QStringLiteral("AGENTECUIT"),    QStringLiteral("LEGAJO"),
            QStringLiteral("PROVEEDOR"), QStringLiteral("PROVEEDORCUIT"), QStringLiteral("IMPORTE"),
            QStringLiteral("RETENIDO"),  QStringLiteral("LETRAS1"),       QStringLiteral("LETRAS2"),
            QStringLiteral("LETRAS3"),   QStringLiteral("LUGARFECHA")};
}

ReportDefinition CertificateReport()
{
    ReportDefinition report; // A4 portrait, 10 mm margins, Arial 10 pt
    ReportBand band{BandWidth, BandHeight, false, 1, {}};
    std::vector<ReportItem> &items = band.items;

    items.push_back(ReportItem::frame(QStringLiteral("marco"), 0, 0, BandWidth, 740));
    items.push_back(
        ReportItem::label(QStringLiteral("titulo"), 0, 18, BandWidth, 24, utf8("Constancia de Retención"))
            .withFont(16, true)
            .withAlignment(ItemAlignment::Center));
    items.push_back(ReportItem::label(QStringLiteral("tasa"), 0, 46, BandWidth, 17,
                                      utf8("Tasa municipal retenida a proveedores"))
                        .withAlignment(ItemAlignment::Center));

    line(items, "nroConstancia", 84, "Constancia Nro.:", "NROCOM", true);
    line(items, "periodo", 106, "Período:", "PERIODO");

    items.push_back(caption("agente", CaptionLeft, 146, "Agente de Retención").withFont(11, true));
    line(items, "agenteRazon", 170, "Razón Social:", "AGENTE");
    line(items, "agenteCuit", 192, "CUIT:", "AGENTECUIT");
    line(items, "agenteLegajo", 214, "Legajo Municipal:", "LEGAJO");

    items.push_back(caption("sujeto", CaptionLeft, 254, "Sujeto Retenido").withFont(11, true));
    line(items, "sujetoRazon", 278, "Razón Social:", "PROVEEDOR");
    line(items, "sujetoCuit", 300, "CUIT:", "PROVEEDORCUIT");

    items.push_back(caption("retencion", CaptionLeft, 340, "Retención").withFont(11, true));
    line(items, "fecha", 364, "Fecha de la retención:", "FECHA");
    line(items, "importe", 386, "Importe del comprobante:", "IMPORTE");
    items.push_back(caption("alicuota", CaptionLeft, 408, "Alícuota:"));
    items.push_back(ReportItem::label(QStringLiteral("alicuotaValor"), ValueLeft, 408, 200, 17,
                                      QStringLiteral("5 por mil")));
    line(items, "retenido", 430, "Importe retenido:", "RETENIDO", true);
    for (int i = 0; i < WordsLines; ++i)
        items.push_back(ReportItem::dataField(QStringLiteral("LETRAS%1").arg(i + 1), WordsLeft, 462 + 20 * i,
                                              BandWidth - 2 * WordsLeft, 17)
                            .withFont(WordsFontSize, true));

    items.push_back(ReportItem::dataField(QStringLiteral("LUGARFECHA"), CaptionLeft, 560, 400, 17));

    // The signature: a line, the agent's name centred under it.
    constexpr int SignatureLeft = 400;
    constexpr int SignatureWidth = 290;
    items.push_back(ReportItem::frame(QStringLiteral("firmaLinea"), SignatureLeft, 660, SignatureWidth, 0));
    ReportItem signer =
        ReportItem::dataField(QStringLiteral("AGENTE"), SignatureLeft, 666, SignatureWidth, 17);
    signer.alignment = ItemAlignment::Center;
    items.push_back(signer);
    items.push_back(ReportItem::label(QStringLiteral("firmaAclaracion"), SignatureLeft, 686, SignatureWidth,
                                      17, utf8("Firma del agente de retención"))
                        .withFont(8)
                        .withAlignment(ItemAlignment::Center));

    report.detail = std::move(band);
    return report;
}

QStringList wrapAmountWords(const QString &text)
{
    QStringList lines;
    QString current;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString candidate = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
        const bool fits =
            ArialMetrics::textWidth(toPdfText(candidate), true, WordsFontSize) <= WordsWidthPoints;
        if (fits || current.isEmpty() || lines.size() == WordsLines - 1) {
            current = candidate;
        } else {
            lines << current;
            current = word;
        }
    }
    if (!current.isEmpty())
        lines << current;
    return lines;
}
