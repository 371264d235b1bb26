#pragma once

#include <QString>
#include <functional>

class Dialogs;

// Runs the window's event handlers so that no error ever reaches Qt. An error ends the
// handler where it was raised; nothing done before is undone, the clean-up closes what the
// handler left open, and the default error box shows the message.
class HandlerGuard {
public:
    HandlerGuard(Dialogs &dialogs, QString applicationTitle);

    void setCleanup(std::function<void()> cleanup) { cleanup_ = std::move(cleanup); }
    const QString &applicationTitle() const { return title_; }

    // True when the handler ran to its end.
    bool run(const std::function<void()> &handler) noexcept;

private:
    void report(const QString &message) noexcept;

    Dialogs &dialogs_;
    QString title_;
    std::function<void()> cleanup_;
};
