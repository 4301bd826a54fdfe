#pragma once

#include <Qt>

// Virtual-key codes the panel's key handler knows.
namespace VirtualKey {
inline constexpr int kNone = 0;
inline constexpr int kBack = 8;
inline constexpr int kTab = 9;
inline constexpr int kReturn = 13;
inline constexpr int kEscape = 27;
inline constexpr int kSpace = 32;
inline constexpr int kPrior = 33;
inline constexpr int kNext = 34;
inline constexpr int kEnd = 35;
inline constexpr int kHome = 36;
inline constexpr int kLeft = 37;
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
inline constexpr int kDown = 40;
inline constexpr int kInsert = 45;
inline constexpr int kDelete = 46;
inline constexpr int kDigit0 = 48;  // '0'..'9' of the main keyboard: 48..57
inline constexpr int kLetterA = 65; // 'A'..'Z': 65..90
inline constexpr int kNumpad0 = 96; // keypad digits: 96..105
} // namespace VirtualKey

// The virtual key a Qt key press stands for, by meaning; kNone for keys without one
// (and for Alt combinations, which never reach a view's key handler as plain key-downs).
int VirtualKeyFor(int qtKey, Qt::KeyboardModifiers modifiers);
