#pragma once

#include "DevSimOptions.h"
#include "DevSimTypes.h"

#include <cstdint>
#include <random>
#include <vector>

// The controller's behaviour without any I/O: applies valid frames to its eight channels and
// decides what to answer, under the current faults.
class DevSimDevice {
public:
    explicit DevSimDevice(std::uint32_t seed = 0x5EED);

    void setFaults(const DevSimFaults& faults) { m_faults = faults; }
    const DevSimFaults& faults() const { return m_faults; }

    // Returns the answer bytes for the frame; empty for no answer. Rejected frames change
    // nothing and are never answered.
    std::vector<std::uint8_t> handle(const DevSimFrame& frame);

    // Noise for floods and extra bytes; never the answer byte, so every 'u' on the line is one.
    std::vector<std::uint8_t> noise(std::size_t count);

    const DevSimChannels& channels() const { return m_channels; }
    long validFrames() const { return m_validFrames; }

private:
    DevSimFaults m_faults;
    DevSimChannels m_channels{};
    long m_validFrames = 0;
    std::mt19937 m_random;
};
