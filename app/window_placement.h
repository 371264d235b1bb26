#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a window's frame (title bar and borders included) goes so that it stands centred on
// the work area, the screen less the taskbar. A frame larger than the work area keeps its
// top-left corner on it, so the title bar can still be reached to move the window.
QPoint centredFramePosition(const QRect &workArea, const QSize &frame);
