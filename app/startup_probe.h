#pragma once

class QWidget;

// For timing the start-up from outside: when the environment variable
// RETENCIONES_STARTUP_PROBE is set, once the window has finished its first paint the program
// writes one line to standard output, the monotonic clock (CLOCK_MONOTONIC) and the CPU time
// the process has used (user and system), both in microseconds, and ends as if the window
// were closed. Without the variable it does nothing.
void reportFirstPaintIfAsked(QWidget &window);
