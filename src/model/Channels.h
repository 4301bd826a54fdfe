#pragma once

#include <array>

// The controller has eight channels, each with a level in 0..255 and a switch.
inline constexpr int CHANNEL_COUNT = 8;
inline constexpr int kMinLevel = 0;
inline constexpr int kMaxLevel = 255;

// One number for each channel: its level, or its switch.
using ChannelValues = std::array<int, CHANNEL_COUNT>;

constexpr bool IsChannel(int channel) {
    return channel >= 0 && channel < CHANNEL_COUNT;
}

constexpr bool IsLevel(int level) {
    return level >= kMinLevel && level <= kMaxLevel;
}

constexpr int ClampLevel(int level) {
    return level < kMinLevel ? kMinLevel : level > kMaxLevel ? kMaxLevel : level;
}
