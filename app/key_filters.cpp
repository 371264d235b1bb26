#include "app/key_filters.h"

#include <QKeyEvent>
#include <QWidget>

namespace {
constexpr char16_t Enter = 13;
constexpr char16_t Backspace = 8;

bool isDigit(char16_t key)
{
    return key >= u'0' && key <= u'9';
}

// Keys that edit the box rather than type into it. Delete carries the text DEL on X11 and
// Windows, and the clipboard shortcuts carry control characters; the box itself acts on them.
// Insert covers Shift+Insert and Ctrl+Insert, Delete covers Shift+Delete, and Ctrl+Z with
// Shift is the redo of the Linux desktops.
bool isEditingKey(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Delete:
    case Qt::Key_Insert:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        break;
    }
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier)) {
        switch (event.key()) {
        case Qt::Key_A:
        case Qt::Key_C:
        case Qt::Key_V:
        case Qt::Key_X:
        case Qt::Key_Z:
        case Qt::Key_Y:
            return true;
        default:
            break;
        }
    }
    return false;
}
} // namespace

KeyFilterOutcome applyKeyFilter(KeyFilter filter, char16_t &key)
{
    KeyFilterOutcome outcome;
    if (key == Enter) {
        key = 0;
        outcome.moveOn = true;
    }
    if (filter == KeyFilter::Enter)
        return outcome;
    // An Enter is 0 by now, so it beeps in these boxes as well.
    const bool passes =
        key == Backspace || isDigit(key) || (filter == KeyFilter::Amount && (key == u',' || key == u'.'));
    if (!passes) {
        key = 0;
        outcome.beep = true;
    }
    return outcome;
}

bool isAltCharacter(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    // Ctrl+Alt is AltGr on the clerk's keyboard, which types characters of its own.
    if (!(modifiers & Qt::AltModifier) || (modifiers & Qt::ControlModifier))
        return false;
    const QString text = event.text();
    return !text.isEmpty() && text.at(0).isPrint();
}

char16_t typedCharacter(const QKeyEvent &event)
{
    if (isEditingKey(event))
        return 0;
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    // Alt alone makes a menu key, not a character; Ctrl+Alt is AltGr on the clerk's keyboard.
    if ((modifiers & Qt::AltModifier) && !(modifiers & Qt::ControlModifier))
        return 0;
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0;
    default:
        break;
    }
    if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier) && event.key() >= Qt::Key_A &&
        event.key() <= Qt::Key_Z)
        return char16_t(event.key() - Qt::Key_A + 1);
    const QString text = event.text();
    return text.isEmpty() ? 0 : text.at(0).unicode();
}

void KeyPressHook::install(QWidget *widget, Handler handler, std::function<void()> refuse)
{
    new KeyPressHook(widget, std::move(handler), std::move(refuse));
}

KeyPressHook::KeyPressHook(QWidget *widget, Handler handler, std::function<void()> refuse)
    : QObject(widget), handler_(std::move(handler)), refuse_(std::move(refuse))
{
    widget->installEventFilter(this);
}

bool KeyPressHook::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto &press = *static_cast<QKeyEvent *>(event);
    if (isAltCharacter(press)) {
        // The clerk's desktop types nothing for Alt and a letter that no button takes.
        if (refuse_)
            refuse_();
        return true;
    }
    char16_t key = typedCharacter(press);
    if (key == 0)
        return false;
    handler_(key);
    return key == 0;
}
