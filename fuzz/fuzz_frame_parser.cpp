// The simulated device's frame parser on any byte stream cut into any chunks: it finds exactly
// what a plain scan of the whole stream finds (skipped bytes, valid and rejected candidates, the
// rest kept), and after any garbage, five bytes without a header and a good frame, it is back in
// step: the good frame is found and nothing is left pending.
#include "DevSimFrameParser.h"
#include "FuzzInput.h"

#include <algorithm>
#include <vector>

namespace {

struct Event {
    bool frame = false;
    bool valid = false;
    std::vector<std::uint8_t> bytes; // the candidate, or a merged run of skipped bytes
    bool operator==(const Event&) const = default;
};

void AddSkipped(std::vector<Event>& events, const std::uint8_t* begin, const std::uint8_t* end) {
    if (begin >= end)
        return;
    if (events.empty() || events.back().frame)
        events.push_back({});
    events.back().bytes.insert(events.back().bytes.end(), begin, end);
}

void Add(std::vector<Event>& events, const std::vector<DevSimParsed>& parsed) {
    for (const DevSimParsed& p : parsed) {
        if (p.isFrame)
            events.push_back({true, p.frame.valid, {p.frame.bytes.begin(), p.frame.bytes.end()}});
        else
            AddSkipped(events, p.skipped.data(), p.skipped.data() + p.skipped.size());
    }
}

bool ChecksumOk(const std::uint8_t* b) {
    return std::uint8_t(b[0] + b[1] + b[2] + b[3] + b[4]) == b[5];
}

// The whole stream at once: skip to a header, take six bytes; a good frame is consumed whole,
// a rejected one only by its header, and bytes already shown in a rejected candidate are not
// shown again as skipped.
std::vector<Event> Scan(const std::vector<std::uint8_t>& s, std::size_t* pending) {
    std::vector<Event> events;
    std::size_t i = 0;
    std::size_t shownUntil = 0;
    for (;;) {
        std::size_t h = i;
        while (h < s.size() && s[h] != DEVSIM_HEADER)
            ++h;
        AddSkipped(events, s.data() + std::max(i, shownUntil), s.data() + std::max(h, shownUntil));
        i = h;
        if (s.size() - i < DEVSIM_FRAME_SIZE)
            break;
        DevSimFrameBytes candidate;
        std::copy_n(s.begin() + std::ptrdiff_t(i), DEVSIM_FRAME_SIZE, candidate.begin());
        const bool valid = devSimCheckFrame(candidate).valid;
        events.push_back({true, valid, {candidate.begin(), candidate.end()}});
        shownUntil = i + DEVSIM_FRAME_SIZE;
        i += valid ? DEVSIM_FRAME_SIZE : 1;
    }
    *pending = s.size() - i;
    return events;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const QByteArray cuts = in.Bytes(64);
    const QByteArray rest = in.Rest();
    const std::vector<std::uint8_t> stream(rest.begin(), rest.end());

    DevSimFrameParser parser;
    std::vector<Event> events;
    std::size_t pos = 0;
    for (qsizetype c = 0; pos < stream.size(); ++c) {
        // Chunk sizes from the input, empty chunks included; after many rounds the rest goes at
        // once, so cuts of all zeros end too.
        std::size_t n =
            cuts.isEmpty() || c >= 4096 ? stream.size() : std::uint8_t(cuts[c % cuts.size()]) % 17;
        n = std::min(n, stream.size() - pos);
        Add(events, parser.feed({stream.data() + pos, n}));
        pos += n;
    }
    std::size_t pending = 0;
    FUZZ_CHECK(events == Scan(stream, &pending));
    FUZZ_CHECK(parser.pendingBytes() == pending);
    for (const Event& e : events) {
        if (!e.frame)
            FUZZ_CHECK(std::find(e.bytes.begin(), e.bytes.end(), DEVSIM_HEADER) == e.bytes.end());
        else if (e.valid)
            FUZZ_CHECK(e.bytes[0] == DEVSIM_HEADER && ChecksumOk(e.bytes.data()));
    }

    // Back in step: a good frame after five bytes that cannot start one.
    const std::uint8_t kind = cuts.isEmpty() ? 0 : std::uint8_t(cuts[0]) % 3;
    const std::uint8_t channel = std::uint8_t(1 + (size % 8));
    std::vector<std::uint8_t> tail(5, 0x00);
    const DevSimFrameBytes good =
        kind == 0   ? DevSimFrameBytes{0x95, 1, 0, 0, 0, 0}
        : kind == 1 ? DevSimFrameBytes{0x95, 3, 8, 0, 0, 0}
                    : DevSimFrameBytes{0x95, 2, channel, 1, std::uint8_t(size), 0};
    DevSimFrameBytes frame = good;
    frame[5] = devSimChecksum(frame);
    tail.insert(tail.end(), frame.begin(), frame.end());
    const std::vector<DevSimParsed> after = parser.feed(tail);
    FUZZ_CHECK(!after.empty() && after.back().isFrame && after.back().frame.valid);
    FUZZ_CHECK(after.back().frame.bytes == frame);
    FUZZ_CHECK(parser.pendingBytes() == 0);
    return 0;
}
