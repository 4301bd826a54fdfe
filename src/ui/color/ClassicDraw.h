#pragma once

#include <QColor>
#include <QRect>

class QPainter;
class QPalette;

// Two-pixel 3D frame just inside `r`: raised for the hot item, sunken for the marked one.
void DrawEdge(QPainter& p, const QRect& r, bool raised, const QPalette& pal);
// Outline in the current pen and fill in the current brush, covering exactly the pixels of `r`.
void DrawRectangle(QPainter& p, const QRect& r);
void FillSolidRect(QPainter& p, const QRect& r, const QColor& color);
// A scroll-bar style button with a down arrow.
void DrawScrollDownButton(QPainter& p, const QRect& r, const QPalette& pal, bool pushed,
                          bool inactive);
// Dotted frame in black or white, whichever shows on `under`.
void DrawFocusRect(QPainter& p, const QRect& r, const QColor& under);
