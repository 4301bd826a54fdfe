#pragma once

#include "DevSimTypes.h"

#include <cstdio>
#include <string>

struct DevSimCounts {
    long frames = 0;   // valid frames
    long rejected = 0; // rejected candidates
    long answers = 0;
    // From the last answered frame's arrival to its answer on the line; -1 before the first.
    std::int64_t lastAnswerDelayUs = -1;
};

// Four lines: channel numbers, switches, levels, counters. Each ends in a newline.
std::string devSimViewTable(const DevSimChannels& channels, const DevSimCounts& counts);
// The same on one line, for a pipe or a file.
std::string devSimViewLine(const DevSimChannels& channels, const DevSimCounts& counts);

// Shows the channels on a stream: redrawn in place on a terminal; otherwise one line per frame
// received (answers alone do not add lines).
class DevSimViewWriter {
public:
    explicit DevSimViewWriter(std::FILE* stream);
    void show(const DevSimChannels& channels, const DevSimCounts& counts);

private:
    std::FILE* m_stream;
    bool m_terminal;
    bool m_drawn = false;
    DevSimChannels m_lastChannels{};
    DevSimCounts m_lastCounts;
};
