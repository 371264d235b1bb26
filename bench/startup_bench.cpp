// Start-up to the shown window: the time from the program's entry to the first paint of the
// main window, measured in fresh processes so that loading and first-use costs count. Run
// without arguments it starts itself 20 times and reports the medians; it never fails.
#include "app/qt_dialogs.h"
#include "app/screen_fonts.h"
#include "app/tf_ayuda.h"
#include "app/tf_retenciones.h"
#include "declaration/reten_store.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

class FirstPaint : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

int runOnce(int argc, char *argv[])
{
    QElapsedTimer clock;
    clock.start();
    QApplication application(argc, argv);
    LoadScreenFonts();
    QtDialogs dialogs;
    // As the program starts: the store is made before the window and attached after its first
    // paint, which is not timed here.
    RetenStore store(QStringLiteral("/nonexistent/RETENCIONES.FDB"));
    TF_Retenciones window(dialogs, store, QStringLiteral("/tmp/"));
    TF_ayuda help;
    window.setHelpWindow(&help);
    FirstPaint paint;
    window.installEventFilter(&paint);
    window.show();
    const QDeadlineTimer deadline(10000);
    while (!paint.painted && !deadline.hasExpired())
        application.processEvents(QEventLoop::AllEvents, 50);
    std::printf("%.3f\n", double(clock.nsecsElapsed()) / 1e6);
    return paint.painted ? 0 : 1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--once") == 0)
        return runOnce(argc, argv);

    constexpr int Runs = 20;
    std::vector<double> inProcess, wholeProcess;
    for (int run = 0; run < Runs; ++run) {
        QProcess child;
        QElapsedTimer clock;
        clock.start();
        child.start(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--once")});
        if (!child.waitForFinished(30000) || child.exitCode() != 0) {
            std::fprintf(stderr, "startup_bench: run %d did not show the window\n", run + 1);
            return 1;
        }
        wholeProcess.push_back(double(clock.nsecsElapsed()) / 1e6);
        inProcess.push_back(child.readAllStandardOutput().trimmed().toDouble());
    }

    std::printf("start-up to the first paint of the main window, %zu runs:\n", inProcess.size());
    std::printf("  median %.1f ms (min %.1f, max %.1f)\n", median(inProcess),
                *std::min_element(inProcess.begin(), inProcess.end()),
                *std::max_element(inProcess.begin(), inProcess.end()));
    std::printf("  whole process, launch to exit: median %.1f ms\n", median(wholeProcess));
    return 0;
}
