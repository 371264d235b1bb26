#include "certificates/certificate_text.h"

#include "common/codepage.h"
#include "report/font_metrics.h"

namespace {
// Below this the text could not be read on paper; only a word of more than a hundred wide
// capitals gets there, and it is then broken between letters.
constexpr double SmallestSize = 4;

// Breaks at blanks so that each line fits, the last taking what is left; false when a line
// does not fit anyway.
bool wrapAt(const QList<QByteArray> &words, bool bold, double size, double width, int maxLines,
            QList<QByteArray> &lines)
{
    lines.clear();
    QByteArray current;
    for (const QByteArray &word : words) {
        QByteArray candidate = current.isEmpty() ? word : current + ' ' + word;
        if (current.isEmpty() || ArialMetrics::textWidth(candidate, bold, size) <= width ||
            lines.size() == maxLines - 1) {
            current = std::move(candidate);
        } else {
            lines << current;
            current = word;
        }
    }
    if (!current.isEmpty())
        lines << current;
    for (const QByteArray &line : lines)
        if (ArialMetrics::textWidth(line, bold, size) > width)
            return false;
    return true;
}
} // namespace

QString amountInFigures(qint64 cents)
{
    const bool negative = cents < 0;
    const quint64 magnitude = negative ? quint64(-(cents + 1)) + 1 : quint64(cents);
    QString whole = QString::number(magnitude / 100);
    for (qsizetype at = whole.size() - 3; at > 0; at -= 3)
        whole.insert(at, QLatin1Char('.'));
    return QStringLiteral("$ ") + (negative ? QStringLiteral("-") : QString()) + whole + QLatin1Char(',') +
           QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

QByteArray toWinAnsi(const QString &text)
{
    return ToSystemCodePage(text);
}

FittedText fitText(const QByteArray &winAnsi, bool bold, double size, double width, int maxLines)
{
    FittedText fitted{size, {}};
    const QList<QByteArray> words = winAnsi.simplified().split(' ');
    if (winAnsi.simplified().isEmpty() || maxLines < 1)
        return fitted;
    for (double s = size; s >= SmallestSize; s -= 0.5) {
        if (wrapAt(words, bold, s, width, maxLines, fitted.lines)) {
            fitted.size = s;
            return fitted;
        }
    }
    // One word wider than its place even in the smallest size: cut between letters.
    fitted.size = SmallestSize;
    QList<QByteArray> lines;
    QByteArray current;
    for (const char c : winAnsi.simplified()) {
        if (!current.isEmpty() && ArialMetrics::textWidth(current + c, bold, SmallestSize) > width &&
            lines.size() < maxLines - 1) {
            lines << current;
            current.clear();
        }
        current += c;
    }
    lines << current;
    fitted.lines = lines;
    return fitted;
}
