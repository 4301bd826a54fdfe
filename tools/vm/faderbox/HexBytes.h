#pragma once
// MIDI bytes as the bench writes and reads them: two hex digits a byte, spaces between.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Nothing when a word is not one or two hex digits or there is no byte at all.
std::optional<Bytes> ParseHexBytes(std::string_view text);
std::string FormatHexBytes(const std::uint8_t* data, std::size_t size);
