#include "report/pdf_document.h"

#include "report/font_metrics.h"
#include "report/pdf_number.h"
#include "report/pdf_text.h"
#include "report/stream_encoding.h"

#include <QMutex>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace {
// Room for `length` more bytes at the end of `out`, whose size grows by as much; `done` gives
// back what was not written. Growing in place costs one allocation now and then, where
// appending piece by piece would check and copy for every number and name of an operator.
char *room(QByteArray &out, qsizetype length)
{
    const qsizetype at = out.size();
    out.resize(at + length);
    return out.data() + at;
}
void done(QByteArray &out, const char *end)
{
    out.truncate(end - out.constData());
}
char *put(char *p, const char *text)
{
    while (*text)
        *p++ = *text++;
    return p;
}

void appendOperator(QByteArray &out, std::initializer_list<double> operands, const char *op)
{
    char *p =
        room(out, qsizetype(operands.size()) * (MaxPdfNumberLength + 1) + qsizetype(std::strlen(op)) + 1);
    for (const double v : operands) {
        p += writePdfNumber(p, v);
        *p++ = ' ';
    }
    p = put(p, op);
    *p++ = '\n';
    done(out, p);
}

QByteArray fontObjects(bool bold, int descriptorObject)
{
    const QByteArray name = bold ? "/Arial,Bold" : "/Arial";
    QByteArray font = "<< /Type /Font /Subtype /TrueType /BaseFont " + name + " /FirstChar " +
                      QByteArray::number(ArialMetrics::firstChar) + " /LastChar " +
                      QByteArray::number(ArialMetrics::lastChar) + " /Widths [";
    for (int c = ArialMetrics::firstChar; c <= ArialMetrics::lastChar; ++c) {
        if ((c - ArialMetrics::firstChar) % 16 == 0)
            font.append('\n');
        font.append(QByteArray::number(ArialMetrics::charWidth(bold, static_cast<unsigned char>(c))));
        font.append(' ');
    }
    font.append("]\n/Encoding /WinAnsiEncoding /FontDescriptor " + QByteArray::number(descriptorObject) +
                " 0 R >>");
    return font;
}

QByteArray fontDescriptor(bool bold)
{
    // Nonsymbolic (flag 32); the box and stems are Arial's own.
    return QByteArray("<< /Type /FontDescriptor /FontName ") + (bold ? "/Arial,Bold" : "/Arial") +
           " /Flags 32 /FontBBox " + (bold ? "[-628 -376 2000 1010]" : "[-665 -325 2000 1006]") +
           " /ItalicAngle 0 /Ascent " + QByteArray::number(ArialMetrics::ascent) + " /Descent " +
           QByteArray::number(ArialMetrics::descent) + " /CapHeight " +
           QByteArray::number(ArialMetrics::capHeight) +
           (bold ? " /StemV 136 /FontWeight 700" : " /StemV 88") + " >>";
}

QByteArray streamObject(const QByteArray &dictionary, const QByteArray &data)
{
    return "<< " + dictionary + " /Length " + QByteArray::number(data.size()) + " >>\nstream\n" + data +
           "\nendstream";
}
} // namespace

