#include "DevSimFrameParser.h"

#include <algorithm>

namespace {

constexpr std::uint8_t CODE_POLL = 1;
constexpr std::uint8_t CODE_SET = 2;
constexpr std::uint8_t CODE_ALL_OFF = 3;

DevSimCommand decode(const DevSimFrameBytes& b) {
    DevSimCommand c;
    c.code = b[1];
    c.channel = b[2];
    c.power = b[3];
    c.level = b[4];
    switch (b[1]) {
    case CODE_POLL:
        c.kind = DevSimCommandKind::Poll;
        break;
    case CODE_SET:
        c.kind = DevSimCommandKind::Set;
        break;
    case CODE_ALL_OFF:
        c.kind = DevSimCommandKind::AllOff;
        break;
    default:
        c.kind = DevSimCommandKind::Unknown;
        break;
    }
    return c;
}

bool argumentsValid(const DevSimFrameBytes& b) {
    switch (b[1]) {
    case CODE_POLL:
        return b[2] == 0 && b[3] == 0 && b[4] == 0;
    case CODE_SET:
        return b[2] >= 1 && b[2] <= DEVSIM_CHANNELS && b[3] <= 1;
    case CODE_ALL_OFF:
        return b[2] == DEVSIM_CHANNELS && b[3] == 0 && b[4] == 0;
    default:
        return false;
    }
}

} // namespace

std::uint8_t devSimChecksum(const DevSimFrameBytes& bytes) {
    unsigned sum = 0;
    for (int i = 0; i < DEVSIM_FRAME_SIZE - 1; ++i)
        sum += bytes[static_cast<std::size_t>(i)];
    return static_cast<std::uint8_t>(sum & 0xFF);
}

DevSimFrame devSimCheckFrame(const DevSimFrameBytes& bytes) {
    DevSimFrame f;
    f.bytes = bytes;
    f.command = decode(bytes);
    if (bytes[0] != DEVSIM_HEADER || devSimChecksum(bytes) != bytes[5])
        f.reason = DevSimReject::BadChecksum;
    else if (f.command.kind == DevSimCommandKind::Unknown)
        f.reason = DevSimReject::UnknownCode;
    else if (!argumentsValid(bytes))
        f.reason = DevSimReject::BadArgument;
    f.valid = f.reason == DevSimReject::None;
    return f;
}

void DevSimFrameParser::skipTo(std::size_t end, std::vector<DevSimParsed>& out) {
    const std::size_t silent = std::min(end, m_alreadyReported);
    if (end > silent) {
        DevSimParsed p;
        p.skipped.assign(m_buffer.begin() + static_cast<std::ptrdiff_t>(silent),
                         m_buffer.begin() + static_cast<std::ptrdiff_t>(end));
        out.push_back(std::move(p));
    }
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(end));
    m_alreadyReported -= silent;
}

std::vector<DevSimParsed> DevSimFrameParser::feed(std::span<const std::uint8_t> data) {
    std::vector<DevSimParsed> out;
    m_buffer.insert(m_buffer.end(), data.begin(), data.end());
    for (;;) {
        const auto header = std::find(m_buffer.begin(), m_buffer.end(), DEVSIM_HEADER);
        const auto headerPos = static_cast<std::size_t>(header - m_buffer.begin());
        if (headerPos > 0)
            skipTo(headerPos, out);
        if (m_buffer.size() < DEVSIM_FRAME_SIZE)
            break;

        DevSimFrameBytes candidate;
        std::copy_n(m_buffer.begin(), DEVSIM_FRAME_SIZE, candidate.begin());
        DevSimParsed p;
        p.isFrame = true;
        p.frame = devSimCheckFrame(candidate);
        if (p.frame.valid) {
            m_buffer.erase(m_buffer.begin(), m_buffer.begin() + DEVSIM_FRAME_SIZE);
            m_alreadyReported = 0;
        } else {
            m_buffer.erase(m_buffer.begin());
            m_alreadyReported = DEVSIM_FRAME_SIZE - 1;
        }
        out.push_back(std::move(p));
    }
    return out;
}

std::string_view devSimRejectName(DevSimReject reason) {
    switch (reason) {
    case DevSimReject::BadChecksum:
        return "bad-checksum";
    case DevSimReject::UnknownCode:
        return "unknown-code";
    case DevSimReject::BadArgument:
        return "bad-argument";
    case DevSimReject::None:
        break;
    }
    return "";
}

std::string_view devSimCommandName(DevSimCommandKind kind) {
    switch (kind) {
    case DevSimCommandKind::Poll:
        return "poll";
    case DevSimCommandKind::Set:
        return "set";
    case DevSimCommandKind::AllOff:
        return "alloff";
    case DevSimCommandKind::Unknown:
        break;
    }
    return "unknown";
}
