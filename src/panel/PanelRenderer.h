#pragma once

#include "panel/PanelLook.h"

#include <QFont>
#include <QHash>
#include <QImage>

class PanelController;
struct PanelBitmaps;

// Composes the whole panel on an 800 x 600 canvas, pixel for pixel as
// PanelElements::RenderUncached does, but without redoing work whose result cannot change:
// the parts no field changes are painted once into a base image, and every text that depends
// on a field is painted once per value and kept as a ready patch. The canvas is kept between
// paints; each paint repaints every part a field can change.
class PanelRenderer {
public:
    static constexpr int kPanelWidth = 800;
    static constexpr int kPanelHeight = 600;

    PanelRenderer();
    ~PanelRenderer();

    const QImage& Render(const PanelController& panel);
    const QImage& Render(const PanelLook& look);

    // What the screen shows, for the view's repaint bookkeeping.
    ShownPanel& Shown() { return m_shown; }

private:
    struct Fonts {
        QFont small, medium, caption, label, brand;
    };

    void BuildBase(const QString& portName);
    const QImage& Patch(quint64 key, const QRect& area, auto&& draw);
    void RenderRow(QPainter& p, int row, const RowLook& look);

    const PanelBitmaps& m_bitmaps;
    Fonts m_fonts;
    QImage m_base;    // everything no field but the port name changes
    QImage m_scratch; // the base, for painting patches at their own place
    QImage m_canvas;
    QString m_basePort;
    bool m_hasBase = false;
    bool m_canvasOnBase = false;
    QHash<quint64, QImage> m_patches;
    ShownPanel m_shown;
};
