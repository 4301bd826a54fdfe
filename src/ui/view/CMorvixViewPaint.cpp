#include "ui/view/CMorvixView.h"
#include "ui/view/PanelElements.h"

#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>

// The repeat tick asks for a repaint 50 times a second; only the parts of the screen whose look
// differs from what they show are invalidated, so an idle panel costs no painting at all.
void CMorvixView::RequestRepaint() {
    // Changes from scripts and other clients may come faster than a screen shows them; each
    // paint also sends its pixels to the display server. One paint a screen frame is enough.
    if (m_lastPaint.isValid() && m_lastPaint.elapsed() < kPaintIntervalMs) {
        if (!m_paintLater.isActive())
            m_paintLater.start(int(kPaintIntervalMs - m_lastPaint.elapsed()));
        return;
    }
    const QRegion outdated = m_renderer.Shown().OutdatedRegion(PanelLook::Of(m_panel), rect());
    if (!outdated.isEmpty())
        update(outdated);
    // Every frame and answer comes by here; the lamp's figures change with them.
    RefreshLinkTooltip();
}

void CMorvixView::paintEvent(QPaintEvent* event) {
    if (!m_panel.TakeRedrawPending()) {
        // Nothing is drawn, so what the region shows is no longer known.
        m_renderer.Shown().Forget(event->region());
        return;
    }
    // At the ratio of the screen the window is on now, so a move to another screen is followed.
    m_renderer.SetDevicePixelRatio(devicePixelRatioF());
    const PanelLook look = PanelLook::Of(m_panel);
    const QImage& canvas = m_renderer.Render(look);
    const double ratio = canvas.devicePixelRatio();
    QPainter p(this);
    // Whole device pixels of the canvas onto the same device pixels of the window.
    for (const QRect& r : event->region()) {
        const QRect pixels = PanelElements::DevicePixels(r, ratio);
        p.drawImage(QRectF(QPointF(pixels.topLeft()) / ratio, QSizeF(pixels.size()) / ratio),
                    canvas, pixels);
    }
    PaintPickUpMarks(p, event->region());
    p.end();
    m_renderer.Shown().Painted(look, event->region(), rect());
    m_lastPaint.start();
}

// A new screen may have another pixel ratio; the panel is drawn afresh at it even when nothing
// else changes, since an idle panel asks for no repaint of its own.
bool CMorvixView::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip)
        return ShowLinkTooltip(*static_cast<QHelpEvent*>(e));
    // The operator may look at the panel beside another window: its tooltip shows all the same.
    if (e->type() == QEvent::Show)
        window()->setAttribute(Qt::WA_AlwaysShowToolTips);
    if (e->type() == QEvent::ScreenChangeInternal
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
        || e->type() == QEvent::DevicePixelRatioChange
#endif
    ) {
        m_renderer.Shown().Forget(rect());
        m_panel.MarkRedrawPending();
        update();
    }
    return QWidget::event(e);
}
