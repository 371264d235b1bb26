#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class HandlerGuard;
class QWidget;

// Runs a control's exit check when the focus moves from it to another control of the same
// window, whatever moved it (Tab, Enter, a click, the program). Qt reports a focus move after
// it happened, so this tracker, not the widgets, decides what counts as leaving:
// - a move to another window (a message box, the help window, a file dialog) is no exit, and
//   the return from there runs nothing;
// - a check that puts the focus back cancels the move: the control that briefly had the focus
//   runs no check of its own, and a click that moved the focus there does not act;
// - focus moves made while a check runs start no other checks;
// - a masked box typed into and lacking a required digit refuses the move before its check.
class ExitTracker : public QObject {
    Q_OBJECT

public:
    static const QString InvalidInputMessage;

    ExitTracker(QWidget *window, HandlerGuard &guard, std::function<void()> beep);

    void setExitHandler(QWidget *control, std::function<void()> handler);
    // The control the window considers focused; it stays while another window has the focus.
    QWidget *activeControl() const { return active_; }
    // How many moves a masked box has refused so far (each with its beep).
    int refusedMoves() const { return refusedMoves_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void focusChanged(QWidget *old, QWidget *now);
    void swallowPendingClick(QWidget *target);
    void announceFocusLater(QWidget *landed);

    QWidget *window_;
    HandlerGuard &guard_;
    std::function<void()> beep_;
    QHash<QWidget *, std::function<void()>> handlers_;
    QPointer<QWidget> active_;
    QPointer<QWidget> clickTarget_;
    bool running_ = false;
    int refusedMoves_ = 0;
};
