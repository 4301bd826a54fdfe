#include "panel/PanelController.h"
#include "panel/PanelHost.h"
#include "settings/PresetFile.h"

#include <QDir>

namespace {

FadeTargets TargetsOf(const ChSetValues& values) {
    FadeTargets targets;
    for (int c = 0; c < CHANNEL_COUNT; ++c)
        targets[c] = ChannelSetting{values.power[c] == 1, values.level[c]};
    return targets;
}

} // namespace

FadeEngine::Clock PanelController::FadeNow() const {
    if (m_fadeClock)
        return m_fadeClock();
    return FadeEngine::Clock{m_fadeClockBase.nsecsElapsed() / 1000};
}

ChannelSettings PanelController::Standing() const {
    ChannelSettings standing;
    for (int c = 0; c < CHANNEL_COUNT; ++c)
        standing[c] = {m_channels.On(c), m_channels.Level(c)};
    return standing;
}

bool PanelController::StartFade(const FadeTargets& targets, double seconds) {
    const auto duration = FadeEngine::DurationFromSeconds(seconds);
    if (!duration)
        return false;
    for (const auto& target : targets) {
        if (target && !IsLevel(target->level))
            return false;
    }
    const ChangeScope scope(*this);
    // The channels stand where the last frames put them, so a fade replaced mid-way goes on
    // from there without a jump.
    m_fade.Start(Standing(), targets, *duration, FadeNow());
    // The first frames go now: a switch turns on with the key press, and a zero time is over
    // after the next tick.
    OnFadeTick();
    return true;
}

bool PanelController::FadeToPresetFile(const QString& path, double seconds) {
    if (!FadeEngine::DurationFromSeconds(seconds))
        return false;
    const auto preset = ReadPresetFile(path);
    if (!preset)
        return false;
    const ChangeScope scope(*this);
    // The colours are the panel's, not the device's: they change at once.
    m_settings.TakeColors(*preset);
    RequestRepaint();
    FadeTargets targets = TargetsOf(*preset);
    // A hand-edited level outside 0..255 glides to the nearest end.
    for (auto& target : targets)
        target->level = ClampLevel(target->level);
    return StartFade(targets, seconds);
}

QString PanelController::RecallScene(int slot) {
    const ChangeScope scope(*this);
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
    RequestRepaint();
    FadeTargets targets = TargetsOf(scene.values);
    for (auto& target : targets)
        target->level = ClampLevel(target->level);
    StartFade(targets, scene.fadeSeconds);
    return {};
}

QString PanelController::StoreScene(int slot) {
    QString reason;
    if (!SceneSlots::IsSlot(slot)) {
        reason = tr("no scene %1").arg(slot);
    } else if (!Scenes().Store(slot, ChSet(), m_settings.PortName(), m_settings.PresetName(),
                               &reason)) {
        reason = tr("scene %1 not stored: %2").arg(slot).arg(reason);
    } else {
        Q_EMIT StatusMessage(tr("scene %1 stored").arg(slot));
        return {};
    }
    Q_EMIT StatusMessage(reason);
    return reason;
}

void PanelController::StopFade() {
    const ChangeScope scope(*this);
    m_fade.Stop();
    m_fadeTimer.stop();
}

void PanelController::OnFadeTick() {
    const ChangeScope scope(*this);
    // A synchronisation cut short (its timer stopped) must not hold the fade for ever.
    if (m_fade.Held() && !m_link.Timer(TIMER_SYNC)->isActive())
        m_fade.Hold(false, FadeNow());
    for (const FadeFrame& frame : m_fade.Tick(FadeNow(), Standing())) {
        m_channels.SetOn(frame.channel, frame.on);
        m_channels.SetLevel(frame.channel, frame.level);
        SendCommand(CMD_CHANNEL, frame.channel);
    }
    if (!m_fade.Running())
        m_fadeTimer.stop();
    else if (!m_fadeTimer.isActive())
        m_fadeTimer.start(FADE_PERIOD_MS);
}

void PanelController::HoldFadeForSync(int channel) {
    // The synchronisation sends what the model holds, one channel a tick; the fade waits so the
    // two do not crowd the line, and goes on after the last one.
    m_fade.Hold(channel < CHANNEL_COUNT - 1, FadeNow());
}

SceneSlots PanelController::Scenes() const {
    return SceneSlots(m_settings.FolderPath());
}

QString PanelController::FadeProgressText() const {
    return m_fade.Running() ? m_fade.ProgressText(FadeNow()) : QString();
}

void PanelController::SetFadeClock(std::function<FadeEngine::Clock()> clock) {
    m_fadeClock = std::move(clock);
}
