#pragma once

#include <QAccessible>
#include <QString>

class QLineEdit;
class QAccessibleInterface;

// A piece of a text a screen reader asks for: a character, a word, a sentence, a line, and the
// offsets where it starts and ends (the end excluded).
struct TextSegment {
    QString text;
    int start = -1;
    int end = -1;
    bool operator==(const TextSegment &) const = default;
};

enum class SegmentSide { Before, At, After };

// The segment of the given kind at an offset of the text, or the one just before or just after
// it. Offsets run from 0 to the text's length; -1 stands for the end of the text. At the end,
// the character is the empty one after the last, and the word, sentence and line are the last
// ones. Every offset is answered at once: an offset outside the text gives an empty segment at
// -1, a side with nothing on it an empty segment where the text ends on that side.
TextSegment textSegment(const QString &text, int offset, QAccessible::TextBoundaryType boundary,
                        SegmentSide side);

// The text a screen reader reads in a box: what the clerk sees, an edit mask's blanks as
// spaces, a hidden password as its bullets.
QString readableText(const QLineEdit &edit);

// The reader's view of a one-line box: its text, caret and selection, and its pieces answered
// by textSegment.
QAccessibleInterface *makeLineEditAccessible(QLineEdit *edit);
