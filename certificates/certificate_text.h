#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// How the certificates write their texts: amounts as Argentines write them, and names that keep
// within their place however wide their letters.

// "$ 4.200.000,00", "$ 62,00": a "$", thousands grouped with ".", "," before the cents.
QString amountInFigures(qint64 cents);

// Text in the PDF's WinAnsi encoding, letters with accents and Ñ kept; a character WinAnsi lacks
// takes its best fit.
QByteArray toWinAnsi(const QString &text);

// A text set in at most `maxLines` lines no wider than `width` points: broken at blanks, in the
// largest size from `size` down (by half points) at which every line fits.
struct FittedText {
    double size = 0;
    QList<QByteArray> lines; // never more than maxLines; empty for a blank text
};
FittedText fitText(const QByteArray &winAnsi, bool bold, double size, double width, int maxLines);
