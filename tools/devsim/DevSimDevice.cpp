#include "DevSimDevice.h"

DevSimDevice::DevSimDevice(std::uint32_t seed) : m_random(seed) {}

std::vector<std::uint8_t> DevSimDevice::handle(const DevSimFrame& frame) {
    if (!frame.valid)
        return {};
    ++m_validFrames;
    const DevSimCommand& c = frame.command;
    if (c.kind == DevSimCommandKind::Set) {
        // A switched-off channel keeps its level, as the panel expects when switching it back on.
        m_channels[static_cast<std::size_t>(c.channel - 1)] = {c.power, c.level};
    } else if (c.kind == DevSimCommandKind::AllOff) {
        m_channels.fill({});
    }

    const int every = m_faults.answerEvery > 1 ? m_faults.answerEvery : 1;
    if (m_faults.silent || m_validFrames % every != 0)
        return {};
    std::vector<std::uint8_t> answer{m_faults.garbage ? DEVSIM_GARBAGE_ANSWER : DEVSIM_ANSWER};
    if (m_faults.extraBytes > 0) {
        const auto extra = noise(static_cast<std::size_t>(m_faults.extraBytes));
        answer.insert(answer.end(), extra.begin(), extra.end());
    }
    return answer;
}

std::vector<std::uint8_t> DevSimDevice::noise(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    std::uniform_int_distribution<int> dist(0, 254);
    for (auto& b : bytes) {
        const int v = dist(m_random);
        b = static_cast<std::uint8_t>(v >= DEVSIM_ANSWER ? v + 1 : v);
    }
    return bytes;
}
