#include "session/FadeEngine.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Above any level difference: a switch the device does not have yet goes out first.
constexpr int kSwitchDistance = kMaxLevel + 1;

ChannelSetting InRange(ChannelSetting setting) {
    return {setting.on, ClampLevel(setting.level)};
}

} // namespace

void FadeEngine::Start(const ChannelSettings& standing, const FadeTargets& targets, Clock duration,
                       Clock now, const std::optional<ChannelSettings>& device) {
    const ChannelSettings& sent = device ? *device : standing;
    m_running = false;
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        Lane& lane = m_lanes[c];
        lane = Lane{};
        if (!targets[c])
            continue;
        lane.to = InRange(*targets[c]);
        if (standing[c] == lane.to && sent[c] == lane.to)
            continue;
        // A level from a hand-edited file may lie outside 0..255; the line starts at the edge.
        lane.from = InRange(standing[c]);
        lane.onDuring = lane.to.on || lane.from.on;
        lane.written = standing[c];
        lane.device = sent[c];
        lane.active = true;
        m_running = true;
    }
    m_start = now;
    m_duration = std::max(duration, Clock{0});
    // A fade started during a hold waits, from its own start.
    if (m_heldSince)
        m_heldSince = now;
}

void FadeEngine::Stop() {
    for (Lane& lane : m_lanes)
        lane.active = false;
    m_running = false;
}

void FadeEngine::TakeOut(int channel) {
    if (!IsChannel(channel))
        return;
    m_lanes[channel].active = false;
    m_running =
        std::any_of(m_lanes.begin(), m_lanes.end(), [](const Lane& lane) { return lane.active; });
}

void FadeEngine::Hold(bool held, Clock now) {
    if (held && !m_heldSince) {
        m_heldSince = now;
    } else if (!held && m_heldSince) {
        m_start += now - *m_heldSince;
        m_heldSince.reset();
    }
}

bool FadeEngine::InFade(int channel) const {
    return m_running && IsChannel(channel) && m_lanes[channel].active;
}

FadeEngine::Clock FadeEngine::Elapsed(Clock now) const {
    const Clock at = m_heldSince ? *m_heldSince : now;
    return std::clamp(at - m_start, Clock{0}, m_duration);
}

ChannelSetting FadeEngine::Wanted(const Lane& lane, Clock at, Clock finalsFrom) const {
    if (at >= finalsFrom)
        return lane.to;
    const double fraction =
        static_cast<double>(at.count()) / static_cast<double>(m_duration.count());
    const double level = lane.from.level + (lane.to.level - lane.from.level) * fraction;
    return {lane.onDuring, static_cast<int>(std::lround(level))};
}

int FadeEngine::FramesAllowed(Clock now) {
    const auto expired = std::find_if(m_recent.begin(), m_recent.end(),
                                      [&](Clock sent) { return sent > now - kWindow; });
    m_recent.erase(m_recent.begin(), expired);
    return std::clamp(kFramesPerWindow - static_cast<int>(m_recent.size()), 0, kFramesPerTick);
}

std::vector<FadeFrame> FadeEngine::Tick(Clock now, const ChannelSettings& standing, int room) {
    std::vector<FadeFrame> frames;
    if (!m_running || m_heldSince)
        return frames;

    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        if (m_lanes[c].active && standing[c] != m_lanes[c].written)
            TakeOut(c);
    }

    const Clock at = Elapsed(now) + kLead;
    // The last frames of n channels take n / 5 ticks, rounded up: they begin early enough that
    // the last of them goes at the end, not a tick after it.
    int unfinished = 0;
    for (const Lane& lane : m_lanes)
        unfinished += lane.active && lane.device != lane.to ? 1 : 0;
    const int finalTicks = (unfinished + kFramesPerTick - 1) / kFramesPerTick;
    const Clock finalsFrom = m_duration - kTick * std::max(finalTicks - 1, 0);
    struct Candidate {
        int channel;
        int distance;
        ChannelSetting wanted;
    };
    std::vector<Candidate> due;
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        const Lane& lane = m_lanes[c];
        if (!lane.active)
            continue;
        const ChannelSetting wanted = Wanted(lane, at, finalsFrom);
        int distance = kSwitchDistance;
        if (lane.device && lane.device->on == wanted.on)
            distance = std::abs(lane.device->level - wanted.level);
        if (distance > 0)
            due.push_back({c, distance, wanted});
    }
    // Farthest first; among equals the lower channel, which the next tick then leaves behind.
    std::stable_sort(due.begin(), due.end(), [](const Candidate& a, const Candidate& b) {
        return a.distance > b.distance;
    });

    const int allowed = std::min({FramesAllowed(now), room, static_cast<int>(due.size())});
    for (int i = 0; i < allowed; ++i) {
        Lane& lane = m_lanes[due[i].channel];
        lane.written = due[i].wanted;
        lane.device = due[i].wanted;
        frames.push_back({due[i].channel, due[i].wanted.on, due[i].wanted.level});
        m_recent.push_back(now);
    }

    EndIfDone(at);
    return frames;
}

void FadeEngine::EndIfDone(Clock fadeTime) {
    if (!m_running || fadeTime < m_duration)
        return;
    for (const Lane& lane : m_lanes) {
        if (lane.active && lane.device != lane.to)
            return;
    }
    Stop();
}

QString FadeEngine::ProgressText(Clock now) const {
    const auto seconds = [](Clock t) {
        return QString::number(static_cast<double>(t.count()) / 1e6, 'f', 1);
    };
    return QCoreApplication::translate("FadeEngine", "fade %1 / %2 s")
        .arg(seconds(Elapsed(now)), seconds(m_duration));
}

std::optional<FadeEngine::Clock> FadeEngine::DurationFromSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0.0 || seconds > kMaxSeconds)
        return std::nullopt;
    return Clock{std::llround(seconds * 1e6)};
}
