#pragma once

#include "model/Channels.h"

#include <array>
#include <cstdint>

inline constexpr int FRAME_SIZE = 6;
inline constexpr std::uint8_t FRAME_HEADER = 0x95;

// Command codes in byte 1 of a frame.
inline constexpr std::uint8_t FRAME_CODE_POLL = 1;
inline constexpr std::uint8_t FRAME_CODE_SET_CHANNEL = 2;
inline constexpr std::uint8_t FRAME_CODE_ALL_OFF = 3;

// The kinds of SendCommand.
enum CommandType { CMD_CHANNEL = 1, CMD_SELECTED = 2, CMD_ALL_OFF = 3, CMD_POLL = 4 };

// The six-byte command frame: header, code, argument, switch, level, checksum.
// Byte 0 is the header for the whole life of the buffer; the fill functions write bytes 1..5.
struct ChannelFrame {
    std::array<std::uint8_t, FRAME_SIZE> bytes{FRAME_HEADER, 0, 0, 0, 0, 0};

    // Only the low bytes of power and level reach the wire.
    void FillSetChannel(int channelIndex, int power, int level);
    void FillAllOff();
    void FillPoll();

    // 8-bit sum of bytes 0..4, carries dropped.
    static std::uint8_t Checksum(const std::array<std::uint8_t, FRAME_SIZE>& frame);

    bool operator==(const ChannelFrame&) const = default;
};
