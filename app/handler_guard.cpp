#include "app/handler_guard.h"

#include "common/dialogs.h"
#include "common/errors.h"

HandlerGuard::HandlerGuard(Dialogs &dialogs, QString applicationTitle)
    : dialogs_(dialogs), title_(std::move(applicationTitle))
{
}

bool HandlerGuard::run(const std::function<void()> &handler) noexcept
{
    try {
        handler();
        return true;
    } catch (const AppError &error) {
        report(error.message());
    } catch (const std::exception &error) {
        report(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        report(QStringLiteral("Unknown error"));
    }
    return false;
}

void HandlerGuard::report(const QString &message) noexcept
{
    // Files first, so that they can be opened again at once whatever the clerk does next.
    try {
        if (cleanup_)
            cleanup_();
    } catch (...) {
    }
    try {
        dialogs_.ShowError(title_, DefaultErrorBoxText(message));
    } catch (...) {
    }
}
