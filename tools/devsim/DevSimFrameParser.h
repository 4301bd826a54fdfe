#pragma once

#include "DevSimTypes.h"

#include <cstdint>
#include <span>
#include <vector>

// Checks one six-byte candidate that starts with the header: checksum first, then code and
// arguments. The command is decoded in every case.
DevSimFrame devSimCheckFrame(const DevSimFrameBytes& bytes);

// 8-bit sum of bytes 0..4.
std::uint8_t devSimChecksum(const DevSimFrameBytes& bytes);

// One result of feeding bytes: a frame candidate (valid or rejected) or a run of bytes skipped
// while looking for a header.
struct DevSimParsed {
    bool isFrame = false;
    DevSimFrame frame;                 // when isFrame
    std::vector<std::uint8_t> skipped; // when !isFrame
};

// Cuts a byte stream into frames. Bytes before a header are skipped. A rejected candidate gives
// back all but its header, so a good frame that starts inside it is still found; those bytes are
// not reported a second time as skipped. Keeps an incomplete frame until more bytes arrive.
class DevSimFrameParser {
public:
    std::vector<DevSimParsed> feed(std::span<const std::uint8_t> data);
    std::size_t pendingBytes() const { return m_buffer.size(); }

private:
    void skipTo(std::size_t end, std::vector<DevSimParsed>& out);

    std::vector<std::uint8_t> m_buffer;
    // Leading bytes of m_buffer that were already reported inside a rejected candidate.
    std::size_t m_alreadyReported = 0;
};
