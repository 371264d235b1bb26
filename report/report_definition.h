#pragma once

#include <QImage>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>
#include <vector>

// What an expression item may look at while the report runs.
struct ReportContext {
    int pageNumber = 0;
    int rowsPlaced = 0;
    bool lastPage = false; // known once the last row is placed, for the last page's footer
};

struct ReportFont {
    double size = 10; // points
    bool bold = false;
};

enum class ItemAlignment { Left, Right, Center };

// One item of a band. Geometry is in the layout's pixels (96 per inch), measured from the
// band's top-left corner; width and height are the design size.
struct ReportItem {
    enum class Kind { Label, DataField, Expression, Image, Frame };

    Kind kind = Kind::Label;
    QString name;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    QString caption;                                          // Label
    QString field;                                            // DataField: column name
    std::function<QString(const QVariant &)> display;         // DataField: value to text (else toString)
    std::function<QString(const ReportContext &)> expression; // Expression
    QImage picture;                                           // Image: natural size, cut to the item
    double lineWidth = 1;                                     // Frame: points

    std::optional<ReportFont> font; // the report's default font when unset
    ItemAlignment alignment = ItemAlignment::Left;
    // An auto-sized text is never cut: its width follows the text, keeping the edge its
    // alignment names. Otherwise the text is cut to the item's rectangle.
    bool autoSize = true;
    // A text wider than this many layout pixels is cut to end in "..." within them (0: never),
    // so that it stays on the paper.
    int maxWidth = 0;
    // Shown on the report's last page only.
    bool lastPageOnly = false;

    static ReportItem label(QString name, int left, int top, int width, int height, QString caption);
    static ReportItem dataField(QString field, int left, int top, int width, int height);
    static ReportItem image(QString name, int left, int top, int width, int height, QImage picture);
    static ReportItem frame(QString name, int left, int top, int width, int height);
    ReportItem &withFont(double size, bool bold = false);
    ReportItem &withAlignment(ItemAlignment a);
};

struct ReportBand {
    int width = 0;  // layout pixels
    int height = 0; // layout pixels
    bool frame = false;
    double frameWidth = 1; // points
    std::vector<ReportItem> items;
};

// A banded report: page header on every page, one detail band per row, page footer on every
// page with its bottom edge on the bottom margin. Paper and margins in tenths of a millimetre.
struct ReportDefinition {
    int paperWidth = 2100;
    int paperHeight = 2970;
    int leftMargin = 100;
    int topMargin = 100;
    int bottomMargin = 100;
    ReportFont defaultFont;
    std::optional<ReportBand> pageHeader;
    std::optional<ReportBand> detail;
    std::optional<ReportBand> pageFooter;

    // The named item of any band, or nullptr.
    ReportItem *item(const QString &name);
    // Sets a label's caption; false when there is no item of that name.
    bool setCaption(const QString &name, const QString &caption);
};
