#include "session/DeviceSession.h"

namespace {

SessionAnswer Unreadable(const QString& path) {
    return {SessionAnswer::Problem::Preset, QStringLiteral("cannot read preset file %1").arg(path)};
}

SessionAnswer SceneProblem(const QString& problem) {
    if (problem.isEmpty())
        return {};
    return {SessionAnswer::Problem::Scene, problem};
}

} // namespace

SessionAnswer DeviceSession::Request(const SessionRequest& r, ChangeOrigin origin) {
    if (SessionAnswer bad = CheckRequest(r); !bad.ok())
        return bad;
    const ChangeScope scope(*this, origin);
    using Kind = SessionRequest::Kind;
    const int c = r.channel - 1;
    switch (r.kind) {
    case Kind::Set:
        return SetChannel(c, r.on, r.level);
    case Kind::Level:
        return SetChannel(c, std::nullopt, r.level);
    case Kind::Switch:
        return SetChannel(c, r.on, std::nullopt);
    case Kind::Toggle:
        // As the panel's switch box: anything but off turns off.
        return SetChannel(c, m_channels.Power(c) == 0, std::nullopt);
    case Kind::Step:
        // A level loaded from a hand-edited file may lie outside 0..255; a step brings it back.
        return SetChannel(c, std::nullopt, ClampLevel(ClampLevel(m_channels.Level(c)) + r.delta));
    case Kind::AllOff:
        AllOff();
        return {};
    case Kind::LoadPreset:
        return LoadPreset(r.path);
    case Kind::Fade: {
        FadeTargets targets;
        for (int t = 0; t < CHANNEL_COUNT; ++t)
            targets[t] = ChannelSetting{r.targets[t].on, r.targets[t].level};
        StartFade(targets, r.seconds, origin);
        return {};
    }
    case Kind::FadeToPreset:
        return FadeToPresetFile(r.path, r.seconds, origin) ? SessionAnswer{} : Unreadable(r.path);
    case Kind::RecallScene:
        return SceneProblem(RecallScene(r.slot, origin));
    case Kind::StoreScene:
        return SceneProblem(StoreScene(r.slot));
    case Kind::StopFade:
        StopFade();
        return {};
    }
    return {};
}

// The channel's own set frame: the operator's selection, which the keyboard acts on, stays where
// the operator left it. A frame goes out even when nothing changed, as the arrow keys do at 0 and
// 255, so a client can always re-assert a channel.
SessionAnswer DeviceSession::SetChannel(int channel, std::optional<bool> on,
                                        std::optional<int> level) {
    // The change wins over a running fade, as the operator's does.
    m_fade.TakeOut(channel);
    if (on)
        m_channels.SetOn(channel, *on);
    if (level)
        m_channels.SetLevel(channel, *level);
    Queue(channel);
    return {};
}

void DeviceSession::AllOff() {
    StopFade();
    m_channels.AllOff();
    // The all-off frame carries every channel's new state: nothing else need wait.
    m_line.Clear();
    m_line.WantAllOff();
    FlushLine();
    KeepLineTicking();
    SaveSettings();
}

// Without Setup's reconnect there is no synchronisation to carry the new values, so the eight
// channels go out here, in the synchronisation's order.
SessionAnswer DeviceSession::LoadPreset(const QString& path) {
    StopFade();
    if (!ApplyPresetFile(path))
        return Unreadable(path);
    SaveSettings();
    for (int c = 0; c < CHANNEL_COUNT; ++c)
        m_line.Want(c);
    FlushLine();
    KeepLineTicking();
    return {};
}
