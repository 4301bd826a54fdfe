#pragma once

#include "model/Channels.h"
#include "model/SceneLimits.h"

#include <QString>

// The ranges other programs must keep to; channels are numbered 1..8 as on the panel. Each check
// gives an empty string when the value is allowed, else one line naming the argument and its range.
namespace ChannelArgs {
inline constexpr int kFirstChannel = 1;
inline constexpr int kLastChannel = CHANNEL_COUNT;
inline constexpr int kMaxLevel = ::kMaxLevel;
inline constexpr int kMaxStep = ::kMaxLevel;

QString CheckChannel(int channel);
QString CheckLevel(int level);
QString CheckDelta(int delta);
// A fade's duration in seconds, 0 .. kMaxFadeSeconds.
QString CheckSeconds(double seconds);
// A scene slot, 1..8.
QString CheckSlot(int slot);
} // namespace ChannelArgs
