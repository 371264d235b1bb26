#include "app/startup_probe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>

#include <sys/resource.h>

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
                rusage usage = {};
                ::getrusage(RUSAGE_SELF, &usage);
                const auto micro = [](const timeval &t) { return t.tv_sec * 1000000LL + t.tv_usec; };
                std::printf("%lld %lld\n",
                            static_cast<long long>(
                                std::chrono::duration_cast<std::chrono::microseconds>(now).count()),
                            micro(usage.ru_utime) + micro(usage.ru_stime));
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
