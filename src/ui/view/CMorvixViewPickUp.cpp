#include "model/PanelLayout.h"
#include "ui/view/CMorvixView.h"

#include <QPainter>
#include <QPainterPath>

void CMorvixView::SetPickUpMarks(const PickUpMarks& marks) {
    for (int row = 0; row < CHANNEL_COUNT; ++row) {
        if (marks[row] == m_pickUpMarks[row])
            continue;
        // The canvas under the mark is drawn again with the mark, or without it.
        m_panel.MarkRedrawPending();
        update(PanelLayout::PickUpMarkArea(row));
    }
    m_pickUpMarks = marks;
}

// Over the canvas, not in it: the marks are the surface's, not the panel's state.
void CMorvixView::PaintPickUpMarks(QPainter& p, const QRegion& region) const {
    p.setRenderHint(QPainter::Antialiasing);
    for (int row = 0; row < CHANNEL_COUNT; ++row) {
        const QRect area = PanelLayout::PickUpMarkArea(row);
        if (m_pickUpMarks[row] == PickUpMark::None || !region.intersects(area))
            continue;
        const QRectF r(area);
        QPainterPath triangle;
        if (m_pickUpMarks[row] == PickUpMark::Up) {
            triangle.moveTo(r.left(), r.bottom());
            triangle.lineTo(r.right(), r.bottom());
            triangle.lineTo(r.center().x(), r.top());
        } else {
            triangle.moveTo(r.left(), r.top());
            triangle.lineTo(r.right(), r.top());
            triangle.lineTo(r.center().x(), r.bottom());
        }
        triangle.closeSubpath();
        p.fillPath(triangle, QColor(0xd0, 0x60, 0x00));
    }
}
