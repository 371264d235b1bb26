#pragma once

#include <QObject>
#include <functional>

class QKeyEvent;
class QWidget;

// The filters that typed characters pass through before an edit box sees them.
enum class KeyFilter { Digit, Amount, Enter };

struct KeyFilterOutcome {
    bool moveOn = false; // the focus moves to the next tab stop, as with Tab
    bool beep = false;
};

// Applies the filter to a typed character code; a code set to 0 is swallowed.
KeyFilterOutcome applyKeyFilter(KeyFilter filter, char16_t &key);

// The character code a key press types, as the clerk's desktop delivers it (Enter 13,
// Backspace 8, Escape 27, Ctrl+letter 1 to 26); 0 when the key types nothing, as the editing
// keys (Delete, the moves, select all, undo and the clipboard shortcuts) and Alt combinations do.
char16_t typedCharacter(const QKeyEvent &event);

// True for a key press with Alt (not AltGr) that carries a printable text: it must not type.
bool isAltCharacter(const QKeyEvent &event);

// Hands every character typed into a widget to a handler before the widget sees it; a
// character the handler sets to 0 never reaches the widget. An Alt combination that carries
// a character never reaches it either: `refuse` runs instead.
class KeyPressHook : public QObject {
public:
    using Handler = std::function<void(char16_t &key)>;

    static void install(QWidget *widget, Handler handler, std::function<void()> refuse = {});

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    KeyPressHook(QWidget *widget, Handler handler, std::function<void()> refuse);

    Handler handler_;
    std::function<void()> refuse_;
};
