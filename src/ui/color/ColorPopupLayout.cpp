#include "ui/color/ColorPopupLayout.h"

#include "ui/color/ColorTable.h"

#include <algorithm>

int ColorPopupLayout::CellSizeFor(int margin) {
    // Keeps the swatch inside a cell at least 5 pixels wide.
    constexpr int kCell = 18;
    return kCell - (2 * margin + 2) < 5 ? 2 * margin + 7 : kCell;
}

ColorPopupLayout::ColorPopupLayout(int margin, const PopupCaptions& captions)
    : m_colorCount(kColorCount), m_cellSize(CellSizeFor(margin)), m_margin(margin),
      m_hasAuto(captions.hasAuto), m_hasOther(captions.hasOther) {
    int textWidth = 0;
    int textHeight = 0;
    if (m_hasAuto) {
        textWidth = std::max(textWidth, captions.autoSize.width());
        textHeight = std::max(textHeight, captions.autoSize.height());
    }
    if (m_hasOther) {
        textWidth = std::max(textWidth, captions.otherSize.width());
        textHeight = std::max(textHeight, captions.otherSize.height());
    }
    const int tw = textWidth + 2 * margin;
    const int t = textHeight + 4 * margin + 2;

    m_columnCount = 8;
    m_rowCount = m_colorCount / m_columnCount + (m_colorCount % m_columnCount ? 1 : 0);

    int width = m_columnCount * m_cellSize + 2 * margin;
    int height = m_rowCount * m_cellSize + 2 * margin;
    if (m_hasAuto) {
        width = std::max(width, tw);
        m_autoRect = RectLTRB(margin, margin, width - margin, 2 * margin + t);
        height += m_autoRect.height() + 2 * margin;
    }
    if (m_hasOther) {
        if (!m_hasAuto)
            width = std::max(width, tw);
        m_otherRect = RectLTRB(margin, height, width - margin, height + margin + t);
        height += m_otherRect.height() + 2 * margin;
    }
    m_windowSize = QSize(width, height);
}

int ColorPopupLayout::RowOf(int i) const {
    if (i == OTHER_CELL)
        return m_hasOther ? OTHER_CELL : NO_CELL;
    if (i == AUTO_CELL)
        return m_hasAuto ? AUTO_CELL : NO_CELL;
    return IsColorCell(i) ? i / m_columnCount : NO_CELL;
}

int ColorPopupLayout::ColumnOf(int i) const {
    if (i == OTHER_CELL)
        return m_hasOther ? OTHER_CELL : NO_CELL;
    if (i == AUTO_CELL)
        return m_hasAuto ? AUTO_CELL : NO_CELL;
    return IsColorCell(i) ? i % m_columnCount : NO_CELL;
}

int ColorPopupLayout::CellAt(int row, int column) const {
    if ((row == OTHER_CELL || column == OTHER_CELL) && m_hasOther)
        return OTHER_CELL;
    if ((row == AUTO_CELL || column == AUTO_CELL) && m_hasAuto)
        return AUTO_CELL;
    if (row < 0 || column < 0 || row >= m_rowCount || column >= m_columnCount)
        return NO_CELL;
    const int i = row * m_columnCount + column;
    return i < m_colorCount ? i : NO_CELL;
}

bool ColorPopupLayout::CellRect(int i, QRect& rect) const {
    if (i == OTHER_CELL && m_hasOther) {
        rect = m_otherRect;
        return true;
    }
    if (i == AUTO_CELL && m_hasAuto) {
        rect = m_autoRect;
        return true;
    }
    if (!IsColorCell(i))
        return false;
    const int left = ColumnOf(i) * m_cellSize + m_margin;
    int top = RowOf(i) * m_cellSize + m_margin;
    if (m_hasAuto)
        top += m_autoRect.height() + m_margin;
    rect = QRect(left, top, m_cellSize, m_cellSize);
    return true;
}

int ColorPopupLayout::HitTest(QPoint p) const {
    // The Other box's face starts below its separator.
    if (m_hasOther && m_otherRect.adjusted(0, 2 * m_margin, 0, 0).contains(p))
        return OTHER_CELL;
    if (m_hasAuto && m_autoRect.contains(p))
        return AUTO_CELL;
    QRect first;
    CellRect(0, first);
    if (p.x() < first.left() || p.y() < first.top())
        return NO_CELL;
    const int cell =
        CellAt((p.y() - first.top()) / m_cellSize, (p.x() - first.left()) / m_cellSize);
    return IsColorCell(cell) ? cell : NO_CELL;
}

int ColorPopupLayout::Fallback() const {
    if (m_hasOther)
        return OTHER_CELL;
    return m_hasAuto ? AUTO_CELL : 0;
}

int ColorPopupLayout::FallbackUp() const {
    if (m_hasAuto)
        return AUTO_CELL;
    return m_hasOther ? OTHER_CELL : m_colorCount - 1;
}

int ColorPopupLayout::Navigate(PopupKey key, int hot) const {
    const int last = m_colorCount - 1;
    const int r = RowOf(hot);
    const int c = ColumnOf(hot);
    const bool isAuto = r == AUTO_CELL;
    const bool isOther = r == OTHER_CELL;
    const bool isCell = IsColorCell(hot);

    switch (key) {
    case PopupKey::Down:
        if (isAuto)
            return 0;
        if (isOther)
            return m_hasAuto ? AUTO_CELL : 0;
        if (isCell) {
            const int next = CellAt(r + 1, c);
            return next == NO_CELL ? Fallback() : next;
        }
        return Fallback();
    case PopupKey::Up:
        if (isAuto)
            return m_hasOther ? OTHER_CELL : last;
        if (isOther)
            return last;
        if (isCell)
            return r > 0 ? CellAt(r - 1, c) : FallbackUp();
        return FallbackUp();
    case PopupKey::Right:
        if (isAuto)
            return 0;
        if (isOther)
            return m_hasAuto ? AUTO_CELL : 0;
        if (isCell) {
            const int next = c + 1 < m_columnCount ? CellAt(r, c + 1) : CellAt(r + 1, 0);
            return next == NO_CELL ? Fallback() : next;
        }
        return Fallback();
    case PopupKey::Left:
        if (isAuto)
            return m_hasOther ? OTHER_CELL : last;
        if (isOther)
            return last;
        if (isCell) {
            if (c > 0)
                return CellAt(r, c - 1);
            return r > 0 ? CellAt(r - 1, m_columnCount - 1) : FallbackUp();
        }
        return FallbackUp();
    }
    return hot;
}

int ColorPopupLayout::InitialIndexFor(ColorRef color) const {
    if (color == CLR_DEFAULT && m_hasAuto)
        return AUTO_CELL;
    for (int i = 0; i < m_colorCount; ++i) {
        if (ColorTable[i].color == color)
            return i;
    }
    return m_hasOther ? OTHER_CELL : NO_CELL;
}

QRect PlacePopup(QRect window, QRect screen, int ownerHeight) {
    const int screenRight = screen.x() + screen.width();
    const int screenBottom = screen.y() + screen.height();
    if (window.x() + window.width() > screenRight)
        window.translate(screenRight - (window.x() + window.width()), 0);
    if (window.x() < screen.x())
        window.moveLeft(screen.x());
    if (window.y() + window.height() > screenBottom)
        window.translate(0, -(window.height() + ownerHeight));
    return window;
}
