#include "common/text_helpers.h"

QStringView TrimBlanksView(QStringView text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 32)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 32)
        --last;
    return text.mid(first, last - first);
}

QStringView SubTextView(QStringView text, qsizetype start, qsizetype count)
{
    const qsizetype length = text.size();
    if (start < 1)
        start = 1;
    if (start > length || count < 0)
        return {};
    return text.mid(start - 1, qMin(count, length - start + 1));
}

QString TrimBlanks(const QString &text)
{
    // A text with nothing to trim is shared, not copied.
    const QStringView trimmed = TrimBlanksView(text);
    return trimmed.size() == text.size() ? text : trimmed.toString();
}

QString SubText(const QString &text, qsizetype start, qsizetype count)
{
    const QStringView part = SubTextView(text, start, count);
    return part.size() == text.size() ? text : part.toString();
}
