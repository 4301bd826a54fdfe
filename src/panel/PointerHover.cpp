#include "panel/PointerHover.h"

#include "panel/HitTest.h"

namespace {
std::optional<int> Row(int row) {
    return row == HitTest::kNone ? std::nullopt : std::optional<int>(row);
}
} // namespace

PointerHover PointerHover::At(int x, int y) {
    PointerHover hover;
    hover.switchRow = HitTest::InSwitchColumn(x) ? Row(HitTest::ChannelBand(y)) : std::nullopt;
    hover.plusRow = Row(HitTest::PlusButtonAt(x, y));
    hover.minusRow = Row(HitTest::MinusButtonAt(x, y));
    switch (HitTest::PanelButtonAt(x, y)) {
    case 1:
        hover.button = PanelButton::Setup;
        break;
    case 2:
        hover.button = PanelButton::Exit;
        break;
    default:
        break;
    }
    return hover;
}
