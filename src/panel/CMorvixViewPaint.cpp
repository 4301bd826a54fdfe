#include "panel/CMorvixView.h"

#include <QPaintEvent>
#include <QPainter>

// The repeat tick asks for a repaint 50 times a second; only the parts of the screen whose look
// differs from what they show are invalidated, so an idle panel costs no painting at all.
void CMorvixView::RequestRepaint() {
    const QRegion outdated = m_renderer.Shown().OutdatedRegion(PanelLook::Of(m_panel), rect());
    if (!outdated.isEmpty())
        update(outdated);
}

void CMorvixView::paintEvent(QPaintEvent* event) {
    if (!m_panel.m_redrawPending) {
        // Nothing is drawn, so what the region shows is no longer known.
        m_renderer.Shown().Forget(event->region());
        return;
    }
    m_panel.m_redrawPending = 0;
    const PanelLook look = PanelLook::Of(m_panel);
    const QImage& canvas = m_renderer.Render(look);
    QPainter p(this);
    for (const QRect& r : event->region())
        p.drawImage(r.topLeft(), canvas, r);
    p.end();
    m_renderer.Shown().Painted(look, event->region(), rect());
}
