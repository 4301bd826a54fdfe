#pragma once

#include <QRect>
#include <QSize>

// Metrics the picker button is sized from: the 3D edge and the scroll-bar thumb.
struct PickerMetrics {
    int cxEdge = 2;
    int cyEdge = 2;
    int thumbWidth = 16;
    int thumbHeight = 16;
};

// Side of the square drop-down arrow box.
int ArrowSide(const PickerMetrics& m);
// The button's size: the height is always fixed, the width only grows.
QSize FitPickerSize(const PickerMetrics& m, QSize current);
// The arrow box at the right end of a button of `size`.
QRect ArrowRectFor(const PickerMetrics& m, QSize size);
// The colour swatch: inside the edge, left of the arrow box.
QRect SwatchRectFor(const PickerMetrics& m, QSize size);