void PdfPage::saveState()
{
    content_.append("q\n");
}
void PdfPage::restoreState()
{
    content_.append("Q\n");
}
void PdfPage::setLineWidth(double width)
{
    appendOperator(content_, {width}, "w");
}
void PdfPage::setStrokeGray(double gray)
{
    appendOperator(content_, {gray}, "G");
}
void PdfPage::setFillGray(double gray)
{
    appendOperator(content_, {gray}, "g");
}
void PdfPage::setDash(double on, double off)
{
    if (on <= 0 || off <= 0) {
        content_.append("[] 0 d\n");
        return;
    }
    content_.append('[');
    appendPdfNumber(content_, on);
    content_.append(' ');
    appendPdfNumber(content_, off);
    content_.append("] 0 d\n");
}
void PdfPage::moveTo(double x, double y)
{
    appendOperator(content_, {x, y}, "m");
}
void PdfPage::lineTo(double x, double y)
{
    appendOperator(content_, {x, y}, "l");
}
void PdfPage::rectangle(double x, double y, double width, double height)
{
    appendOperator(content_, {x, y, width, height}, "re");
}
void PdfPage::stroke()
{
    content_.append("S\n");
}
void PdfPage::clipAndEndPath()
{
    content_.append("W n\n");
}
void PdfPage::beginText()
{
    content_.append("BT\n");
}
void PdfPage::setFont(Font font, double size)
{
    char *p = room(content_, 4 + MaxPdfNumberLength + 4);
    p = put(p, font == Font::Bold ? "/F2 " : "/F1 ");
    p += writePdfNumber(p, size);
    done(content_, put(p, " Tf\n"));
}
void PdfPage::moveText(double x, double y)
{
    appendOperator(content_, {x, y}, "Td");
}
void PdfPage::showText(const QByteArray &winAnsi)
{
    char *p = room(content_, PdfStringRoom(winAnsi.size()) + 4);
    p += writePdfString(p, winAnsi);
    done(content_, put(p, " Tj\n"));
}
void PdfPage::endText()
{
    content_.append("ET\n");
}
void PdfPage::drawImage(int image, double x, double y, double width, double height)
{
    saveState();
    appendOperator(content_, {width, 0, 0, height, x, y}, "cm");
    content_.append("/Im" + QByteArray::number(image) + " Do\n");
    restoreState();
}

void PdfPage::drawForm(int form)
{
    content_.append("/Fm" + QByteArray::number(form) + " Do\n");
}

PdfDocument::PdfDocument(double pageWidth, double pageHeight) : pageWidth_(pageWidth), pageHeight_(pageHeight)
{
}

PdfDocument::~PdfDocument() = default;

namespace {
struct EncodedImage {
    qint64 key = 0;
    QSize cut;
    int width = 0;
    int height = 0;
    QByteArray data;
};

EncodedImage encodeImage(const QImage &image)
{
    QImage rgb;
    if (image.hasAlphaChannel()) {
        rgb = QImage(image.size(), QImage::Format_RGB888);
        rgb.fill(Qt::white);
        QPainter painter(&rgb);
        painter.drawImage(0, 0, image);
    } else {
        rgb = image.convertToFormat(QImage::Format_RGB888);
    }
    QByteArray raw;
    const qsizetype rowBytes = qsizetype(rgb.width()) * 3;
    raw.reserve(rowBytes * rgb.height());
    // Scan lines are padded to four bytes in QImage; the PDF wants them packed.
    for (int y = 0; y < rgb.height(); ++y)
        raw.append(reinterpret_cast<const char *>(rgb.constScanLine(y)), rowBytes);
    EncodedImage encoded;
    encoded.width = rgb.width();
    encoded.height = rgb.height();
    encoded.data = ascii85Encode(flateCompress(raw));
    return encoded;
}
} // namespace

int PdfDocument::addImage(const QImage &image, QSize cut)
{
    // A QImage's cache key changes whenever its pixels do, so a stale entry is never found.
    static QMutex lock;
    static std::vector<EncodedImage> encoded;
    constexpr std::size_t Kept = 8;
    const qint64 key = image.cacheKey();
    EncodedImage found;
    {
        const QMutexLocker locked(&lock);
        const auto same = std::find_if(encoded.begin(), encoded.end(),
                                       [&](const EncodedImage &e) { return e.key == key && e.cut == cut; });
        if (same != encoded.end())
            found = *same;
    }
    if (found.data.isEmpty()) {
        found =
            encodeImage(cut.isValid() && cut != image.size() ? image.copy(QRect(QPoint(0, 0), cut)) : image);
        found.key = key;
        found.cut = cut;
        const QMutexLocker locked(&lock);
        if (encoded.size() == Kept)
            encoded.erase(encoded.begin());
        encoded.push_back(found);
    }
    images_.push_back({found.width, found.height, found.data});
    return static_cast<int>(images_.size()) - 1;
}

int PdfDocument::addForm(const PdfPage &content)
{
    forms_.push_back(content.content_);
    return static_cast<int>(forms_.size()) - 1;
}

PdfPage &PdfDocument::addPage()
{
    pages_.push_back(std::make_unique<PdfPage>());
    return *pages_.back();
}

