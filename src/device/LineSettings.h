#pragma once

#include <cstdint>
#include <optional>
#include <termios.h>

// The line settings a port is opened with, in the codes CCom::Configure takes.
struct LineSettings {
    std::uint32_t baudRate = 19200;
    std::uint8_t byteSize = 8;
    std::uint8_t stopBits = 0; // 0 one, 1 one and a half, 2 two
    std::uint8_t parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
};

// The termios speed constant for a baud rate, or nothing when the kernel has none.
std::optional<speed_t> BaudConstant(std::uint32_t baudRate);

// Raw mode with the given settings, no flow control, receiver on, modem lines ignored. False (and
// `tio` unspecified) when a code cannot be set here, as a driver refusing the settings would.
bool MakeLineSettings(termios& tio, const LineSettings& settings);

// Whether the line took what the protocol depends on: speed, stop bits, raw mode, receiver on and
// no flow control. Parity and character size are not checked: a pseudo-terminal drops them.
bool SettingsTaken(const termios& wanted, const termios& actual);
