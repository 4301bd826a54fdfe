#include "scripting/ChannelArgs.h"

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
} // namespace ChannelArgs
