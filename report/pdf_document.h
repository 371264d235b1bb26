#pragma once

#include <QByteArray>
#include <QImage>

#include <memory>
#include <vector>

// A page's content stream, one function per PDF operator. Coordinates are in points from
// the bottom-left corner of the page, as PDF counts them.
class PdfPage {
public:
    enum class Font { Regular, Bold };

    void saveState();                                                // q
    void restoreState();                                             // Q
    void setLineWidth(double width);                                 // w
    void setStrokeGray(double gray);                                 // G
    void setFillGray(double gray);                                   // g
    void setDash(double on, double off);                             // d (0, 0: solid)
    void moveTo(double x, double y);                                 // m
    void lineTo(double x, double y);                                 // l
    void rectangle(double x, double y, double width, double height); // re
    void stroke();                                                   // S
    void clipAndEndPath();                                           // W n
    void beginText();                                                // BT
    void setFont(Font font, double size);                            // Tf
    void moveText(double x, double y);                               // Td
    void showText(const QByteArray &winAnsi);                        // Tj
    void endText();                                                  // ET
    // Draws an image added to the document, scaled to the rectangle (cm and Do).
    void drawImage(int image, double x, double y, double width, double height);
    // Draws a form added to the document where it was drawn (Do).
    void drawForm(int form);
    // The bytes of the content stream so far.
    const QByteArray &content() const { return content_; }

private:
    friend class PdfDocument;
    QByteArray content_;
};

// A PDF document assembled in memory: Arial and Arial Bold by name, images shared by all
// pages, and pages of a fixed size. bytes() gives the whole file, 7-bit ASCII throughout.
class PdfDocument {
public:
    PdfDocument(double pageWidth, double pageHeight);
    ~PdfDocument();
    PdfDocument(const PdfDocument &) = delete;
    PdfDocument &operator=(const PdfDocument &) = delete;

    // Returns the number by which pages draw the image, cut to its top left `cut` when given;
    // alpha is laid over white. The same picture cut the same way is encoded once per process
    // (a listing's logos, declaration after declaration).
    int addImage(const QImage &image, QSize cut = {});
    PdfPage &addPage();
    // Content drawn once and shown by every page that draws it (a form XObject covering the
    // page); returns its number for PdfPage::drawForm.
    int addForm(const PdfPage &content);
    // The document information's Subject, printable ASCII.
    void setSubject(const QByteArray &subject) { subject_ = subject; }
    int pageCount() const { return static_cast<int>(pages_.size()); }
    double pageHeight() const { return pageHeight_; }

    QByteArray bytes() const;

private:
    struct Image {
        int width;
        int height;
        QByteArray data; // Flate, then ASCII85
    };
    double pageWidth_;
    double pageHeight_;
    std::vector<Image> images_;
    std::vector<QByteArray> forms_;
    QByteArray subject_;
    std::vector<std::unique_ptr<PdfPage>> pages_;
};
