#pragma once

#include <QImage>

// The panel's bitmap resources, loaded once and kept in the canvas's pixel format.
struct PanelBitmaps {
    QImage background; // the white canvas, PanelLayout::kCanvas in size
    QImage plus;       // the + step button
    QImage minus;      // the − step button
    QImage plusHover;  // the + step button under the pointer
    QImage minusHover; // the − step button under the pointer

    static const PanelBitmaps& Get();
    // The same images for a canvas with `ratio` device pixels to the panel's pixel: as many
    // pixels as the ratio gives and tagged with it, so they keep their size and place on the
    // panel. The triangles are drawn afresh at that size, the background scaled smoothly.
    static const PanelBitmaps& At(double ratio);
    // A resource by its number, as stored (null if there is none).
    static QImage Load(int resourceId);
    // A button triangle `size` pixels square: the two rows 2k and 2k + 1 counted from the tip
    // fill the 2k + 2 middle columns (an odd size is drawn one larger and scaled down).
    static QImage Triangle(int size, bool up, QRgb ink, QRgb ground);
};
