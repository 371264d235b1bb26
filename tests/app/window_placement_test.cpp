#include "app/window_placement.h"

#include "tests/support/qt_print.h"

#include <gtest/gtest.h>

namespace {

// The main window's frame under a desktop with a 4-pixel border and a 23-pixel title bar.
const QSize Frame(933 + 8, 650 + 23 + 4);

TEST(WindowPlacement, TheFrameStandsCentredOnTheWorkArea)
{
    struct Case {
        const char *desktop;
        QRect workArea;
        QSize frame;
        QPoint topLeft;
    };
    const Case cases[] = {
        // (1024 - 941) / 2 = 41, (768 - 30 - 677) / 2 = 30
        {"taskbar at the bottom", QRect(0, 0, 1024, 738), Frame, QPoint(41, 30)},
        {"taskbar at the top", QRect(0, 30, 1024, 738), Frame, QPoint(41, 60)},
        {"taskbar on the left", QRect(60, 0, 1220, 1024), Frame, QPoint(199, 173)},
        {"second screen to the right", QRect(1920, 0, 1920, 1040), Frame, QPoint(2409, 181)},
        {"no frame yet", QRect(0, 0, 1920, 1080), QSize(933, 650), QPoint(493, 215)},
        {"work area smaller than the frame", QRect(0, 0, 800, 570), Frame, QPoint(0, 0)},
        {"narrower only", QRect(10, 0, 900, 1000), Frame, QPoint(10, 161)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.desktop);
        EXPECT_EQ(centredFramePosition(c.workArea, c.frame), c.topLeft);
    }
}

} // namespace
