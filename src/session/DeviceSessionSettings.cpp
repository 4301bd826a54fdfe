#include "session/DeviceSession.h"
#include "settings/PresetFile.h"

ChSetValues DeviceSession::ChSet() const {
    return m_settings.Record(m_channels.Powers(), m_channels.Levels());
}

void DeviceSession::ApplyChSet(const ChSetValues& values) {
    m_settings.TakeColors(values);
    m_channels.SetAll(values.power, values.level);
}

void DeviceSession::RestoreChannels(const ChannelModel& channels) {
    const ChangeScope scope(*this);
    m_channels = channels;
}

void DeviceSession::BuildPaths() {
    m_settings.BuildPaths();
}

void DeviceSession::LoadSettings() {
    const ChangeScope scope(*this);
    ApplyChSet(m_settings.Load());
}

void DeviceSession::SaveSettings() {
    const SaveOutcome outcome = m_settings.Save(m_channels.Powers(), m_channels.Levels());
    if (!outcome.toTell.isEmpty())
        Prompts().ShowMessage(outcome.toTell, QStringLiteral("Morvix"));
}

bool DeviceSession::ApplyPresetFile(const QString& path) {
    const auto preset = ReadPresetFile(path);
    if (!preset)
        return false;
    m_settings.SetPresetName(path);
    ApplyChSet(*preset);
    return true;
}
