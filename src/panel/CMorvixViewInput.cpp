#include "panel/CMorvixView.h"

#include <QKeyEvent>
#include <QMouseEvent>

void CMorvixView::keyPressEvent(QKeyEvent* event) { QWidget::keyPressEvent(event); }
void CMorvixView::mousePressEvent(QMouseEvent* event) { QWidget::mousePressEvent(event); }
void CMorvixView::mouseMoveEvent(QMouseEvent* event) { QWidget::mouseMoveEvent(event); }
void CMorvixView::mouseReleaseEvent(QMouseEvent* event) { QWidget::mouseReleaseEvent(event); }
void CMorvixView::mouseDoubleClickEvent(QMouseEvent* event) {
    QWidget::mouseDoubleClickEvent(event);
}
