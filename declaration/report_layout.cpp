#include "declaration/report_layout.h"

#include "common/numbers.h"

namespace {
// Every band runs the full printable width of A4 less the margins.
constexpr int bandWidth = 718;

ReportItem text(const char *name, int left, int top, int width, int height, const char *caption)
{
    return ReportItem::label(QString::fromLatin1(name), left, top, width, height, QString::fromUtf8(caption));
}

ReportItem field(const char *column, int left, int width)
{
    return ReportItem::dataField(QString::fromLatin1(column), left, 2, width, 15).withFont(8);
}
} // namespace

ReportDefinition ListingReport(const QImage &leftLogo, const QImage &rightLogo)
{
    ReportDefinition report; // A4 portrait, 10 mm margins, Arial 10 pt
    ReportBand header{bandWidth, 149, true, 1, {}};
    header.items = {
        ReportItem::image("logoIzquierdo", 13, 9, 209, 87, leftLogo),
        text("titulo", 240, 40, 243, 23, "DDJJ Agentes de Retención").withFont(14),
        ReportItem::image("logoDerecho", 493, 9, 209, 82, rightLogo),
        text("periodo", 8, 102, 51, 17, "Periodo").withFont(10, true),
        text("tituloNroCom", 8, 125, 106, 17, "Nro. Comprobante"),
        text("tituloFecha", 175, 125, 37, 17, "Fecha"),
        text("tituloCuit", 271, 126, 24, 17, "Cuit"),
        text("tituloImporte", 374, 125, 99, 17, "Importe Retenido"),
        text("tituloRazon", 540, 125, 78, 17, "Razón Social"),
    };

    ReportBand detail{bandWidth, 19, false, 1, {}};
    detail.items = {field("NROCOM", 41, 46), field("FECHA", 175, 35), field("CUIT", 273, 23),
                    field("IMPORTE", 393, 44), field("RAZON", 539, 38)};
    // A long company name is cut at the band's right edge, the right margin, not at the paper's.
    detail.items[4].maxWidth = bandWidth - detail.items[4].left;
    // The amount is stored as a double; it prints with two decimals and the regional separator.
    detail.items[3].display = [](const QVariant &value) {
        return value.isNull() ? QString() : FormatDecimal(QStringLiteral("0.00"), value.toDouble());
    };

    ReportBand footer{bandWidth, 91, false, 1, {}};
    footer.items = {
        text("declaro1", 67, 12, 584, 17,
             "Declaro que los datos consignados en el archivo generado son correctos y completos y que han "
             "sido"),
        text(
            "declaro2", 67, 35, 589, 17,
            "confeccionados sin omitir ni falsear dato alguno que deba contener, siendo fiel expresión de la "
            "verdad."),
        text("totalRetenido", 417, 58, 128, 17, "Total Retenido ====>"),
        text("Qrtotal", 630, 58, 26, 17, "0.00").withFont(10, true).withAlignment(ItemAlignment::Right),
        // Under the total on the last page: what the listing lists, so that the paper can be
        // matched to the file handed in.
        text("resumen", 67, 75, 584, 15, "").withFont(8),
    };
    footer.items.back().lastPageOnly = true;

    report.pageHeader = std::move(header);
    report.detail = std::move(detail);
    report.pageFooter = std::move(footer);
    return report;
}
