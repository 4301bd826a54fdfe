#include "ui/color/ClassicDraw.h"

#include <QPainter>
#include <QPalette>
#include <algorithm>

namespace {

// One ring of a 3D frame: top and left in `topLeft`, bottom and right in `bottomRight`.
void DrawShades(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    if (r.width() <= 0 || r.height() <= 0)
        return;
    p.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), topLeft);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
}

void DrawRaised(QPainter& p, const QRect& r, const QPalette& pal) {
    DrawShades(p, r, pal.midlight().color(), pal.shadow().color());
    DrawShades(p, r.adjusted(1, 1, -1, -1), pal.light().color(), pal.dark().color());
}

void DrawSunken(QPainter& p, const QRect& r, const QPalette& pal) {
    DrawShades(p, r, pal.dark().color(), pal.light().color());
    DrawShades(p, r.adjusted(1, 1, -1, -1), pal.shadow().color(), pal.midlight().color());
}

} // namespace

void DrawEdge(QPainter& p, const QRect& r, bool raised, const QPalette& pal) {
    if (raised)
        DrawRaised(p, r, pal);
    else
        DrawSunken(p, r, pal);
}

// Outlines are filled, not stroked: a stroke is centred on the pixel edge, which puts it half a
// pixel off on a screen with two device pixels to the pixel.
void DrawRectangle(QPainter& p, const QRect& r) {
    if (r.width() <= 0 || r.height() <= 0)
        return;
    if (p.brush().style() != Qt::NoBrush)
        p.fillRect(r.adjusted(1, 1, -1, -1), p.brush());
    if (p.pen().style() != Qt::NoPen)
        DrawShades(p, r, p.pen().color(), p.pen().color());
}

void FillSolidRect(QPainter& p, const QRect& r, const QColor& color) {
    p.fillRect(r, color);
}

namespace {

// Each row one device pixel high and one device pixel narrower at each end than the row above,
// so the slopes stay fine steps on a screen with more device pixels to the pixel.
void DrawDownArrow(QPainter& p, const QRect& box, const QColor& color, int shift) {
    const int rows = std::max(2, std::min(box.width(), box.height()) / 4);
    const int x = box.x() + (box.width() - (2 * rows - 1)) / 2 + shift;
    const int y = box.y() + (box.height() - rows) / 2 + shift;
    // Device pixels per pixel, whatever the painter paints on (a window or a grabbed image).
    const double ratio = p.deviceTransform().m11() > 0 ? p.deviceTransform().m11() : 1.0;
    const int left = qRound(x * ratio);
    const int width = qRound((x + 2 * rows - 1) * ratio) - left;
    const int top = qRound(y * ratio);
    const int deviceRows = qRound((y + rows) * ratio) - top;
    p.save();
    p.scale(1 / ratio, 1 / ratio);
    for (int row = 0; row < deviceRows && width - 2 * row > 0; ++row)
        p.fillRect(QRect(left + row, top + row, width - 2 * row, 1), color);
    p.restore();
}

} // namespace

void DrawScrollDownButton(QPainter& p, const QRect& r, const QPalette& pal, bool pushed,
                          bool inactive) {
    p.save();
    FillSolidRect(p, r, pal.button().color());
    if (pushed) {
        p.setPen(pal.dark().color());
        p.setBrush(Qt::NoBrush);
        DrawRectangle(p, r);
    } else {
        DrawRaised(p, r, pal);
    }
    const int shift = pushed ? 1 : 0;
    if (inactive) {
        DrawDownArrow(p, r, pal.light().color(), shift + 1);
        DrawDownArrow(p, r, pal.dark().color(), shift);
    } else {
        DrawDownArrow(p, r, pal.buttonText().color(), shift);
    }
    p.restore();
}

void DrawFocusRect(QPainter& p, const QRect& r, const QColor& under) {
    if (r.width() <= 0 || r.height() <= 0)
        return;
    // Every other pixel, in whatever contrasts with the swatch below.
    const QColor dot = qGray(under.rgb()) > 128 ? Qt::black : Qt::white;
    for (int x = r.left(); x <= r.right(); x += 2) {
        p.fillRect(QRect(x, r.top(), 1, 1), dot);
        p.fillRect(QRect(x, r.bottom(), 1, 1), dot);
    }
    for (int y = r.top(); y <= r.bottom(); y += 2) {
        p.fillRect(QRect(r.left(), y, 1, 1), dot);
        p.fillRect(QRect(r.right(), y, 1, 1), dot);
    }
}
