#include "DevSimView.h"

#include <unistd.h>

namespace {

constexpr int TABLE_LINES = 4;

std::string padded(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// The panel's link tooltip from the other end: frames in, answers out, and how long the last
// answer took here (the panel's round trip adds the line both ways to it).
std::string countsText(const DevSimCounts& counts) {
    std::string text = "frames " + std::to_string(counts.frames) + "  rejected " +
                       std::to_string(counts.rejected) + "  answers " +
                       std::to_string(counts.answers);
    if (counts.lastAnswerDelayUs >= 0) {
        char delay[32];
        std::snprintf(delay, sizeof delay, "%.1f", double(counts.lastAnswerDelayUs) / 1000.0);
        text += std::string("  last answer ") + delay + " ms after its frame";
    }
    return text;
}

} // namespace

std::string devSimViewTable(const DevSimChannels& channels, const DevSimCounts& counts) {
    std::string numbers = "CH    ";
    std::string switches = "SW    ";
    std::string levels = "LEVEL ";
    for (int i = 0; i < DEVSIM_CHANNELS; ++i) {
        const DevSimChannel& c = channels[static_cast<std::size_t>(i)];
        numbers += padded(std::to_string(i + 1), 5);
        switches += padded(c.power ? "ON" : "off", 5);
        levels += padded(std::to_string(c.level), 5);
    }
    return numbers + '\n' + switches + '\n' + levels + '\n' + countsText(counts) + '\n';
}

std::string devSimViewLine(const DevSimChannels& channels, const DevSimCounts& counts) {
    std::string s;
    for (int i = 0; i < DEVSIM_CHANNELS; ++i) {
        const DevSimChannel& c = channels[static_cast<std::size_t>(i)];
        s += std::to_string(i + 1) + ':' + (c.power ? "ON " : "off ") + std::to_string(c.level) +
             "  ";
    }
    return s + "| " + countsText(counts) + '\n';
}

DevSimViewWriter::DevSimViewWriter(std::FILE* stream)
    : m_stream(stream), m_terminal(isatty(fileno(stream)) == 1) {}

void DevSimViewWriter::show(const DevSimChannels& channels, const DevSimCounts& counts) {
    std::string text;
    if (m_terminal) {
        if (m_drawn)
            text += "\x1b[" + std::to_string(TABLE_LINES) + "A";
        const std::string table = devSimViewTable(channels, counts);
        // Clear each line before drawing so shorter numbers leave no leftovers.
        std::size_t start = 0;
        while (start < table.size()) {
            const std::size_t end = table.find('\n', start);
            text += "\r\x1b[K" + table.substr(start, end - start + 1);
            start = end + 1;
        }
    } else {
        if (m_drawn && counts.frames == m_lastCounts.frames &&
            counts.rejected == m_lastCounts.rejected && channels == m_lastChannels)
            return;
        text = devSimViewLine(channels, counts);
    }
    m_drawn = true;
    m_lastChannels = channels;
    m_lastCounts = counts;
    std::fwrite(text.data(), 1, text.size(), m_stream);
    std::fflush(m_stream);
}
