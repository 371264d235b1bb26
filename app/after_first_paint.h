#pragma once

#include <functional>

class QWidget;

// Runs `work` once, from the event loop, right after the window's first paint: what the clerk
// does not need to see the window (the database's attach, a notice) costs the start-up nothing.
// A window that is not painted within `fallbackMs` (minimised at start) gets the work then; a negative
// `fallbackMs` waits for the paint however long it takes.
void runAfterFirstPaint(QWidget &window, std::function<void()> work, int fallbackMs = -1);
