#pragma once

#include "device/LineCodes.h"

#include <cstdint>
#include <optional>
#include <termios.h>

// The line settings a port is opened with.
struct LineSettings {
    std::uint32_t baudRate = 19200;
    std::uint8_t byteSize = 8;
    StopBits stopBits = StopBits::One;
    Parity parity = Parity::None;
};

// The termios speed constant for a baud rate, or nothing when the kernel has none.
std::optional<speed_t> BaudConstant(std::uint32_t baudRate);

// Raw mode with the given settings, no flow control, receiver on, modem lines ignored. False (and
// `tio` unspecified) when a code cannot be set here, as a driver refusing the settings would.
bool MakeLineSettings(termios& tio, const LineSettings& settings);

// Whether the line took what the protocol depends on: speed, stop bits, raw mode, receiver on and
// no flow control. Parity and character size are not checked: a pseudo-terminal drops them.
bool SettingsTaken(const termios& wanted, const termios& actual);
