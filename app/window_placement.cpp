#include "app/window_placement.h"

#include <algorithm>

QPoint centredFramePosition(const QRect &workArea, const QSize &frame)
{
    const int x = workArea.left() + (workArea.width() - frame.width()) / 2;
    const int y = workArea.top() + (workArea.height() - frame.height()) / 2;
    return {std::max(x, workArea.left()), std::max(y, workArea.top())};
}
