#include "tests/report/listing_fixture.h"

ReportDefinition listingLikeReport(const QImage &leftLogo, const QImage &rightLogo)
{
    ReportDefinition r;
    ReportBand header{718, 149, true, 1, {}};
    header.items = {
        ReportItem::image("logoLeft", 13, 9, 209, 87, leftLogo),
        ReportItem::label("title", 240, 40, 243, 23, QString::fromUtf8("DDJJ Agentes de Retención"))
            .withFont(14),
        ReportItem::image("logoRight", 493, 9, 209, 82, rightLogo),
        ReportItem::label("periodo", 8, 102, 51, 17, "Periodo").withFont(10, true),
        ReportItem::label("t1", 8, 125, 106, 17, "Nro. Comprobante"),
        ReportItem::label("t2", 175, 125, 37, 17, "Fecha"),
        ReportItem::label("t3", 271, 126, 24, 17, "Cuit"),
        ReportItem::label("t4", 374, 125, 99, 17, "Importe Retenido"),
        ReportItem::label("t5", 540, 125, 78, 17, QString::fromUtf8("Razón Social")),
    };
    ReportBand detail{718, 19, false, 1, {}};
    detail.items = {
        ReportItem::dataField("NROCOM", 41, 2, 46, 15).withFont(8),
        ReportItem::dataField("FECHA", 175, 2, 35, 15).withFont(8),
        ReportItem::dataField("CUIT", 273, 2, 23, 15).withFont(8),
        ReportItem::dataField("IMPORTE", 393, 2, 44, 15).withFont(8),
        ReportItem::dataField("RAZON", 539, 2, 38, 15).withFont(8),
    };
    detail.items[3].display = [](const QVariant &v) { return QString::number(v.toDouble(), 'f', 2); };
    ReportBand footer{718, 91, false, 1, {}};
    footer.items = {
        ReportItem::label("s1", 67, 12, 584, 17, "Declaro que los datos"),
        ReportItem::label("s2", 67, 35, 589, 17, QString::fromUtf8("siendo fiel expresión de la verdad.")),
        ReportItem::label("totalLabel", 417, 58, 128, 17, "Total Retenido ====>"),
        ReportItem::label("Qrtotal", 630, 58, 26, 17, "0.00")
            .withFont(10, true)
            .withAlignment(ItemAlignment::Right),
    };
    r.pageHeader = header;
    r.detail = detail;
    r.pageFooter = footer;
    return r;
}

QImage patternImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x & 0xff, y & 0xff, (x * 7 + y * 13) & 0xff));
    return image;
}

TableRowSource listingRows(int n)
{
    TableRowSource rows({"NROCOM", "FECHA", "CUIT", "IMPORTE", "RAZON"});
    for (int i = 1; i <= n; ++i)
        rows.addRow({QString::number(i), "15/03/2017", "20-12345678-9", 1000.0 + i, "Proveedor SA"});
    return rows;
}
