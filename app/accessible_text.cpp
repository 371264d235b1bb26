#include "app/accessible_text.h"

#include "app/masked_edit.h"

#include <QAccessibleWidget>
#include <QCompleter>
#include <QFontMetrics>
#include <QLineEdit>
#include <QList>
#include <QTextBoundaryFinder>

namespace {
// The offsets where pieces of the given kind start, with 0 and the length among them. The
// finder is walked at most once per character, so a finder that never reports its end cannot
// keep the caller waiting.
QList<int> boundaries(const QString &text, QAccessible::TextBoundaryType boundary)
{
    const int length = static_cast<int>(text.size());
    QList<int> result{0};
    auto add = [&](int position) {
        if (position > result.last() && position < length)
            result.append(position);
    };
    switch (boundary) {
    case QAccessible::NoBoundary:
        break;
    case QAccessible::LineBoundary:
    case QAccessible::ParagraphBoundary:
        for (int i = 0; i < length; ++i)
            if (text.at(i) == QLatin1Char('\n'))
                add(i + 1);
        break;
    case QAccessible::CharBoundary:
    case QAccessible::WordBoundary:
    case QAccessible::SentenceBoundary: {
        const auto type = boundary == QAccessible::CharBoundary   ? QTextBoundaryFinder::Grapheme
                          : boundary == QAccessible::WordBoundary ? QTextBoundaryFinder::Word
                                                                  : QTextBoundaryFinder::Sentence;
        QTextBoundaryFinder finder(type, text);
        for (int steps = 0; steps <= length; ++steps) {
            const auto position = finder.toNextBoundary();
            if (position <= 0 || position >= length)
                break;
            add(static_cast<int>(position));
        }
        break;
    }
    }
    if (length > 0)
        result.append(length);
    return result;
}
} // namespace

TextSegment textSegment(const QString &text, int offset, QAccessible::TextBoundaryType boundary,
                        SegmentSide side)
{
    const int length = static_cast<int>(text.size());
    if (offset == -1)
        offset = length;
    if (offset < 0 || offset > length)
        return {};
    const QList<int> starts = boundaries(text, boundary);
    // Pieces are [starts[i], starts[i + 1]); the one past the last is the empty character at
    // the end.
    const int pieces = static_cast<int>(starts.size()) - 1;
    int at = 0;
    while (at < pieces && starts[at + 1] <= offset)
        ++at;
    if (at == pieces && boundary != QAccessible::CharBoundary && pieces > 0)
        at = pieces - 1;
    const int index = side == SegmentSide::Before ? at - 1 : side == SegmentSide::After ? at + 1 : at;
    if (index < 0)
        return {QString(), 0, 0};
    if (index >= pieces)
        return {QString(), length, length};
    const int start = starts[index];
    const int end = starts[index + 1];
    return {text.mid(start, end - start), start, end};
}

QString readableText(const QLineEdit &edit)
{
    QString shown = edit.displayText();
    if (const auto *masked = qobject_cast<const MaskedEdit *>(&edit);
        masked != nullptr && masked->isMasked()) {
        const QChar blank = EditMask::parse(masked->editMask()).blank;
        shown.replace(blank, QLatin1Char(' '));
    }
    return shown;
}

namespace {
class LineEditAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit LineEditAccessible(QLineEdit *edit) : QAccessibleWidget(edit, QAccessible::EditableText) {}

    QLineEdit *edit() const { return static_cast<QLineEdit *>(widget()); }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return readableText(*edit());
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        const bool readOnly = edit()->isReadOnly();
        s.editable = !readOnly;
        s.readOnly = readOnly;
        s.selectableText = true;
        s.passwordEdit = edit()->echoMode() != QLineEdit::Normal;
        s.hasPopup = edit()->completer() != nullptr;
        return s;
    }

    // Text.
    QString text(int startOffset, int endOffset) const override
    {
        const QString all = readableText(*edit());
        const int length = static_cast<int>(all.size());
        if (endOffset == -1 || endOffset > length)
            endOffset = length;
        startOffset = qBound(0, startOffset, length);
        return endOffset > startOffset ? all.mid(startOffset, endOffset - startOffset) : QString();
    }
    int characterCount() const override { return static_cast<int>(edit()->displayText().size()); }
    int cursorPosition() const override { return edit()->cursorPosition(); }
    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }

    // A read-only box selects its text when Tab enters it and unselects it when the focus
    // leaves: that is how it is drawn, nothing the clerk did, and it is not read as a selection.
    bool readsSelection() const { return edit()->hasSelectedText() && !edit()->isReadOnly(); }
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0 || !readsSelection())
            return;
        *startOffset = edit()->selectionStart();
        *endOffset = edit()->selectionEnd();
    }
    int selectionCount() const override { return readsSelection() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex == 0)
            edit()->deselect();
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex != 0)
            return;
        const int length = characterCount();
        startOffset = qBound(0, startOffset, length);
        endOffset = qBound(0, endOffset, length);
        edit()->setSelection(startOffset, endOffset - startOffset);
    }

    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                             int *endOffset) const override
    {
        return answer(offset, boundaryType, SegmentSide::Before, startOffset, endOffset);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                         int *endOffset) const override
    {
        return answer(offset, boundaryType, SegmentSide::At, startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                            int *endOffset) const override
    {
        return answer(offset, boundaryType, SegmentSide::After, startOffset, endOffset);
    }

    // Where a character stands on the screen: the caret's place, moved by the width of the
    // characters between the caret and it.
    QRect characterRect(int offset) const override
    {
        const QString all = readableText(*edit());
        if (offset < 0 || offset >= all.size())
            return QRect();
        const QFontMetrics metrics(edit()->font());
        const int caret = qBound(0, edit()->cursorPosition(), static_cast<int>(all.size()));
        const QRect caretRect = edit()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const int x = caretRect.x() + metrics.horizontalAdvance(all.left(offset)) -
                      metrics.horizontalAdvance(all.left(caret));
        const QRect local(x, caretRect.y(), metrics.horizontalAdvance(all.at(offset)), caretRect.height());
        return QRect(edit()->mapToGlobal(local.topLeft()), local.size());
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint local = edit()->mapFromGlobal(point);
        if (!edit()->rect().contains(local))
            return -1;
        return edit()->cursorPositionAt(local);
    }
    void scrollToSubstring(int startIndex, int endIndex) override
    {
        Q_UNUSED(endIndex);
        edit()->setCursorPosition(startIndex);
    }
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        Q_UNUSED(offset);
        *startOffset = 0;
        *endOffset = characterCount();
        return QString();
    }

private:
    QString answer(int offset, QAccessible::TextBoundaryType boundaryType, SegmentSide side, int *startOffset,
                   int *endOffset) const
    {
        const TextSegment segment = textSegment(readableText(*edit()), offset, boundaryType, side);
        *startOffset = segment.start;
        *endOffset = segment.end;
        return segment.text;
    }
};
} // namespace

QAccessibleInterface *makeLineEditAccessible(QLineEdit *edit)
{
    return new LineEditAccessible(edit);
}
