#include "ui/color/CColorPicker.h"
#include "ui/color/ClassicDraw.h"
#include "ui/color/QtColorRef.h"
#include "ui/color/StyleMetrics.h"

#include <QPainter>

void CColorPicker::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    const bool disabled = !isEnabled();
    const bool pushed = isDown() || m_dropped;

    DrawScrollDownButton(p, m_arrowRect, pal, pushed, disabled);
    DrawEdge(p, rect(), false, pal);

    const QRect swatch = SwatchRectFor(PickerMetricsFor(style(), this), size());
    const QColor fill =
        disabled || m_fillColor == CLR_DEFAULT ? pal.button().color() : ToQColor(m_fillColor);
    FillSolidRect(p, swatch, fill);

    const QString caption = text();
    if (!caption.isEmpty()) {
        const int flags = Qt::AlignCenter | Qt::TextSingleLine;
        if (disabled) {
            p.setPen(pal.light().color());
            p.drawText(swatch.translated(1, 1), flags, caption);
            p.setPen(pal.dark().color());
            p.drawText(swatch, flags, caption);
        } else {
            p.setPen(m_labelColor == CLR_DEFAULT ? QColor(Qt::black) : ToQColor(m_labelColor));
            p.drawText(swatch, flags, caption);
        }
    }

    if (hasFocus())
        DrawFocusRect(p, swatch.adjusted(1, 1, -1, -1), fill);
}
