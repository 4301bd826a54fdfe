#pragma once

#include "model/Channels.h"

#include <QPoint>
#include <QRect>
#include <QSize>

// The panel's geometry in panel pixels, written once: painting, hit-testing and the
// accessibility rectangles are all derived from these.
namespace PanelLayout {

// The canvas the panel is painted on; the view shows its top left part.
inline constexpr QSize kCanvas(800, 600);

// Channel rows: row i is drawn around its reference line RowY(i).
inline constexpr int kRowPitch = 44;
inline constexpr int kFirstRowY = 20;
constexpr int RowY(int row) {
    return kFirstRowY + kRowPitch * row;
}
// The silver band behind a row; presses act inside the band's left..slider end.
constexpr QRect RowBand(int row) {
    return QRect(10, RowY(row) - 10, 505, 40);
}
// The scale numbers of a row start 11 pixels above its reference line.
inline constexpr int kScaleNumberRise = 11;

// The channel label: a white box in the label area, the text right-aligned in it.
constexpr QRect LabelArea(int row) {
    return QRect(RowBand(row).x(), RowBand(row).y(), 100, RowBand(row).height());
}
constexpr QRect LabelBox(int row) {
    return QRect(15, RowY(row) - 5, 90, 30);
}
inline constexpr int kLabelTextRight = 95;

// The ON/OFF switch box; its column is where a press toggles the row's switch.
constexpr QRect SwitchBox(int row) {
    return QRect(110, RowY(row) - 5, 50, 30);
}

// The step buttons, one button image each.
inline constexpr int kStepButtonSize = 14;
constexpr QRect PlusButton(int row) {
    return QRect(180, RowY(row) - 6, kStepButtonSize, kStepButtonSize);
}
constexpr QRect MinusButton(int row) {
    return QRect(180, RowY(row) + 14, kStepButtonSize, kStepButtonSize);
}
// The − button answers from the + button's lower edge down, a little above its own image.
constexpr QRect MinusPressArea(int row) {
    return QRect(PlusButton(row).x(), PlusButton(row).y() + kStepButtonSize, kStepButtonSize, 18);
}

// The slider: level 0 at the origin, kMaxLevel at the track's right end. The knob is centred on
// the level and its mark sits one pixel left of the level's column.
inline constexpr int kSliderOrigin = 250;
inline constexpr int kSliderEnd = kSliderOrigin + kMaxLevel;
inline constexpr int kSliderHeight = 20;
inline constexpr int kKnobWidth = 8;
inline constexpr int kKnobHalf = kKnobWidth / 2;
inline constexpr QSize kKnobMark(1, 5);
constexpr QRect SliderTrack(int row) {
    return QRect(kSliderOrigin, RowY(row), kMaxLevel, kSliderHeight);
}
constexpr int MarkX(int level) {
    return kSliderOrigin - 1 + level;
}
// Everything the knob can cover at levels kMinLevel..kMaxLevel.
constexpr QRect SliderArea(int row) {
    return QRect(kSliderOrigin - kKnobHalf, RowY(row), kMaxLevel + kKnobWidth, kSliderHeight);
}
// A drag follows the pointer this far beyond either end of the track.
inline constexpr int kDragMargin = 20;

// The level number, between the step buttons and the knob at level 0.
constexpr QRect LevelNumberArea(int row) {
    return QRect(PlusButton(row).x() + kStepButtonSize, RowY(row),
                 SliderArea(row).x() - (PlusButton(row).x() + kStepButtonSize), kSliderHeight);
}
inline constexpr int kLevelNumberRight = 240;
// A control surface's pick-up mark, left of the level number (which is right-aligned).
constexpr QRect PickUpMarkArea(int row) {
    return QRect(LevelNumberArea(row).x() + 1, RowY(row) + 6, 7, 8);
}

// The bottom bar and what is on it.
inline constexpr QRect kBar(10, 380, 505, 60);
inline constexpr QPoint kBrand(372, 382);
inline constexpr QPoint kBrandShadow(375, 385);
inline constexpr QRect kSetupButton(80, 390, 120, 40);
inline constexpr QRect kExitButton(210, 390, 120, 40);
inline constexpr QPoint kSetupCaption(100, 392);
inline constexpr QPoint kExitCaption(240, 392);

// The TX, RX and link lamps, top to bottom: a white frame with the lamp inside and the label
// (the port name for the link lamp) to the right.
inline constexpr int kLamps = 3;
inline constexpr int kLampPitch = 15;
constexpr QRect LampFrame(int lamp) {
    return QRect(15, 390 + kLampPitch * lamp, 10, 10);
}
constexpr QRect Lamp(int lamp) {
    return LampFrame(lamp).adjusted(2, 2, -2, -2);
}
constexpr QPoint LampLabel(int lamp) {
    return QPoint(30, LampFrame(lamp).y());
}
// Where the link lamp's tooltip answers: its frame and the port name up to the SETUP button.
inline constexpr QRect kLinkTipArea(LampFrame(2).x(), LampFrame(2).y() - 2,
                                    kSetupButton.x() - LampFrame(2).x(), 16);

// The screen parts repaints are counted in: one per channel row, from the top of its scale
// numbers to the next row's, and the bar below the last row.
inline constexpr int kPartTop = RowY(0) - kScaleNumberRise;
inline constexpr int kBarPartTop = kPartTop + kRowPitch * CHANNEL_COUNT;

} // namespace PanelLayout
