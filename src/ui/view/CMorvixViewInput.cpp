#include "panel/KeyMap.h"
#include "ui/view/CMorvixView.h"

#include <QKeyEvent>
#include <QMouseEvent>

// Keys act whether or not the selected channel is on; auto-repeated key-downs act each time.
void CMorvixView::keyPressEvent(QKeyEvent* event) {
    if (HandleSceneKey(*event)) {
        event->accept();
        return;
    }
    const int virtualKey = VirtualKeyFor(event->key(), event->modifiers());
    if (virtualKey == VirtualKey::kNone) {
        QWidget::keyPressEvent(event);
        return;
    }
    m_panel.OnKeyDown(virtualKey);
    event->accept();
}

// Only the left button works the panel.
void CMorvixView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    m_panel.OnLButtonDown(pos.x(), pos.y());
}

void CMorvixView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    m_panel.OnMouseMove(pos.x(), pos.y());
}

void CMorvixView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_panel.OnLButtonUp();
}

// Qt delivers the second press of a double-click only as this event.
void CMorvixView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    m_panel.OnLButtonDblClk(pos.x(), pos.y());
}
