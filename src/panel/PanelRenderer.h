#pragma once

#include <QImage>

class PanelController;

// Composes the whole panel on an off-screen canvas.
class PanelRenderer {
public:
    static constexpr int kPanelWidth = 800;
    static constexpr int kPanelHeight = 600;

    PanelRenderer();
    const QImage& Render(const PanelController& panel);

private:
    QImage m_canvas;
};
