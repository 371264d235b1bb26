#include "app/after_first_paint.h"
#include "app/startup_probe.h"

#include "tests/app/app_test_support.h"

#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>

namespace {

// The work waits for the first paint, and comes after the start-up probe has read its clock:
// what runs there is not part of the start-up the clerk waits for. A window that is never
// painted gets it after the fallback time, or never when none was given.
TEST(AfterFirstPaint, RunsOnceAfterThePaintAndTheProbe)
{
    ensureQtApplication();
    struct Case {
        const char *name;
        bool shown;
        int fallbackMs;
        bool runs;
    };
    for (const Case &c : {Case{"shown", true, -1, true}, Case{"shown, fallback", true, 5000, true},
                          Case{"hidden, fallback", false, 50, true}, Case{"hidden", false, -1, false}}) {
        SCOPED_TRACE(c.name);
        qputenv("RETENCIONES_STARTUP_PROBE", "1");
        QWidget window;
        window.resize(200, 100);
        int runs = 0;
        bool painted = false;
        std::string printedBefore;
        testing::internal::CaptureStdout();
        runAfterFirstPaint(
            window,
            [&] {
                ++runs;
                painted = window.isVisible();
                printedBefore = testing::internal::GetCapturedStdout();
                testing::internal::CaptureStdout();
            },
            c.fallbackMs);
        reportFirstPaintIfAsked(window);
        if (c.shown)
            window.show();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < (c.shown ? 300 : 200))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const std::string printedAfter = testing::internal::GetCapturedStdout();
        qunsetenv("RETENCIONES_STARTUP_PROBE");

        EXPECT_EQ(runs, c.runs ? 1 : 0);
        if (c.shown) {
            EXPECT_TRUE(painted);
            // The probe's line was already written when the work began.
            EXPECT_NE(printedBefore.find('\n'), std::string::npos);
        }
        EXPECT_EQ(printedAfter, "");
    }
}

} // namespace
