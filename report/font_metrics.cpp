#include "report/font_metrics.h"

#include <iterator>

namespace {
// Advance widths of the codes 32 to 126, then 127 (undefined in WinAnsi), the euro and the rest of
// WinAnsi up to 255 (0 for its five undefined codes).
constexpr int regularWidths[] = {
    278, 278, 355, 556, 556, 889,  667,  191,  333, 333, 389,  584, 278, 333,  278,  278, 556, 556, 556,
    556, 556, 556, 556, 556, 556,  556,  278,  278, 584, 584,  584, 556, 1015, 667,  667, 722, 722, 667,
    611, 778, 722, 278, 500, 667,  556,  833,  722, 778, 667,  778, 722, 667,  611,  722, 667, 944, 667,
    667, 611, 278, 278, 278, 469,  556,  333,  556, 556, 500,  556, 556, 278,  556,  556, 222, 222, 500,
    222, 833, 556, 556, 556, 556,  333,  500,  278, 556, 500,  722, 500, 500,  500,  334, 260, 334, 584,
    350, 556, 0,   222, 556, 333,  1000, 556,  556, 333, 1000, 667, 333, 1000, 0,    611, 0,   0,   222,
    222, 333, 333, 350, 556, 1000, 333,  1000, 500, 333, 944,  0,   500, 667,  278,  333, 556, 556, 556,
    556, 260, 556, 333, 737, 370,  556,  584,  333, 737, 552,  400, 549, 333,  333,  333, 576, 537, 278,
    333, 333, 365, 556, 834, 834,  834,  611,  667, 667, 667,  667, 667, 667,  1000, 722, 667, 667, 667,
    667, 278, 278, 278, 278, 722,  722,  778,  778, 778, 778,  778, 584, 778,  722,  722, 722, 722, 667,
    667, 611, 556, 556, 556, 556,  556,  556,  889, 500, 556,  556, 556, 556,  278,  278, 278, 278, 556,
    556, 556, 556, 556, 556, 556,  549,  611,  556, 556, 556,  556, 500, 556,  500,
};
constexpr int boldWidths[] = {
    278, 333, 474, 556, 556, 889,  722,  238,  333, 333, 389,  584, 278, 333,  278,  278, 556, 556, 556,
    556, 556, 556, 556, 556, 556,  556,  333,  333, 584, 584,  584, 611, 975,  722,  722, 722, 722, 667,
    611, 778, 722, 278, 556, 722,  611,  833,  722, 778, 667,  778, 722, 667,  611,  722, 667, 944, 667,
    667, 611, 333, 278, 333, 584,  556,  333,  556, 611, 556,  611, 556, 333,  611,  611, 278, 278, 556,
    278, 889, 611, 611, 611, 611,  389,  556,  333, 611, 556,  778, 556, 556,  500,  389, 280, 389, 584,
    350, 556, 0,   278, 556, 500,  1000, 556,  556, 333, 1000, 667, 333, 1000, 0,    611, 0,   0,   278,
    278, 500, 500, 350, 556, 1000, 333,  1000, 556, 333, 944,  0,   500, 667,  278,  333, 556, 556, 556,
    556, 280, 556, 333, 737, 370,  556,  584,  333, 737, 552,  400, 549, 333,  333,  333, 576, 556, 278,
    333, 333, 365, 556, 834, 834,  834,  611,  722, 722, 722,  722, 722, 722,  1000, 722, 667, 667, 667,
    667, 278, 278, 278, 278, 722,  722,  778,  778, 778, 778,  778, 584, 778,  722,  722, 722, 722, 667,
    667, 611, 556, 556, 556, 556,  556,  556,  889, 556, 556,  556, 556, 556,  278,  278, 278, 278, 611,
    611, 611, 611, 611, 611, 611,  549,  611,  611, 611, 611,  611, 556, 611,  556,
};
static_assert(std::size(regularWidths) == ArialMetrics::lastChar - ArialMetrics::firstChar + 1);
static_assert(std::size(boldWidths) == ArialMetrics::lastChar - ArialMetrics::firstChar + 1);
} // namespace

namespace {
int advance(const int *widths, unsigned char code)
{
    // Control characters never come out of the text conversion as visible glyphs.
    return code < ArialMetrics::firstChar ? 0 : widths[code - ArialMetrics::firstChar];
}
} // namespace

namespace ArialMetrics {
int charWidth(bool bold, unsigned char code)
{
    return advance(bold ? boldWidths : regularWidths, code);
}

double textWidth(QByteArrayView winAnsi, bool bold, double size)
{
    const int *widths = bold ? boldWidths : regularWidths;
    long units = 0;
    for (const char c : winAnsi)
        units += advance(widths, static_cast<unsigned char>(c));
    return units * size / 1000.0;
}

QByteArray elidedText(const QByteArray &winAnsi, bool bold, double size, double width)
{
    // Blanks at the end show nothing (a fixed-width column pads its text with them).
    qsizetype shown = winAnsi.size();
    while (shown > 0 && winAnsi.at(shown - 1) == ' ')
        --shown;
    if (textWidth(QByteArrayView(winAnsi).first(shown), bold, size) <= width)
        return winAnsi;
    static const QByteArray ellipsis = QByteArrayLiteral("...");
    const double room = width - textWidth(ellipsis, bold, size);
    double used = 0;
    qsizetype kept = 0;
    while (kept < winAnsi.size()) {
        const double next =
            used + charWidth(bold, static_cast<unsigned char>(winAnsi.at(kept))) * size / 1000.0;
        if (next > room)
            break;
        used = next;
        ++kept;
    }
    while (kept > 0 && winAnsi.at(kept - 1) == ' ')
        --kept;
    return winAnsi.left(kept) + ellipsis;
}
} // namespace ArialMetrics
