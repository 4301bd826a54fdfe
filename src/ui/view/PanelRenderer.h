#pragma once

#include "ui/view/PanelLook.h"

#include <QFont>
#include <QHash>
#include <QImage>

class PanelController;
struct PanelBitmaps;

// Composes the whole panel on the layout's canvas, pixel for pixel as
// PanelElements::RenderUncached does, but without redoing work whose result cannot change:
// the parts no field changes are painted once into a base image, and every text that depends
// on a field is painted once per value and kept as a ready patch. The canvas is kept between
// paints; each paint puts the patches whose value changed and repaints the live parts.
// The canvas has `ratio` device pixels to the panel's pixel, so text and edges stay sharp on a
// scaled screen; every area keeps its place in panel pixels.
class PanelRenderer {
public:
    explicit PanelRenderer(double ratio = 1.0);
    ~PanelRenderer();

    double DevicePixelRatio() const { return m_ratio; }
    // Paints at `ratio` from the next Render on; a new ratio drops every cached image.
    void SetDevicePixelRatio(double ratio);

    const QImage& Render(const PanelController& panel);
    const QImage& Render(const PanelLook& look);

    // The canvas of the last Render.
    const QImage& Canvas() const { return m_canvas; }

    // What the screen shows, for the view's repaint bookkeeping.
    ShownPanel& Shown() { return m_shown; }

private:
    struct Fonts {
        QFont small, medium, caption, label, brand;
    };

    void BuildBase(const QString& portName);
    const QImage& Patch(quint64 key, const QRect& area, auto&& draw);
    // Puts the patch for the key onto the canvas at the area's place, unless the canvas already
    // shows it there.
    void Put(quint64 key, const QRect& area, auto&& draw);
    // The canvas starts afresh: no patch is on it.
    void ResetCanvas(QImage canvas);
    void PutRowPatches(int row, const RowLook& look);
    void PaintRowLive(QPainter& p, int row, const RowLook& look);

    double m_ratio;
    const PanelBitmaps* m_bitmaps;
    Fonts m_fonts;
    QImage m_base;    // everything no field but the port name changes
    QImage m_scratch; // the base, for painting patches at their own place
    QImage m_canvas;
    QString m_basePort;
    bool m_hasBase = false;
    bool m_canvasOnBase = false;
    QHash<quint64, QImage> m_patches;
    // The key of the patch the canvas shows at each place (a patch kind and row). A sweep of the
    // faders changes the numbers only; the switches and labels need not be copied again.
    QHash<quint64, quint64> m_onCanvas;
    qsizetype m_patchBytes = 0;
    ShownPanel m_shown;
};
