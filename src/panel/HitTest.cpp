#include "panel/HitTest.h"

#include "model/ChannelFrame.h"

#include <algorithm>

namespace HitTest {
namespace {

bool StrictlyBetween(int v, int low, int high) {
    return v > low && v < high;
}

constexpr int kRowPitch = 44;
constexpr int kPressLeft = 10;
constexpr int kPressRight = 506;
constexpr int kSliderRight = 505;
constexpr int kDragLeft = 230;
constexpr int kDragRight = 525;

} // namespace

int ChannelBand(int y) {
    // Channel 0 reaches down to 54; the others are 40 pixels tall, 44 apart.
    if (StrictlyBetween(y, 10, 54))
        return 0;
    for (int i = 1; i < CHANNEL_COUNT; ++i)
        if (StrictlyBetween(y, 10 + kRowPitch * i, 50 + kRowPitch * i))
            return i;
    return kNone;
}

bool InPressArea(int x) {
    return StrictlyBetween(x, kPressLeft, kPressRight);
}

bool InSwitchColumn(int x) {
    return StrictlyBetween(x, 110, 160);
}

int PlusButtonAt(int x, int y) {
    if (!StrictlyBetween(x, 180, 194))
        return kNone;
    for (int i = 0; i < CHANNEL_COUNT; ++i)
        if (StrictlyBetween(y, 14 + kRowPitch * i, 28 + kRowPitch * i))
            return i;
    return kNone;
}

int MinusButtonAt(int x, int y) {
    if (!StrictlyBetween(x, 180, 194))
        return kNone;
    for (int i = 0; i < CHANNEL_COUNT; ++i)
        if (StrictlyBetween(y, 28 + kRowPitch * i, 46 + kRowPitch * i))
            return i;
    return kNone;
}

int PanelButtonAt(int x, int y) {
    if (!StrictlyBetween(y, 390, 430))
        return 0;
    if (StrictlyBetween(x, 80, 200))
        return 1;
    if (StrictlyBetween(x, 210, 330))
        return 2;
    return 0;
}

bool OnSliderPress(int x) {
    return x >= kSliderOrigin && InPressArea(x);
}

std::optional<int> DragLevel(int x) {
    if (x < kDragLeft || x > kDragRight)
        return std::nullopt;
    return std::clamp(x, kSliderOrigin, kSliderRight) - kSliderOrigin;
}

} // namespace HitTest

bool HitTest::OnLinkLamp(int x, int y) {
    // The lamp's white frame at 15..25 and the name up to the SETUP button.
    return x >= 15 && x < 80 && y >= 418 && y < 434;
}
