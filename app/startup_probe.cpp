#include "app/startup_probe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>

namespace {
class FirstPaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // Queued, so the clock is read once the painted window has been flushed.
            QTimer::singleShot(0, [] {
                const auto now = std::chrono::steady_clock::now().time_since_epoch();
                std::printf("%lld\n",
                            static_cast<long long>(
                                std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen_ = false;
};
} // namespace

void reportFirstPaintIfAsked(QWidget &window)
{
    if (qEnvironmentVariableIsEmpty("RETENCIONES_STARTUP_PROBE"))
        return;
    window.installEventFilter(new FirstPaint(&window));
}
