#include "app/exit_tracker.h"

#include "app/handler_guard.h"
#include "app/masked_edit.h"
#include "common/errors.h"

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

const QString ExitTracker::InvalidInputMessage =
    QStringLiteral("Invalid input value.  Use escape key to abandon changes");

ExitTracker::ExitTracker(QWidget *window, HandlerGuard &guard, std::function<void()> beep)
    : QObject(window), window_(window), guard_(guard), beep_(std::move(beep))
{
    connect(qApp, &QApplication::focusChanged, this, &ExitTracker::focusChanged);
}

void ExitTracker::setExitHandler(QWidget *control, std::function<void()> handler)
{
    handlers_.insert(control, std::move(handler));
}

void ExitTracker::focusChanged(QWidget *old, QWidget *now)
{
    if (running_ || now == nullptr || now->window() != window_)
        return;
    // Coming back from another window is no exit either: the focus lands where the program
    // put it while that window had the keyboard (the legajo box after the reset's question).
    if (active_.isNull() || old == nullptr || old->window() != window_) {
        active_ = now;
        return;
    }
    if (now == active_)
        return;

    QWidget *from = active_;
    bool refused = false;
    running_ = true;
    guard_.run([&] {
        if (auto *masked = qobject_cast<MaskedEdit *>(from); masked && !masked->acceptsLeaving()) {
            refused = true;
            ++refusedMoves_;
            beep_();
            throw AppError(InvalidInputMessage);
        }
        if (const auto handler = handlers_.constFind(from); handler != handlers_.cend() && *handler)
            (*handler)();
    });
    // Only now, with any message box closed, can the focus go back for good.
    if (refused && from)
        from->setFocus(Qt::OtherFocusReason);
    running_ = false;

    // Wherever the check left the focus is where the clerk is now.
    QWidget *landed = window_->focusWidget();
    active_ = landed ? landed : now;
    if (landed && landed != now) {
        swallowPendingClick(now);
        announceFocusLater(landed);
    }
}

void ExitTracker::announceFocusLater(QWidget *landed)
{
    // The move that ran the check tells a screen reader about its target only once the check
    // has returned, so the reader would hear last of the control the check moved away from.
    // It is told again where the focus is, once that move has ended.
    if (!QAccessible::isActive())
        return;
    QTimer::singleShot(0, this, [landed = QPointer<QWidget>(landed)] {
        if (landed && landed->hasFocus()) {
            QAccessibleEvent event(landed, QAccessible::Focus);
            QAccessible::updateAccessibility(&event);
        }
    });
}

void ExitTracker::swallowPendingClick(QWidget *target)
{
    // A click moves the focus before the press reaches the control; once the move has been
    // cancelled, that press (and the release of the same click) must not act.
    if (clickTarget_)
        clickTarget_->removeEventFilter(this);
    clickTarget_ = target;
    target->installEventFilter(this);
    QTimer::singleShot(0, this, [this, target = QPointer<QWidget>(target)] {
        if (target && clickTarget_ == target) {
            target->removeEventFilter(this);
            clickTarget_ = nullptr;
        }
    });
}

bool ExitTracker::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == clickTarget_) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            return true;
        case QEvent::MouseButtonRelease:
            clickTarget_->removeEventFilter(this);
            clickTarget_ = nullptr;
            return true;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
