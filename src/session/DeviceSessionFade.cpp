#include "session/DeviceSession.h"
#include "settings/PresetFile.h"

namespace {

FadeTargets TargetsOf(const ChSetValues& values) {
    FadeTargets targets;
    for (int c = 0; c < CHANNEL_COUNT; ++c)
        // A hand-edited level outside 0..255 glides to the nearest end.
        targets[c] = ChannelSetting{values.power[c] == 1, ClampLevel(values.level[c])};
    return targets;
}

} // namespace

ChannelSettings DeviceSession::Standing() const {
    ChannelSettings standing;
    for (int c = 0; c < CHANNEL_COUNT; ++c)
        standing[c] = {m_channels.On(c), m_channels.Level(c)};
    return standing;
}

bool DeviceSession::StartFade(const FadeTargets& targets, double seconds, ChangeOrigin origin) {
    const auto duration = FadeEngine::DurationFromSeconds(seconds);
    if (!duration)
        return false;
    for (const auto& target : targets) {
        if (target && !IsLevel(target->level))
            return false;
    }
    const ChangeScope scope(*this, origin);
    // The channels stand where the last frames put them, so a fade replaced mid-way goes on
    // from there without a jump. A channel still waiting for the line leaves the queue: the
    // fade sends it from here.
    m_fade.Start(Standing(), targets, *duration, Now());
    // The first frames go now: a switch turns on with the key press, and a zero time is over
    // after the next tick.
    OnLineTick();
    return true;
}

bool DeviceSession::FadeToPresetFile(const QString& path, double seconds, ChangeOrigin origin) {
    if (!FadeEngine::DurationFromSeconds(seconds))
        return false;
    const auto preset = ReadPresetFile(path);
    if (!preset)
        return false;
    const ChangeScope scope(*this, origin);
    // The colours are the panel's, not the device's: they change at once.
    m_settings.TakeColors(*preset);
    Q_EMIT RepaintWanted();
    return StartFade(TargetsOf(*preset), seconds, origin);
}

QString DeviceSession::RecallScene(int slot, ChangeOrigin origin) {
    const ChangeScope scope(*this, origin);
    QString problem;
    const SceneSlotContents contents = Scenes().Read(slot);
    if (!SceneSlots::IsSlot(slot))
        problem = tr("no scene %1").arg(slot);
    else if (contents.state == SceneState::Empty)
        problem = tr("scene %1 is empty").arg(slot);
    else if (contents.state == SceneState::Unreadable)
        problem = tr("scene %1 cannot be read: %2").arg(slot).arg(contents.error);
    if (!problem.isEmpty()) {
        Q_EMIT StatusMessage(problem);
        return problem;
    }
    const Scene& scene = contents.scene;
    m_settings.TakeColors(scene.values);
    Q_EMIT RepaintWanted();
    StartFade(TargetsOf(scene.values), scene.fadeSeconds, origin);
    return {};
}

QString DeviceSession::StoreScene(int slot) {
    const ChangeScope scope(*this);
    QString reason;
    if (!SceneSlots::IsSlot(slot)) {
        reason = tr("no scene %1").arg(slot);
    } else if (!Scenes().Store(slot, ChSet(), m_settings.PortName(), m_settings.PresetName(),
                               &reason)) {
        reason = tr("scene %1 not stored: %2").arg(slot).arg(reason);
    } else {
        m_scenesChanged = true;
        Q_EMIT StatusMessage(tr("scene %1 stored").arg(slot));
        return {};
    }
    Q_EMIT StatusMessage(reason);
    return reason;
}

QString DeviceSession::SetSceneFadeTime(int slot, double seconds) {
    const ChangeScope scope(*this);
    QString reason;
    if (!Scenes().SetFadeTime(slot, seconds, &reason))
        return reason.isEmpty() ? tr("no scene %1").arg(slot) : reason;
    m_scenesChanged = true;
    return {};
}

void DeviceSession::StopFade() {
    const ChangeScope scope(*this);
    m_fade.Stop();
    KeepLineTicking();
}

SceneSlots DeviceSession::Scenes() const {
    return SceneSlots(m_settings.FolderPath());
}

QString DeviceSession::FadeProgressText() const {
    return m_fade.Running() ? m_fade.ProgressText(Now()) : QString();
}

void DeviceSession::SetFadeClock(std::function<FadeEngine::Clock()> clock) {
    m_fadeClock = std::move(clock);
}
