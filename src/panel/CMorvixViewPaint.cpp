#include "panel/CMorvixView.h"

#include <QPainter>

void CMorvixView::RequestRepaint() { update(); }

void CMorvixView::paintEvent(QPaintEvent*) {
    if (!m_panel.m_redrawPending)
        return;
    m_panel.m_redrawPending = 0;
    QPainter(this).drawImage(0, 0, m_renderer.Render(m_panel));
}
