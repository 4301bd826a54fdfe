#pragma once

#include "LineLog.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// One SetLevel a client made: when it started the call, and the level.
struct SentValue {
    std::int64_t tUs = 0;
    int level = 0;
};

struct Spread {
    std::size_t count = 0;
    double p50 = 0, p99 = 0, max = 0;
};
Spread Summarize(std::vector<double> values);

// The most frames whose arrival falls in any window of `windowUs`.
int MostFramesInWindow(const std::vector<DeviceFrame>& frames, std::int64_t windowUs);

struct ClientOutcome {
    // For each sent value that reached the wire: its first frame's arrival minus its send.
    std::vector<double> newestToWireMs;
    // For each sent value: the first frame carrying it or a later value of the client.
    std::vector<double> eachToWireMs;
    int reached = 0;
    int neverCovered = 0; // sent values after the last one the wire carried
    int strayFrames = 0;  // frames of the channel that carry no value the client sent
};

// `frames` are the set-channel frames of the client's channel in arrival order. A frame carries
// the earliest value not older than the previous frame's that has its level and was sent before
// it: levels repeat as a ramp wraps, but a channel's frames never go back in the client's order.
ClientOutcome MatchClient(const std::vector<SentValue>& sent,
                          const std::vector<DeviceFrame>& frames);

struct KeyOutcome {
    std::vector<double> toWireMs;
    int missing = 0; // presses with no frame of theirs before the next press
};

// Each press takes the first of `keyFrames` at or after it and before the next press.
KeyOutcome MatchKeys(const std::vector<std::int64_t>& pressUs,
                     const std::vector<DeviceFrame>& keyFrames);
