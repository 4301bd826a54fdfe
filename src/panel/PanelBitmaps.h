#pragma once

#include <QImage>

// The panel's bitmap resources, loaded once and kept in the canvas's pixel format.
struct PanelBitmaps {
    QImage background; // 147: the white 800 x 600 canvas
    QImage plus;       // 149
    QImage minus;      // 150
    QImage plusHover;  // 151
    QImage minusHover; // 152

    static const PanelBitmaps& Get();
    // A resource by its number, as stored (null if there is none).
    static QImage Load(int resourceId);
};
