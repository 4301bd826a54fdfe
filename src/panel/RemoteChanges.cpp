#include "panel/PanelController.h"

// A script's change goes out as the set-channel frame of its own channel: the operator's
// selection, which the keyboard acts on, stays where the operator left it. A frame goes out even
// when nothing changed, as the arrow keys do at 0 and 255, so a script can always re-assert a
// channel. Announced at once: a Setup or exit dialog may hold an entry point open around us.
bool PanelController::SetChannelState(int channel, std::optional<bool> on,
                                      std::optional<int> level) {
    if (!IsChannel(channel) || (level && !IsLevel(*level)))
        return false;
    // The script wins over a running fade, as the operator does.
    m_fade.TakeOut(channel);
    if (on)
        m_channels.SetOn(channel, *on);
    if (level)
        m_channels.SetLevel(channel, *level);
    SendCommand(CMD_CHANNEL, channel);
    PublishChanges();
    return true;
}

bool PanelController::StepChannelBy(int channel, int delta) {
    if (!IsChannel(channel) || delta < -kMaxLevel || delta > kMaxLevel)
        return false;
    // A level loaded from a hand-edited file may lie outside 0..255; a step brings it back.
    const int level = ClampLevel(m_channels.Level(channel)) + delta;
    return SetChannelState(channel, std::nullopt, ClampLevel(level));
}

void PanelController::AllChannelsOff() {
    StopFade();
    m_channels.AllOff();
    SendCommand(CMD_ALL_OFF);
    SaveSettings();
    PublishChanges();
}

// Without Setup's reconnect there is no synchronisation to carry the new values, so the eight
// channels go out here, in the synchronisation's order.
bool PanelController::LoadPresetFile(const QString& path) {
    StopFade();
    if (!ApplyPresetFile(path))
        return false;
    SaveSettings();
    for (int c = 0; c < CHANNEL_COUNT; ++c)
        SendCommand(CMD_CHANNEL, c);
    PublishChanges();
    return true;
}
