#include "ui/color/PickerGeometry.h"

#include "ui/color/RectLTRB.h"

#include <algorithm>

int ArrowSide(const PickerMetrics& m) {
    const int width = std::max(m.thumbWidth, 5 * m.cxEdge);
    const int height = std::max(m.thumbHeight, 12 * m.cyEdge);
    return std::max(width, height);
}

QSize FitPickerSize(const PickerMetrics& m, QSize current) {
    const int s = ArrowSide(m);
    return QSize(std::max(current.width(), 2 * (s + m.cxEdge)), s + 2 * m.cyEdge);
}

QRect ArrowRectFor(const PickerMetrics& m, QSize size) {
    const int s = ArrowSide(m);
    const int right = size.width();
    return RectLTRB(right - s - m.cxEdge, m.cyEdge, right - m.cxEdge, size.height() - m.cyEdge);
}

QRect SwatchRectFor(const PickerMetrics& m, QSize size) {
    const QRect arrow = ArrowRectFor(m, size);
    return RectLTRB(m.cxEdge, m.cyEdge, size.width() - m.cxEdge - arrow.width(),
                    size.height() - m.cyEdge);
}
