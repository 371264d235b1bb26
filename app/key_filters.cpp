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

char16_t typedCharacter(const QKeyEvent &event)
{
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

void KeyPressHook::install(QWidget *widget, Handler handler)
{
    new KeyPressHook(widget, std::move(handler));
}

KeyPressHook::KeyPressHook(QWidget *widget, Handler handler) : QObject(widget), handler_(std::move(handler))
{
    widget->installEventFilter(this);
}

bool KeyPressHook::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    char16_t key = typedCharacter(*static_cast<QKeyEvent *>(event));
    if (key == 0)
        return false;
    handler_(key);
    return key == 0;
}
