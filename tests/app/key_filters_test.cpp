#include "app/key_filters.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

namespace {

TEST(KeyFilters, PassSwallowAndBeepAsEachFilterSays)
{
    struct Case {
        KeyFilter filter;
        char16_t key;
        char16_t after;
        bool moveOn, beep;
    };
    const Case cases[] = {
        {KeyFilter::Digit, u'7', u'7', false, false},
        {KeyFilter::Digit, 8, 8, false, false}, // backspace
        {KeyFilter::Digit, 13, 0, true, true},  // Enter moves on and beeps
        {KeyFilter::Digit, u'A', 0, false, true},
        {KeyFilter::Digit, u',', 0, false, true},
        {KeyFilter::Digit, u'.', 0, false, true},
        {KeyFilter::Digit, u' ', 0, false, true},
        {KeyFilter::Digit, 22, 0, false, true},        // Ctrl+V
        {KeyFilter::Digit, 3, 0, false, true},         // Ctrl+C
        {KeyFilter::Digit, 27, 0, false, true},        // Escape
        {KeyFilter::Digit, u'\u0661', 0, false, true}, // a digit, but not an ASCII one
        {KeyFilter::Amount, u',', u',', false, false},
        {KeyFilter::Amount, u'.', u'.', false, false},
        {KeyFilter::Amount, u'5', u'5', false, false},
        {KeyFilter::Amount, u'-', 0, false, true},
        {KeyFilter::Amount, 13, 0, true, true},
        {KeyFilter::Enter, 13, 0, true, false}, // Enter moves on without a beep
        {KeyFilter::Enter, u'a', u'a', false, false},
        {KeyFilter::Enter, 22, 22, false, false},
    };
    for (const Case &c : cases) {
        char16_t key = c.key;
        const KeyFilterOutcome outcome = applyKeyFilter(c.filter, key);
        EXPECT_EQ(int(key), int(c.after)) << "filter " << int(c.filter) << " key " << int(c.key);
        EXPECT_EQ(outcome.moveOn, c.moveOn) << "filter " << int(c.filter) << " key " << int(c.key);
        EXPECT_EQ(outcome.beep, c.beep) << "filter " << int(c.filter) << " key " << int(c.key);
    }
}

TEST(KeyFilters, KeyPressesTypeTheCharactersOfTheClerksDesktop)
{
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        const char *text;
        int typed;
    };
    const Case cases[] = {
        {Qt::Key_5, Qt::NoModifier, "5", '5'},
        {Qt::Key_Return, Qt::NoModifier, "\r", 13},
        {Qt::Key_Enter, Qt::KeypadModifier, "\r", 13},
        {Qt::Key_Backspace, Qt::NoModifier, "\b", 8},
        {Qt::Key_Escape, Qt::NoModifier, "\x1b", 27},
        {Qt::Key_B, Qt::ControlModifier, "\x02", 2},
        {Qt::Key_Tab, Qt::NoModifier, "\t", 0},
        {Qt::Key_A, Qt::AltModifier, "a", 0},
        // Editing keys, with the text X11 and Windows give them, edit the box.
        {Qt::Key_Delete, Qt::NoModifier, "\x7f", 0},
        {Qt::Key_Home, Qt::NoModifier, "", 0},
        {Qt::Key_End, Qt::ShiftModifier, "", 0},
        {Qt::Key_Left, Qt::NoModifier, "", 0},
        {Qt::Key_Insert, Qt::ShiftModifier, "", 0}, // Shift+Insert pastes unfiltered
        {Qt::Key_A, Qt::ControlModifier, "\x01", 0},
        {Qt::Key_C, Qt::ControlModifier, "\x03", 0},
        {Qt::Key_V, Qt::ControlModifier, "\x16", 0},
        {Qt::Key_X, Qt::ControlModifier, "\x18", 0},
        {Qt::Key_Z, Qt::ControlModifier, "\x1a", 0},
    };
    for (const Case &c : cases) {
        const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers, QString::fromLatin1(c.text));
        EXPECT_EQ(int(typedCharacter(event)), c.typed) << "key " << c.key;
    }
}

} // namespace
