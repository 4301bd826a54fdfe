#include "panel/PanelRenderer.h"

#include "panel/PanelController.h"

#include <QPainter>

PanelRenderer::PanelRenderer() : m_canvas(kPanelWidth, kPanelHeight, QImage::Format_RGB32) {}

const QImage& PanelRenderer::Render(const PanelController& panel) {
    m_canvas.fill(Qt::white);
    QPainter p(&m_canvas);
    for (int i = 0; i < CHANNEL_COUNT; ++i)
        p.drawText(20, 30 + 30 * i,
                   QStringLiteral("%1CH %2 %3")
                       .arg(i + 1)
                       .arg(panel.m_channelPower[i] ? "ON" : "OFF")
                       .arg(panel.m_channelLevel[i]));
    p.drawText(20, 300, panel.m_portName);
    return m_canvas;
}
