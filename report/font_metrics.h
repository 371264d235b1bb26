#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Arial and Arial Bold as the PDF references them: by name, not embedded, WinAnsi encoded.
// Widths are in thousandths of the font size, for the codes 32 to 255 (128 is the euro).
namespace ArialMetrics {
constexpr int firstChar = 32;
constexpr int lastChar = 255;
constexpr int ascent = 905;
constexpr int descent = -212;
constexpr int capHeight = 716;

int charWidth(bool bold, unsigned char code);
// Width in points of WinAnsi bytes set in the given size.
double textWidth(QByteArrayView winAnsi, bool bold, double size);
// The text as it fits in `width` points: whole when it fits (blanks at its end aside), else cut
// so that, without the blanks before the cut and followed by "...", it does.
QByteArray elidedText(const QByteArray &winAnsi, bool bold, double size, double width);
} // namespace ArialMetrics
