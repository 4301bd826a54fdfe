#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The simulated controller's own view of the wire: written apart from the program's frame code,
// so a disagreement between the two shows up in tests.

inline constexpr int DEVSIM_CHANNELS = 8;
inline constexpr int DEVSIM_FRAME_SIZE = 6;
inline constexpr std::uint8_t DEVSIM_HEADER = 0x95;
inline constexpr std::uint8_t DEVSIM_ANSWER = 'u';
inline constexpr std::uint8_t DEVSIM_GARBAGE_ANSWER = 'x';

using DevSimFrameBytes = std::array<std::uint8_t, DEVSIM_FRAME_SIZE>;

enum class DevSimCommandKind { Poll, Set, AllOff, Unknown };

// What a frame asks for, decoded even when the frame is rejected (so a log can say what it was).
struct DevSimCommand {
    DevSimCommandKind kind = DevSimCommandKind::Unknown;
    int code = 0;    // byte 1
    int channel = 0; // byte 2: 1..8 for a valid set frame
    int power = 0;   // byte 3
    int level = 0;   // byte 4
    bool operator==(const DevSimCommand&) const = default;
};

enum class DevSimReject { None, BadChecksum, UnknownCode, BadArgument };

// One six-byte frame candidate that started with the header.
struct DevSimFrame {
    std::int64_t timestampUs = 0; // steady (monotonic) clock, see DevSim::nowUs()
    DevSimFrameBytes bytes{};
    bool valid = false;
    DevSimReject reason = DevSimReject::None;
    DevSimCommand command;
};

struct DevSimChannel {
    int power = 0; // 0 off, 1 on
    int level = 0; // 0..255
    bool operator==(const DevSimChannel&) const = default;
};

using DevSimChannels = std::array<DevSimChannel, DEVSIM_CHANNELS>;

// Names used in the JSON log: "bad-checksum", "unknown-code", "bad-argument"; "" for None.
std::string_view devSimRejectName(DevSimReject reason);
// "poll", "set", "alloff", "unknown".
std::string_view devSimCommandName(DevSimCommandKind kind);

// What tcgetattr shows of the line. A pseudo-terminal forces 8 data bits and clears PARENB on
// every change, but keeps the speed, PARODD and CSTOPB as they were asked for.
struct DevSimLine {
    int baud = 0;
    int dataBits = 0;
    bool parityEnabled = false;
    bool parityOdd = false;
    int stopBits = 1;
    bool operator==(const DevSimLine&) const = default;
};
