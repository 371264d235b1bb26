#include "app/after_first_paint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {
class FirstPaintWork : public QObject {
public:
    FirstPaintWork(QWidget &window, std::function<void()> work, int fallbackMs)
        : QObject(&window), work_(std::move(work))
    {
        timer_.setSingleShot(true);
        timer_.callOnTimeout(this, &FirstPaintWork::run);
        window.installEventFilter(this);
        if (fallbackMs >= 0)
            timer_.start(fallbackMs);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // A timer, not a posted call: what was queued at the paint, the window's flush included,
        // comes first, in the order it was queued.
        if (event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            timer_.start(0);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void run()
    {
        parent()->removeEventFilter(this);
        const std::function<void()> work = std::move(work_);
        deleteLater();
        work();
    }

    std::function<void()> work_;
    QTimer timer_;
    bool painted_ = false;
};
} // namespace

void runAfterFirstPaint(QWidget &window, std::function<void()> work, int fallbackMs)
{
    new FirstPaintWork(window, std::move(work), fallbackMs);
}
