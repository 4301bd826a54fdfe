#include "panel/HitTest.h"

#include "model/PanelLayout.h"

#include <algorithm>

namespace HitTest {
namespace {

using namespace PanelLayout;

bool StrictlyBetween(int v, int low, int high) {
    return v > low && v < high;
}
bool StrictlyInsideX(int x, const QRect& r) {
    return StrictlyBetween(x, r.x(), r.x() + r.width());
}
bool StrictlyInsideY(int y, const QRect& r) {
    return StrictlyBetween(y, r.y(), r.y() + r.height());
}
bool StrictlyInside(int x, int y, const QRect& r) {
    return StrictlyInsideX(x, r) && StrictlyInsideY(y, r);
}

// The row whose rectangle strictly holds y, or kNone.
template <typename RowRect> int RowAt(int y, RowRect rect) {
    for (int i = 0; i < CHANNEL_COUNT; ++i)
        if (StrictlyInsideY(y, rect(i)))
            return i;
    return kNone;
}

} // namespace

int ChannelBand(int y) {
    // Channel 0 reaches down to the next row's band; the others end with their own band.
    if (StrictlyBetween(y, RowBand(0).y(), RowBand(1).y()))
        return 0;
    return RowAt(y, RowBand);
}

bool InPressArea(int x) {
    return StrictlyBetween(x, RowBand(0).x(), kSliderEnd + 1);
}

bool InSwitchColumn(int x) {
    return StrictlyInsideX(x, SwitchBox(0));
}

int PlusButtonAt(int x, int y) {
    if (!StrictlyInsideX(x, PlusButton(0)))
        return kNone;
    return RowAt(y, PlusButton);
}

int MinusButtonAt(int x, int y) {
    if (!StrictlyInsideX(x, MinusPressArea(0)))
        return kNone;
    return RowAt(y, MinusPressArea);
}

int PanelButtonAt(int x, int y) {
    if (StrictlyInside(x, y, kSetupButton))
        return 1;
    if (StrictlyInside(x, y, kExitButton))
        return 2;
    return 0;
}

bool OnSliderPress(int x) {
    return x >= kSliderOrigin && InPressArea(x);
}

std::optional<int> DragLevel(int x) {
    if (x < kSliderOrigin - kDragMargin || x > kSliderEnd + kDragMargin)
        return std::nullopt;
    return std::clamp(x, kSliderOrigin, kSliderEnd) - kSliderOrigin;
}

bool OnLinkLamp(int x, int y) {
    return kLinkTipArea.contains(x, y);
}

} // namespace HitTest
