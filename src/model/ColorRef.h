#pragma once

#include <cstdint>

// A colour in the Windows layout: red in the low byte, then green, then blue. The settings
// file stores it as a signed decimal, so the layout is part of the file format.
using ColorRef = std::uint32_t;

// The automatic colour the picker's "Auto" box yields; stored as -16777216.
inline constexpr ColorRef CLR_DEFAULT = 0xFF000000u;

constexpr ColorRef MakeColorRef(int red, int green, int blue) {
    return static_cast<ColorRef>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int RedOf(ColorRef c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(ColorRef c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int BlueOf(ColorRef c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
