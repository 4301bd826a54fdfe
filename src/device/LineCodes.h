#pragma once

#include <cstdint>

// Stop bits and parity as a port is configured with them; the numbers are the codes the port
// settings have always used, so a value out of range can still be asked for and refused.
enum class StopBits : std::uint8_t { One = 0, OneAndHalf = 1, Two = 2 };
enum class Parity : std::uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
