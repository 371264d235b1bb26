#include "app/startup_probe.h"

#include "tests/app/app_test_support.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

// Only a launch that asks for it is timed: it then reports the monotonic clock once the
// window has been painted and ends; otherwise the program runs on.
TEST(StartupProbe, ReportsTheFirstPaintAndEndsOnlyWhenAsked)
{
    ensureQtApplication();
    for (const bool asked : {false, true}) {
        SCOPED_TRACE(asked ? "asked" : "not asked");
        if (asked)
            qputenv("RETENCIONES_STARTUP_PROBE", "1");
        else
            qunsetenv("RETENCIONES_STARTUP_PROBE");
        QWidget window;
        window.resize(200, 100);
        const auto before = std::chrono::steady_clock::now().time_since_epoch();
        testing::internal::CaptureStdout();
        reportFirstPaintIfAsked(window);
        window.show();
        // The probe ends the program's event loop; a program not asked runs on until stopped.
        QTimer stop;
        stop.setSingleShot(true);
        QObject::connect(&stop, &QTimer::timeout, [] { QCoreApplication::exit(7); });
        stop.start(asked ? 10000 : 500);
        const int ended = QApplication::exec();
        const std::string printed = testing::internal::GetCapturedStdout();
        qunsetenv("RETENCIONES_STARTUP_PROBE");

        EXPECT_EQ(ended, asked ? 0 : 7);
        if (!asked) {
            EXPECT_EQ(printed, "");
            continue;
        }
        // The clock, then the CPU time used so far, on one line.
        std::size_t end = 0;
        const long long clock = std::stoll(printed, &end);
        const long long cpu = std::stoll(printed.substr(end));
        EXPECT_GE(clock, std::chrono::duration_cast<std::chrono::microseconds>(before).count());
        EXPECT_GT(cpu, 0);
        EXPECT_EQ(printed.back(), '\n');
    }
}

} // namespace
