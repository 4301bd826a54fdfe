#pragma once

#include <QRect>

// Rectangle from Windows-style edges: right and bottom are exclusive.
constexpr QRect RectLTRB(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}
