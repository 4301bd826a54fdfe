#pragma once

#include "ui/color/PickerGeometry.h"

class QStyle;
class QWidget;

// Width of the classic 3D edge. The frames are always drawn two lines thick, so a flat
// style's one-pixel frame width is raised to two.
int EdgeMetric(const QStyle* style, const QWidget* widget = nullptr);
PickerMetrics PickerMetricsFor(const QStyle* style, const QWidget* widget = nullptr);
