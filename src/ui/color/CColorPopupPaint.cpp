#include "ui/color/CColorPopup.h"
#include "ui/color/ClassicDraw.h"
#include "ui/color/ColorTable.h"
#include "ui/color/QtColorRef.h"

#include <QPaintEvent>
#include <QPainter>

void CColorPopup::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    // The gaps take the face colour, as the light grey background did on the classic scheme.
    p.fillRect(e->rect(), palette().button());
    if (m_layout.hasAuto())
        PaintCell(p, AUTO_CELL);
    for (int i = 0; i < m_layout.colorCount(); ++i)
        PaintCell(p, i);
    if (m_layout.hasOther())
        PaintCell(p, OTHER_CELL);
    DrawEdge(p, rect(), true, palette());
}

void CColorPopup::PaintBoxText(QPainter& p, const QRect& r, const QString& text) const {
    p.setPen(palette().buttonText().color());
    p.setFont(font());
    p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, text);
}

void CColorPopup::PaintCell(QPainter& p, int i) const {
    QRect cell;
    if (!m_layout.CellRect(i, cell))
        return;
    const QPalette& pal = palette();
    const int margin = m_layout.margin();
    const bool hot = i == m_hotIndex;
    const bool marked = i == m_initialIndex && !hot;
    auto frame = [&](const QRect& r) {
        if (hot)
            DrawEdge(p, r, true, pal);
        else if (i == m_initialIndex)
            DrawEdge(p, r, false, pal);
    };

    p.save();
    if (i == OTHER_CELL) {
        QRect r = cell.adjusted(0, 2 * margin, 0, 0);
        FillSolidRect(p, r, pal.button().color());
        const int x = cell.left() + 2 * margin;
        const int width = cell.width() - 4 * margin;
        FillSolidRect(p, QRect(x, cell.top(), width, 1), pal.dark().color());
        FillSolidRect(p, QRect(x, cell.top() + 1, width, 1), pal.light().color());
        r.adjust(1, 1, -1, -1);
        FillSolidRect(p, r, marked ? pal.midlight().color() : pal.button().color());
        frame(r);
        PaintBoxText(p, r, m_otherText);
    } else if (i == AUTO_CELL) {
        FillSolidRect(p, cell, pal.button().color());
        const QRect r = cell.adjusted(1, 1, -1, -1);
        FillSolidRect(p, r, marked ? pal.midlight().color() : pal.button().color());
        p.setPen(pal.dark().color());
        p.setBrush(Qt::NoBrush);
        DrawRectangle(p, r.adjusted(2 * margin, 2 * margin, -2 * margin, -2 * margin));
        frame(r);
        PaintBoxText(p, r, m_autoText);
    } else {
        FillSolidRect(p, cell, marked ? pal.light().color() : pal.button().color());
        frame(cell);
        p.setPen(pal.dark().color());
        p.setBrush(ToQColor(ColorTable[i].color));
        DrawRectangle(p, cell.adjusted(margin + 1, margin + 1, -(margin + 1), -(margin + 1)));
    }
    p.restore();
}
