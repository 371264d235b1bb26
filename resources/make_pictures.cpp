// Draws the program's pictures: the emblem and the title plate of the main window, and the
// two button glyphs. Not part of the build; run it by hand when a picture changes:
//   g++ -std=c++20 -fPIC make_pictures.cpp $(pkg-config --cflags --libs Qt6Gui) -o make_pictures
//   QT_QPA_PLATFORM=offscreen ./make_pictures images ../packaging/icons
// The town and its emblem are invented for the program.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

const QColor navy(0x1B, 0x3F, 0x7A);
const QColor gold(0xE0, 0xA8, 0x24);
const QColor green(0x3C, 0x8D, 0x3F);
const QColor river(0x4A, 0x9B, 0xD9);

QFont face(const QString &family, int pixels, bool bold)
{
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

QPainterPath shieldOutline(const QRectF &r)
{
    // Flat top with small shoulders, straight sides, and a rounded point at the bottom.
    QPainterPath p;
    p.moveTo(r.left(), r.top());
    p.lineTo(r.right(), r.top());
    p.lineTo(r.right(), r.top() + r.height() * 0.50);
    p.cubicTo(r.right(), r.top() + r.height() * 0.80, r.center().x() + r.width() * 0.20, r.bottom() - 4,
              r.center().x(), r.bottom());
    p.cubicTo(r.center().x() - r.width() * 0.20, r.bottom() - 4, r.left(), r.top() + r.height() * 0.80,
              r.left(), r.top() + r.height() * 0.50);
    p.closeSubpath();
    return p;
}

// The town's shield in the rectangle: the emblem's left part and the program's icon.
void drawShield(QPainter &p, const QRectF &shield)
{
    const QPainterPath outline = shieldOutline(shield);
    p.save();
    p.setClipPath(outline);
    // Sky with the rising sun.
    QLinearGradient sky(shield.topLeft(), QPointF(shield.left(), shield.top() + 50));
    sky.setColorAt(0, QColor(0x9F, 0xCB, 0xF2));
    sky.setColorAt(1, QColor(0xDD, 0xEE, 0xFC));
    p.fillRect(shield, sky);
    const QPointF sunCentre(shield.center().x(), shield.top() + 44);
    p.setPen(QPen(gold, 2.2, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i <= 8; ++i) {
        const double a = M_PI * (i / 8.0);
        p.drawLine(sunCentre + QPointF(-std::cos(a) * 16, -std::sin(a) * 16),
                   sunCentre + QPointF(-std::cos(a) * 24, -std::sin(a) * 24));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(gold);
    p.drawEllipse(sunCentre, 12, 12);
    // Green hills over the sun's lower half.
    QPainterPath hills;
    hills.moveTo(shield.left(), shield.top() + 50);
    hills.cubicTo(shield.left() + 20, shield.top() + 36, shield.left() + 40, shield.top() + 50,
                  shield.center().x(), shield.top() + 46);
    hills.cubicTo(shield.right() - 14, shield.top() + 42, shield.right() - 6, shield.top() + 44,
                  shield.right(), shield.top() + 48);
    hills.lineTo(shield.right(), shield.bottom());
    hills.lineTo(shield.left(), shield.bottom());
    hills.closeSubpath();
    p.setBrush(green);
    p.drawPath(hills);
    // Two wavy bands of a river across the foot of the shield.
    p.setBrush(Qt::NoBrush);
    for (int band = 0; band < 2; ++band) {
        const double y = shield.top() + 62 + band * 9;
        QPainterPath wave;
        wave.moveTo(shield.left() - 2, y);
        for (double x = shield.left() - 2; x < shield.right() + 2; x += 16)
            wave.cubicTo(x + 4, y - 4, x + 12, y + 4, x + 16, y);
        p.setPen(QPen(river, 4.5));
        p.drawPath(wave);
        p.setPen(QPen(Qt::white, 1.3));
        p.drawPath(wave.translated(0, -0.4));
    }
    p.restore();
    // Gold border with a dark rim, and a band across the top naming the town.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(navy, 4.5));
    p.drawPath(outline);
    p.setPen(QPen(gold, 2));
    p.drawPath(outline);
    const QRectF chief(shield.left() + 2, shield.top() + 2, shield.width() - 4, 15);
    p.fillRect(chief, navy);
    p.setPen(Qt::white);
    p.setFont(face(QStringLiteral("Liberation Serif"), 10, true));
    p.drawText(chief, Qt::AlignCenter, QStringLiteral("QUENVARA"));
    p.setPen(QPen(gold, 1));
    p.drawLine(QPointF(chief.left(), chief.bottom() + 0.5), QPointF(chief.right(), chief.bottom() + 0.5));
}

// 213 x 107: the shield on the left, the town's name to its right. The lower right corner lies
// under the header panel of the main window, so the text stays in the upper part.
QImage escudo()
{
    QImage img(213, 107, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawShield(p, QRectF(8.5, 6.5, 66, 90));

    // The name, right of the shield.
    p.setPen(navy);
    p.setFont(face(QStringLiteral("Liberation Serif"), 13, true));
    p.drawText(QRectF(82, 14, 128, 18), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Municipalidad"));
    p.setFont(face(QStringLiteral("Liberation Serif"), 12, false));
    p.drawText(QRectF(82, 32, 128, 16), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("de"));
    p.setFont(face(QStringLiteral("Liberation Serif"), 20, true));
    p.drawText(QRectF(82, 46, 128, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quenvara"));
    p.setPen(QPen(gold, 2));
    p.drawLine(QPointF(83, 76), QPointF(160, 76));
    return img;
}

// 232 x 107: a coloured band with the title. Only the left 201 pixels show on the main window,
// and the lower left corner lies under the header panel.
QImage titulo()
{
    QImage img(232, 107, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QRectF band(0, 12, 232, 62);
    QLinearGradient fill(band.topLeft(), band.bottomLeft());
    fill.setColorAt(0, QColor(0x2C, 0x5C, 0xA8));
    fill.setColorAt(1, navy);
    p.fillRect(band, fill);
    p.fillRect(QRectF(0, band.top() - 3, 232, 2), gold);
    p.fillRect(QRectF(0, band.bottom() + 1, 232, 2), gold);

    p.setPen(Qt::white);
    p.setFont(face(QStringLiteral("Liberation Sans"), 24, true));
    p.drawText(QRectF(6, band.top() + 4, 190, 30), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("Quenvara"));
    p.setPen(QColor(0xF4, 0xD4, 0x7C));
    p.setFont(face(QStringLiteral("Liberation Sans"), 14, false));
    p.drawText(QRectF(6, band.top() + 34, 190, 22), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("Tasas Municipales"));

    // Nothing below row 82: the listing shows only the top 82 rows of the plate.
    return img;
}

// The program's icon on the desktop: the shield alone, centred on a transparent square.
QImage icon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // The shield is drawn at its emblem size, 66 x 90 with its rim, and scaled to the square.
    const double scale = size / 96.0;
    p.scale(scale, scale);
    drawShield(p, QRectF((96 - 66) / 2.0, 3, 66, 90));
    return img;
}

QImage transparentGlyph()
{
    QImage img(32, 32, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

QImage diskette()
{
    QImage img = transparentGlyph();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // Body with the cut corner at the top right.
    QPainterPath body;
    body.moveTo(3.5, 4.5);
    body.quadTo(3.5, 2.5, 5.5, 2.5);
    body.lineTo(25, 2.5);
    body.lineTo(29.5, 7);
    body.lineTo(29.5, 27.5);
    body.quadTo(29.5, 29.5, 27.5, 29.5);
    body.lineTo(5.5, 29.5);
    body.quadTo(3.5, 29.5, 3.5, 27.5);
    body.closeSubpath();
    QLinearGradient shade(0, 2, 0, 30);
    shade.setColorAt(0, QColor(0x35, 0x5E, 0xB0));
    shade.setColorAt(1, QColor(0x1A, 0x36, 0x75));
    p.setBrush(shade);
    p.setPen(QPen(QColor(0x10, 0x22, 0x4E), 1));
    p.drawPath(body);

    // Metal shutter with its window.
    p.setPen(QPen(QColor(0x70, 0x78, 0x84), 1));
    p.setBrush(QColor(0xD2, 0xD8, 0xE0));
    p.drawRect(QRectF(9.5, 2.5, 14, 9));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2A, 0x30, 0x3A));
    p.drawRect(QRectF(18, 4, 3.5, 6));

    // Paper label with writing lines.
    p.setPen(QPen(QColor(0xB8, 0xC0, 0xCC), 1));
    p.setBrush(QColor(0xFA, 0xFA, 0xF6));
    p.drawRoundedRect(QRectF(7.5, 15.5, 18, 12), 1, 1);
    p.setPen(QPen(QColor(0x9A, 0xA6, 0xC0), 1));
    for (double y : {19.5, 22.5, 25.5})
        p.drawLine(QPointF(10, y), QPointF(23, y));
    return img;
}

QImage check()
{
    QImage img = transparentGlyph();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    QRadialGradient disc(QPointF(12, 10), 22);
    disc.setColorAt(0, QColor(0x5A, 0x9C, 0xF0));
    disc.setColorAt(1, QColor(0x17, 0x4E, 0xB4));
    p.setBrush(disc);
    p.setPen(QPen(QColor(0x10, 0x38, 0x88), 1));
    p.drawEllipse(QPointF(16, 16), 14.5, 14.5);

    QPainterPath mark;
    mark.moveTo(8.5, 16.5);
    mark.lineTo(13.5, 21.5);
    mark.lineTo(23.5, 10.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 3.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(mark);
    return img;
}

bool save(const QImage &img, const QDir &dir, const QString &name, int quality)
{
    const QString path = dir.filePath(name);
    if (img.save(path, nullptr, quality))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("images"));
    bool ok = save(escudo(), dir, QStringLiteral("escudo.jpg"), 95);
    ok = save(titulo(), dir, QStringLiteral("titulo.jpg"), 95) && ok;
    ok = save(diskette().convertToFormat(QImage::Format_ARGB32), dir, QStringLiteral("diskette.png"), -1) &&
         ok;
    ok = save(check().convertToFormat(QImage::Format_ARGB32), dir, QStringLiteral("check.png"), -1) && ok;
    if (argc > 2) {
        // The desktop icons, at the sizes the package installs.
        const QDir icons(QString::fromLocal8Bit(argv[2]));
        for (int size : {48, 128, 256})
            ok = save(icon(size).convertToFormat(QImage::Format_ARGB32), icons,
                      QStringLiteral("retenciones-%1.png").arg(size), -1) &&
                 ok;
    }
    return ok ? 0 : 1;
}
