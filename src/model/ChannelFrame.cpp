#include "ChannelFrame.h"

namespace {
std::uint8_t LowByte(int value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}
} // namespace

void ChannelFrame::FillSetChannel(int channelIndex, int power, int level) {
    bytes[1] = FRAME_CODE_SET_CHANNEL;
    bytes[2] = LowByte(channelIndex + 1);
    bytes[3] = LowByte(power);
    bytes[4] = LowByte(level);
    bytes[5] = Checksum(bytes);
}

void ChannelFrame::FillAllOff() {
    bytes[1] = FRAME_CODE_ALL_OFF;
    bytes[2] = CHANNEL_COUNT;
    bytes[3] = 0;
    bytes[4] = 0;
    bytes[5] = Checksum(bytes);
}

void ChannelFrame::FillPoll() {
    bytes[1] = FRAME_CODE_POLL;
    bytes[2] = 0;
    bytes[3] = 0;
    bytes[4] = 0;
    bytes[5] = Checksum(bytes);
}

std::uint8_t ChannelFrame::Checksum(const std::array<std::uint8_t, FRAME_SIZE>& frame) {
    unsigned sum = 0;
    for (int i = 0; i < FRAME_SIZE - 1; ++i)
        sum += frame[i];
    return static_cast<std::uint8_t>(sum & 0xFF);
}
