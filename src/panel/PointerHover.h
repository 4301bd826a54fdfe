#pragma once

#include <optional>

enum class PanelButton { None, Setup, Exit };

// What the pointer is over since its last movement; a row is a channel index. The press acts on
// it, the painter highlights it.
struct PointerHover {
    std::optional<int> switchRow{};
    std::optional<int> plusRow{};
    std::optional<int> minusRow{};
    PanelButton button = PanelButton::None;

    static PointerHover At(int x, int y);
    bool OverStepButton() const { return plusRow.has_value() || minusRow.has_value(); }
    bool operator==(const PointerHover&) const = default;
};
