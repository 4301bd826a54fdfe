#pragma once

#include <optional>

// Hit-testing on the panel's layout, in client pixels. Every "between a and b" is strict.
namespace HitTest {

inline constexpr int kNone = -1;

// Channel whose band holds y, or kNone (the bands leave gaps between rows).
int ChannelBand(int y);
// x inside the area a press acts on at all (the band's left edge to the slider's end).
bool InPressArea(int x);
// x over the switch boxes (the band decides the channel).
bool InSwitchColumn(int x);
// Channel whose + (or -) button holds the point, or kNone.
int PlusButtonAt(int x, int y);
int MinusButtonAt(int x, int y);
// 0 none, 1 SETUP, 2 EXIT.
int PanelButtonAt(int x, int y);
// The link lamp with the port name beside it, where its tooltip answers.
bool OnLinkLamp(int x, int y);
// Whether a press at x is on the slider (its origin and beyond, within the press area).
bool OnSliderPress(int x);
// Level a drag to x gives: none beyond the drag margin, else x clamped to the track minus
// the origin.
std::optional<int> DragLevel(int x);

} // namespace HitTest