QByteArray PdfDocument::bytes() const
{
    // Objects: 1 catalog, 2 page tree, 3 shared resources, 4-7 fonts and descriptors,
    // then the images, the forms, then each page followed by its content stream.
    constexpr int firstImage = 8;
    const int firstForm = firstImage + static_cast<int>(images_.size());
    const int firstPage = firstForm + static_cast<int>(forms_.size());
    const int infoObject = firstPage + 2 * pageCount();

    QByteArray out;
    qsizetype estimate = 4096;
    for (const auto &image : images_)
        estimate += image.data.size() + 200;
    for (const auto &form : forms_)
        estimate += form.size() + 200;
    for (const auto &page : pages_)
        estimate += page->content_.size() + 200;
    out.reserve(estimate);
    std::vector<qsizetype> offsets(infoObject + 1, 0);
    auto object = [&](int number, const QByteArray &body) {
        offsets[number] = out.size();
        out.append(QByteArray::number(number) + " 0 obj\n");
        out.append(body);
        out.append("\nendobj\n");
    };
    auto ref = [](int number) { return QByteArray::number(number) + " 0 R"; };

    out.append("%PDF-1.4\n");
    object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    QByteArray kids;
    for (int i = 0; i < pageCount(); ++i)
        kids.append(ref(firstPage + 2 * i) + ' ');
    object(2, "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pageCount()) + " >>");
    QByteArray xobjects;
    for (int i = 0; i < static_cast<int>(images_.size()); ++i)
        xobjects.append("/Im" + QByteArray::number(i) + ' ' + ref(firstImage + i) + ' ');
    for (int i = 0; i < static_cast<int>(forms_.size()); ++i)
        xobjects.append("/Fm" + QByteArray::number(i) + ' ' + ref(firstForm + i) + ' ');
    object(3, "<< /ProcSet [/PDF /Text /ImageC] /Font << /F1 4 0 R /F2 6 0 R >> /XObject << " + xobjects +
                  ">> >>");
    object(4, fontObjects(false, 5));
    object(5, fontDescriptor(false));
    object(6, fontObjects(true, 7));
    object(7, fontDescriptor(true));
    for (int i = 0; i < static_cast<int>(images_.size()); ++i) {
        const Image &image = images_[i];
        object(firstImage + i,
               streamObject("/Type /XObject /Subtype /Image /Width " + QByteArray::number(image.width) +
                                " /Height " + QByteArray::number(image.height) +
                                " /ColorSpace /DeviceRGB /BitsPerComponent 8"
                                " /Filter [/ASCII85Decode /FlateDecode]",
                            image.data));
    }
    const QByteArray mediaBox = "[0 0 " + pdfNumber(pageWidth_) + ' ' + pdfNumber(pageHeight_) + ']';
    for (int i = 0; i < static_cast<int>(forms_.size()); ++i)
        object(firstForm + i, streamObject("/Type /XObject /Subtype /Form /BBox " + mediaBox +
                                               " /Resources << /Font << /F1 4 0 R /F2 6 0 R >> >>",
                                           forms_[i]));
    for (int i = 0; i < pageCount(); ++i) {
        const int number = firstPage + 2 * i;
        object(number, "<< /Type /Page /Parent 2 0 R /MediaBox " + mediaBox + " /Resources 3 0 R /Contents " +
                           ref(number + 1) + " >>");
        object(number + 1, streamObject({}, pages_[i]->content_));
    }
    QByteArray info = "<< /Producer (Retenciones) /Creator (Retenciones)";
    if (!subject_.isEmpty()) {
        info.append(" /Subject ");
        appendPdfString(info, subject_);
    }
    object(infoObject, info + " >>");

    const qsizetype xref = out.size();
    out.append("xref\n0 " + QByteArray::number(infoObject + 1) + "\n0000000000 65535 f \n");
    for (int i = 1; i <= infoObject; ++i)
        out.append(QByteArray::number(offsets[i]).rightJustified(10, '0') + " 00000 n \n");
    out.append("trailer\n<< /Size " + QByteArray::number(infoObject + 1) + " /Root 1 0 R /Info " +
               ref(infoObject) + " >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n");
    return out;
}
