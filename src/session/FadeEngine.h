#pragma once

#include "model/Channels.h"
#include "session/LineBudget.h"

#include <QString>
#include <array>
#include <chrono>
#include <optional>
#include <vector>

// One channel's switch and level, as the panel holds it, as a fade aims at it, as a frame carries
// it.
struct ChannelSetting {
    bool on = false;
    int level = 0;
    bool operator==(const ChannelSetting&) const = default;
};
using ChannelSettings = std::array<ChannelSetting, CHANNEL_COUNT>;
// What a fade aims at; a channel without a value stays out of it.
using FadeTargets = std::array<std::optional<ChannelSetting>, CHANNEL_COUNT>;

// One set-channel frame the fade wants on the wire: the caller puts it into the model and sends
// it with CMD_CHANNEL.
struct FadeFrame {
    int channel = 0;
    bool on = false;
    int level = 0;
    bool operator==(const FadeFrame&) const = default;
};

// Takes channels along straight lines in time from where they stand to a target, paced to what
// the line carries: 19200 baud at 11 bits a byte is about 290 frames a second, so eight channels
// moving every tick would overrun it. Driven by 20 ms ticks and a clock the caller passes in; it
// owns no timer and sends nothing itself.
//
// A channel switching on does so with its first frame; one switching off does so with its last,
// at the end. On every tick the channels whose level on the device lies farthest from the line go
// out, at most kFramesPerTick of them and never more than kFramesPerWindow in any kWindow. Every
// channel's last frame carries its exact target.
class FadeEngine {
public:
    using Clock = LineBudget::Clock;

    // The line's limits, the same for a fade as for everything else on the line.
    static constexpr Clock kTick = LineBudget::kTick;
    static constexpr int kFramesPerTick = LineBudget::kFramesPerTick;
    static constexpr Clock kWindow = LineBudget::kWindow;
    static constexpr int kFramesPerWindow = LineBudget::kFramesPerWindow;
    // A frame carries the line's value a tick ahead: the frames of one tick reach the device over
    // the next 17 ms on a real line, and the channel's next frame follows one or two ticks later,
    // so the device stays as close before its frame as after it.
    static constexpr Clock kLead = kTick;
    // Longest fade a caller may ask for.
    static constexpr double kMaxSeconds = 3600.0;

    // Replaces any fade running. `standing` is the panel's model now, `device` what the device was
    // last sent (the model when not given). A channel already at its target, on the panel and
    // on the device, sends nothing and stays out.
    void Start(const ChannelSettings& standing, const FadeTargets& targets, Clock duration,
               Clock now, const std::optional<ChannelSettings>& device = std::nullopt);
    // Ends the fade where the channels stand; nothing more is sent.
    void Stop();

    // The frames to send at this tick. `standing` is the model as it is now: a channel that no
    // longer holds what the fade last put there has been changed by someone else and leaves the
    // fade. At most `room` frames: the line may be busy with others' frames. Ends the fade once
    // every channel has its target.
    std::vector<FadeFrame> Tick(Clock now, const ChannelSettings& standing,
                                int room = kFramesPerTick);

    // The operator's change wins: the channel leaves the fade and keeps what it has.
    void TakeOut(int channel);
    // While held (the synchronisation after a connect goes first) ticks send nothing and the
    // fade's time stands still; on release it goes on from where it was.
    void Hold(bool held, Clock now);

    bool Running() const { return m_running; }
    bool Held() const { return m_heldSince.has_value(); }
    bool InFade(int channel) const;
    Clock Duration() const { return m_duration; }
    // Time into the fade, 0 .. Duration(), not counting holds.
    Clock Elapsed(Clock now) const;
    // "fade 1.2 / 3.0 s"
    QString ProgressText(Clock now) const;

    // Seconds as a fade's duration; nothing for a negative, non-finite or too long time.
    static std::optional<Clock> DurationFromSeconds(double seconds);

private:
    struct Lane {
        bool active = false;
        ChannelSetting from;
        ChannelSetting to;
        // Switch during the fade: on from the start when the target is on.
        bool onDuring = false;
        // What the fade last put into the model and onto the wire.
        ChannelSetting written;
        std::optional<ChannelSetting> device;
    };

    // Where the channel should stand at time `at` (fade time, holds excluded).
    ChannelSetting Wanted(const Lane& lane, Clock at, Clock finalsFrom) const;
    int FramesAllowed(Clock now);
    void EndIfDone(Clock fadeTime);

    std::array<Lane, CHANNEL_COUNT> m_lanes{};
    bool m_running = false;
    Clock m_start{0};
    Clock m_duration{0};
    // Time spent held, added to the start so the line resumes where it stood.
    std::optional<Clock> m_heldSince;
    // Send times of the last kFramesPerWindow frames, oldest first.
    std::vector<Clock> m_recent;
};
