#include "model/ChannelArgs.h"

namespace {
QString CheckRange(const char* name, int value, int low, int high) {
    if (value >= low && value <= high)
        return {};
    return QStringLiteral("%1 must be %2..%3, not %4")
        .arg(QLatin1String(name))
        .arg(low)
        .arg(high)
        .arg(value);
}
} // namespace

namespace ChannelArgs {
QString CheckChannel(int channel) {
    return CheckRange("channel", channel, kFirstChannel, kLastChannel);
}
QString CheckLevel(int level) {
    return CheckRange("level", level, 0, kMaxLevel);
}
QString CheckDelta(int delta) {
    return CheckRange("delta", delta, -kMaxStep, kMaxStep);
}
QString CheckSeconds(double seconds) {
    // Written so that NaN fails too.
    if (seconds >= 0.0 && seconds <= kMaxFadeSeconds)
        return {};
    return QStringLiteral("seconds must be 0..%1, not %2").arg(kMaxFadeSeconds).arg(seconds);
}
QString CheckSlot(int slot) {
    return CheckRange("scene", slot, 1, SCENE_SLOTS);
}
} // namespace ChannelArgs
