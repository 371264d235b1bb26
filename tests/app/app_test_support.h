#pragma once

#include "app/screen_fonts.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

// One application object for the whole test program, whichever test needs it first.
inline void ensureQtApplication()
{
    if (QApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "app_tests";
        static char *argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    LoadScreenFonts();
}

// Shows a window and waits until it has the keyboard, as the clerk's window has.
inline bool showActive(QWidget &window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}
