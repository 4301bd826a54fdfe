#include "ui/color/StyleMetrics.h"

#include <QStyle>
#include <algorithm>

int EdgeMetric(const QStyle* style, const QWidget* widget) {
    return std::max(2, style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, widget));
}

PickerMetrics PickerMetricsFor(const QStyle* style, const QWidget* widget) {
    PickerMetrics m;
    m.cxEdge = m.cyEdge = EdgeMetric(style, widget);
    m.thumbWidth = m.thumbHeight = style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, widget);
    return m;
}
