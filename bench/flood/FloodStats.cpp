#include "FloodStats.h"

#include <algorithm>

Spread Summarize(std::vector<double> values) {
    Spread s;
    s.count = values.size();
    if (values.empty())
        return s;
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) {
        return values[std::min(values.size() - 1, std::size_t(q * double(values.size())))];
    };
    s.p50 = at(0.5);
    s.p99 = at(0.99);
    s.max = values.back();
    return s;
}

int MostFramesInWindow(const std::vector<DeviceFrame>& frames, std::int64_t windowUs) {
    int most = 0;
    std::size_t first = 0;
    for (std::size_t last = 0; last < frames.size(); ++last) {
        while (frames[last].tUs - frames[first].tUs >= windowUs)
            ++first;
        most = std::max(most, int(last - first + 1));
    }
    return most;
}

ClientOutcome MatchClient(const std::vector<SentValue>& sent,
                          const std::vector<DeviceFrame>& frames) {
    ClientOutcome out;
    // carried[i]: the index of the value frame i carries, or -1.
    std::vector<long> carried(frames.size(), -1);
    std::size_t from = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        for (std::size_t j = from; j < sent.size() && sent[j].tUs <= frames[i].tUs; ++j) {
            if (sent[j].level == frames[i].level) {
                carried[i] = long(j);
                from = j;
                break;
            }
        }
        if (carried[i] < 0)
            ++out.strayFrames;
    }

    long lastCarried = -1;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (carried[i] <= lastCarried)
            continue; // a repeat of a value already on the wire, or a stray
        lastCarried = carried[i];
        ++out.reached;
        out.newestToWireMs.push_back(double(frames[i].tUs - sent[std::size_t(carried[i])].tUs) /
                                     1000.0);
    }

    std::size_t f = 0;
    for (std::size_t j = 0; j < sent.size(); ++j) {
        while (f < frames.size() && carried[f] < long(j))
            ++f;
        if (f == frames.size()) {
            out.neverCovered += int(sent.size() - j);
            break;
        }
        out.eachToWireMs.push_back(double(frames[f].tUs - sent[j].tUs) / 1000.0);
    }
    return out;
}

KeyOutcome MatchKeys(const std::vector<std::int64_t>& pressUs,
                     const std::vector<DeviceFrame>& keyFrames) {
    KeyOutcome out;
    std::size_t f = 0;
    for (std::size_t p = 0; p < pressUs.size(); ++p) {
        while (f < keyFrames.size() && keyFrames[f].tUs < pressUs[p])
            ++f;
        if (f == keyFrames.size() ||
            (p + 1 < pressUs.size() && keyFrames[f].tUs >= pressUs[p + 1])) {
            ++out.missing;
            continue;
        }
        out.toWireMs.push_back(double(keyFrames[f].tUs - pressUs[p]) / 1000.0);
        ++f;
    }
    return out;
}
