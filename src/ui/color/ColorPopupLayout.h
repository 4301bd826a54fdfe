#pragma once

#include "model/ColorRef.h"
#include "ui/color/RectLTRB.h"

#include <QPoint>
#include <QRect>
#include <QSize>

// Cell indices besides the colour cells 0..39.
inline constexpr int NO_CELL = -1;
inline constexpr int OTHER_CELL = -2;
inline constexpr int AUTO_CELL = -3;

enum class PopupKey { Down, Up, Right, Left };

// Measured caption extents; a box exists only when its caption is not empty.
struct PopupCaptions {
    bool hasAuto = false;
    QSize autoSize;
    bool hasOther = false;
    QSize otherSize;
};

// Geometry, hit-testing and key navigation of the colour popup, in client pixels.
// Everything is integer arithmetic on the edge metric and the caption sizes.
class ColorPopupLayout {
public:
    explicit ColorPopupLayout(int margin = 2, const PopupCaptions& captions = {});

    static int CellSizeFor(int margin);

    int colorCount() const { return m_colorCount; }
    int columnCount() const { return m_columnCount; }
    int rowCount() const { return m_rowCount; }
    int cellSize() const { return m_cellSize; }
    int margin() const { return m_margin; }
    bool hasAuto() const { return m_hasAuto; }
    bool hasOther() const { return m_hasOther; }
    QRect autoRect() const { return m_autoRect; }
    QRect otherRect() const { return m_otherRect; }
    QSize windowSize() const { return m_windowSize; }

    int RowOf(int i) const;
    int ColumnOf(int i) const;
    int CellAt(int row, int column) const;
    bool CellRect(int i, QRect& rect) const;

    // The item whose painted area holds the point, or NO_CELL on a gap or outside.
    int HitTest(QPoint p) const;
    // The cell an arrow key moves to from the highlighted one.
    int Navigate(PopupKey key, int hot) const;
    // The cell marked as holding the colour the popup opened with.
    int InitialIndexFor(ColorRef color) const;

private:
    bool IsColorCell(int i) const { return i >= 0 && i < m_colorCount; }
    int Fallback() const;
    int FallbackUp() const;

    int m_colorCount;
    int m_columnCount = 0;
    int m_rowCount = 0;
    int m_cellSize;
    int m_margin;
    bool m_hasAuto;
    bool m_hasOther;
    QRect m_autoRect;
    QRect m_otherRect;
    QSize m_windowSize;
};

// Keeps a popup of `window` (screen coordinates) on `screen`: shifted left past the right
// edge, right past the left edge, and above its owner when it would pass the bottom.
QRect PlacePopup(QRect window, QRect screen, int ownerHeight);
