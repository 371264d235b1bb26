#pragma once

#include <QString>

// Removes every code unit of value 32 or less from both ends (blanks, tabs, line breaks,
// NUL); a no-break space and everything else above 32 stays.
QString TrimBlanks(const QString &text);

// The part of text from the 1-based position start, count code units long. A start below 1
// counts as 1 without shortening the count; a start past the end or a negative count gives
// the empty text; the count is cut at the end of the text.
QString SubText(const QString &text, qsizetype start, qsizetype count);

// The same two over a view, for reading a part of a text without copying it.
QStringView TrimBlanksView(QStringView text);
QStringView SubTextView(QStringView text, qsizetype start, qsizetype count);
