#pragma once
// Messages due at given times, as read from a file of "MILLISECONDS HEX BYTES" lines (times from
// the start of the play, in order; blank lines and lines starting with '#' are skipped).
#include "HexBytes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TimedMessage {
    std::int64_t dueUs = 0;
    Bytes bytes;
};

// Nothing when a line does not parse or the times go backwards.
std::optional<std::vector<TimedMessage>> ParsePlayList(const std::string& text);
