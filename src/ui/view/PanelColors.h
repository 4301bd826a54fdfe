#pragma once

#include <QtGui/qrgb.h>

// The panel's fixed colours.
namespace PanelColors {
inline constexpr QRgb kSilver = 0xFFC0C0C0;
inline constexpr QRgb kWhite = 0xFFFFFFFF;
inline constexpr QRgb kAmber = 0xFFFFC800;
inline constexpr QRgb kYellow = 0xFFFFFF00;
inline constexpr QRgb kDarkGrey = 0xFF646464;
inline constexpr QRgb kMidGrey = 0xFF969696;
inline constexpr QRgb kBlack = 0xFF000000;
inline constexpr QRgb kRed = 0xFFFF0000;
inline constexpr QRgb kGreen = 0xFF00FF00;
inline constexpr QRgb kBlue = 0xFF0000C8;
// The + and - button images.
inline constexpr QRgb kButtonGrey = 0xFF808080;
inline constexpr QRgb kButtonCyan = 0xFF00FFFF;
} // namespace PanelColors
