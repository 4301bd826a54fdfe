#pragma once

#include "model/PanelLayout.h"
#include "ui/view/PanelLook.h"

#include <QImage>
#include <QRect>

class QFont;
class QPainter;
struct PanelBitmaps;

// The panel's elements, each drawn exactly as the layout has it. Both painters use these, so
// whatever one of them caches comes out pixel for pixel as the other draws it.
namespace PanelElements {

using PanelLayout::RowY;

enum class Align { Left, Centre, Right };
// Text with y at the top of the character cell, transparent background.
void DrawText(QPainter& p, const QFont& font, Align align, int x, int y, const QString& text,
              QRgb colour);

// Row elements, in the order they are painted.
void DrawRowBackground(QPainter& p, int row);
void DrawSwitchBox(QPainter& p, int row, const RowLook& look);
void DrawStepButtons(QPainter& p, int row, const RowLook& look, const PanelBitmaps& bitmaps);
void DrawSlider(QPainter& p, int row, const RowLook& look); // track, knob, mark, left fill
void DrawLabelBox(QPainter& p, int row);
void DrawScaleTicks(QPainter& p, int row);
void DrawScaleNumbers(QPainter& p, int row, const QFont& small);
void DrawChannelLabel(QPainter& p, int row, const RowLook& look, const QFont& label);
void DrawSwitchText(QPainter& p, int row, const RowLook& look, const QFont& medium);
void DrawLevelNumber(QPainter& p, int row, const RowLook& look, const QFont& medium);

// Bottom bar elements, in the order they are painted.
void DrawBar(QPainter& p);
void DrawBrand(QPainter& p, const QFont& brand);
void DrawLampLabels(QPainter& p, const BarLook& look, const QFont& small);
void DrawLampFrames(QPainter& p);
void DrawLamps(QPainter& p, const BarLook& look);
void DrawSetupButton(QPainter& p, const BarLook& look);
void DrawExitButton(QPainter& p, const BarLook& look);
void DrawSetupCaption(QPainter& p, const QFont& caption);
void DrawExitCaption(QPainter& p, const QFont& caption);

// Areas that only the element named paints over the row background or the bar.
constexpr QRect SwitchBoxRect(int row) {
    return PanelLayout::SwitchBox(row);
}
constexpr QRect LabelArea(int row) {
    return PanelLayout::LabelArea(row);
}
constexpr QRect LevelNumberArea(int row) {
    return PanelLayout::LevelNumberArea(row);
}
constexpr QRect SliderArea(int row) {
    return PanelLayout::SliderArea(row);
}
constexpr QRect SetupButtonRect() {
    return PanelLayout::kSetupButton;
}
constexpr QRect ExitButtonRect() {
    return PanelLayout::kExitButton;
}

// The device pixels a fill of the panel area covers on a canvas painted at `ratio`: edges are
// rounded as the painter rounds them, so areas that meet on the panel meet on the canvas too.
QRect DevicePixels(const QRect& area, double ratio);

// The whole panel painted the straightforward way: a fresh white canvas, new fonts, every
// element of every row and of the bar drawn in order. The canvas has `ratio` device pixels to
// the panel's pixel (and is tagged with it); the layout stays in panel pixels.
QImage RenderUncached(const PanelLook& look, double ratio = 1.0);

} // namespace PanelElements
